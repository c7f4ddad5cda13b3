#include "articlescheme.h"
#include "scrivelapp.h"
#include "translation.h"

#include <QApplication>

#include <unistd.h>

int main(int argc, char* argv[])
{
    // The web view's renderer refuses to start as root with its sandbox on.
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    CArticleScheme::RegisterScheme();
    QApplication app(argc, argv);
    InstallTranslation(QStringLiteral("Scrivel"), QLocale::English);
    QApplication::setApplicationName(QStringLiteral("Scrivel"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    CScrivelApp scrivel;
    return scrivel.InitInstance(QApplication::arguments().mid(1));
}
