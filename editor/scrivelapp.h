#pragma once
// Scrivel's application: one article, one window, one process. Started by the library
// with no arguments, it takes a waiting mission from the library's table; started with a
// file, it edits that file on its own.

#include <QStringList>

#include <memory>

class CEditorWindow;
class CWindowMessageListener;

class CScrivelApp
{
public:
    CScrivelApp();
    ~CScrivelApp();

    // arguments: the command line after the program's name. Runs the window; returns the
    // exit code (non-zero when there was nothing to edit).
    int InitInstance(const QStringList& arguments);

private:
    int refuse(const QString& text);

    std::unique_ptr<CWindowMessageListener> m_listener;
    std::unique_ptr<CEditorWindow> m_window;
};
