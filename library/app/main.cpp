#include "quorapp.h"
#include "translation.h"

#include <QApplication>
#include <QIcon>

#include <unistd.h>

int main(int argc, char* argv[])
{
    // The web view's renderer refuses to start as root with its sandbox on.
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    InstallTranslation(QStringLiteral("Quor"), QLocale::Chinese);
    QApplication::setApplicationName(QStringLiteral("Quor"));
    QApplication::setApplicationVersion(QStringLiteral(QUOR_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("quor"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("quor"), QIcon(QStringLiteral(":/quor/quor.svg"))));

    CQuorApp quor;
    if (!quor.InitInstance(QApplication::arguments()))
        return quor.ExitCode();
    return quor.ExitInstance(QApplication::exec());
}
