#include "tolvaneapp.h"
#include "translation.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    InstallTranslation(QStringLiteral("Tolvane"), QLocale::Chinese);
    QApplication::setApplicationName(QStringLiteral("Tolvane"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    CTolvaneApp tolvane;
    return tolvane.InitInstance(QApplication::arguments().mid(1));
}
