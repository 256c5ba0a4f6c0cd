// Runs the design system's Qt Quick tests (tests/app/qml/tst_*.qml). The QML modules come from the
// static libraries linked in, so no import path is needed.
#include <QtGlobal>
#include <QtQuickTest/quicktest.h>

int main(int argc, char** argv)
{
    // No test may need a display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTEST_SET_MAIN_SOURCE_PATH
    return quick_test_main(argc, argv, "design", QUICK_TEST_SOURCE_DIR);
}
