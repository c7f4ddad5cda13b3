#pragma once
// The posting tool's application: one dialog, and the program ends when it closes.

#include <QStringList>

class CTolvaneDlg;

class CTolvaneApp
{
public:
    // arguments: the command line after the program's name. Returns the exit code.
    int InitInstance(const QStringList& arguments);

    CTolvaneDlg* m_pMainWnd = nullptr;
};
