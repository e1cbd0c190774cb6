// Every test program starts here: widgets need an application object, and tests run without a display. The
// application is the program's own, so that exceptions escaping event handlers are handled as they are there.
#include "Guard.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Nothing a test does reaches the user's own data folder (connection files, databases, the log file).
    QTemporaryDir dataHome;
    qputenv("XDG_DATA_HOME", dataHome.path().toLocal8Bit());
    GuardedApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tarvik-tests"));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
