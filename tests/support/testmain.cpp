// Every test program starts in a private home and runtime folder.
#include "testenv.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#ifdef QUOR_TEST_WIDGETS
#include <QApplication>
#endif

#include <memory>
#include <unistd.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    static TestFolder root;
    IsolateEnvironment(root.path());
    // The web view's renderer refuses to start as root with its sandbox on (CI runs as root).
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
#ifdef QUOR_TEST_WIDGETS
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    return RUN_ALL_TESTS();
}
