// Every test program starts in a private home and runtime folder.
#include "testenv.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#ifdef QUOR_TEST_WIDGETS
#include <QApplication>
#endif

#include <memory>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    static TestFolder root;
    IsolateEnvironment(root.path());
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
