#pragma once
// Starts the real Quor program in a folder of its own, with its own home and runtime folder.
// The program is linked into that folder first, so that it is the program's folder too.

#include <QProcess>
#include <QStringList>

#include "waituntil.h"

#include <functional>
#include <string>

class QuorProcess
{
public:
    // workDir is the current folder; the test's HOME and runtime folder are inherited. The
    // program runs in a Chinese locale, its interface in its own texts, unless told otherwise.
    explicit QuorProcess(const std::string& workDir);
    ~QuorProcess();

    // LANG and LC_ALL for the next start, e.g. "en_US.UTF-8".
    void setLocale(const QString& locale);

    void start(const QStringList& arguments = {});
    qint64 pid() const { return m_process.processId(); }
    bool waitForExit(int ms);
    int exitCode() const { return m_process.exitCode(); }
    bool exitedNormally() const { return m_process.exitStatus() == QProcess::NormalExit; }
    void terminate();
    QString output();

private:
    QProcess m_process;
    QString m_locale = QStringLiteral("zh_CN.UTF-8");
};
