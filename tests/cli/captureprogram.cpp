#include "captureprogram.h"

#include "testenv.h"

#include <QJsonDocument>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

double now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

} // namespace

CaptureProgram::CaptureProgram(std::string folder) : m_folder(std::move(folder)) {}

CaptureProgram::~CaptureProgram()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
}

bool CaptureProgram::Start(const std::vector<std::string>& args)
{
    std::vector<std::string> all{QUOR_CAPTURE_PROGRAM};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : all)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const std::string out = m_folder + "/.stdout", err = m_folder + "/.stderr";
    const int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (outFd < 0 || errFd < 0)
        return false;
    m_started = now();
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(outFd, 1);
        ::dup2(errFd, 2);
        const int in = ::open("/dev/null", O_RDONLY);
        ::dup2(in, 0);
        if (::chdir(m_folder.c_str()) == 0)
            ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(outFd);
    ::close(errFd);
    return m_pid > 0;
}

bool CaptureProgram::Running()
{
    if (m_pid <= 0)
        return false;
    int status = 0;
    if (::waitpid(m_pid, &status, WNOHANG) != m_pid)
        return true;
    m_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    m_seconds = now() - m_started;
    m_pid = -1;
    return false;
}

int CaptureProgram::Wait(double timeoutSeconds)
{
    const double until = now() + timeoutSeconds;
    while (Running()) {
        if (now() > until) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
            return m_status = -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return m_status;
}

void CaptureProgram::Signal(int signal)
{
    if (m_pid > 0)
        ::kill(m_pid, signal);
}

int CaptureProgram::Run(const std::vector<std::string>& args, double timeoutSeconds)
{
    return Start(args) ? Wait(timeoutSeconds) : -1;
}

std::string CaptureProgram::Out() const
{
    return ReadFile(m_folder + "/.stdout");
}

std::string CaptureProgram::Err() const
{
    return ReadFile(m_folder + "/.stderr");
}

QJsonObject CaptureProgram::Json() const
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(Out())).object();
}
