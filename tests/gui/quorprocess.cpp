#include "quorprocess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <filesystem>

QuorProcess::QuorProcess(const std::string& workDir)
{
    // The program runs from the work folder, as a portable copy does: its default catalog
    // and its other files are kept there.
    const std::filesystem::path program = std::filesystem::path(workDir) / "Quor";
    std::error_code ec;
    if (!std::filesystem::exists(program, ec)) {
        std::filesystem::create_hard_link(QUOR_BINARY, program, ec);
        if (ec)
            std::filesystem::copy_file(QUOR_BINARY, program, ec);
    }
    m_process.setProgram(QString::fromStdString(program.string()));
    m_process.setWorkingDirectory(QString::fromStdString(workDir));
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

QuorProcess::~QuorProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

void QuorProcess::setLocale(const QString& locale)
{
    m_locale = locale;
}

void QuorProcess::start(const QStringList& arguments)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LANG"), m_locale);
    environment.insert(QStringLiteral("LC_ALL"), m_locale);
    environment.remove(QStringLiteral("LANGUAGE")); // it would outrank both
    m_process.setProcessEnvironment(environment);
    m_process.setArguments(arguments);
    m_process.start();
    m_process.waitForStarted(10000);
}

bool QuorProcess::waitForExit(int ms)
{
    return m_process.state() == QProcess::NotRunning || m_process.waitForFinished(ms);
}

void QuorProcess::terminate()
{
    m_process.terminate();
}

QString QuorProcess::output()
{
    return QString::fromUtf8(m_process.readAll());
}
