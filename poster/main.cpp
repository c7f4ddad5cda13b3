#include "tolvaneapp.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tolvane"));
    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    CTolvaneApp tolvane;
    return tolvane.InitInstance(QApplication::arguments().mid(1));
}
