#include "tolvaneapp.h"

#include "tolvanedlg.h"

#include <QApplication>

int CTolvaneApp::InitInstance(const QStringList& arguments)
{
    QApplication::setOrganizationName(QStringLiteral("Dovratek"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/tolvane/tolvane.svg")));
    CTolvaneDlg dlg(arguments);
    m_pMainWnd = &dlg;
    dlg.exec();
    m_pMainWnd = nullptr;
    return 0;
}
