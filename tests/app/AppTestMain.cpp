// The main of the application's GoogleTest executable: like the shared test main, but with a
// QGuiApplication, because fonts, key sequences and Qt Quick items need one.
#include <QGuiApplication>
#include <QtGlobal>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    // Test discovery runs the binary outside CTest's environment, so the default has to live here:
    // no test may need a display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    ::testing::InitGoogleTest(&argc, argv);
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
