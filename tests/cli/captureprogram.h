#pragma once
// quor-capture run as a separate program, its output kept in files, with a time limit.

#include <string>
#include <vector>

#include <QJsonObject>

class CaptureProgram
{
public:
    // Output files go into folder.
    explicit CaptureProgram(std::string folder);
    ~CaptureProgram();
    CaptureProgram(const CaptureProgram&) = delete;
    CaptureProgram& operator=(const CaptureProgram&) = delete;

    bool Start(const std::vector<std::string>& args);
    // The exit status, or -1 when it had to be killed after timeoutSeconds (or was killed by a signal).
    int Wait(double timeoutSeconds = 90);
    void Signal(int signal);
    bool Running();

    // Starts and waits.
    int Run(const std::vector<std::string>& args, double timeoutSeconds = 90);

    std::string Out() const;
    std::string Err() const;
    // Standard output as the JSON object --json prints (empty when it is none).
    QJsonObject Json() const;
    double Seconds() const { return m_seconds; }

private:
    std::string m_folder;
    int m_pid = -1;
    int m_status = -1;
    double m_seconds = 0;
    double m_started = 0;
};
