// main() for GUI test programs: headless environment first, then the one
// QApplication, then the tests.
#include "support/recording_ui.h"
#include "widgets/qt_ui.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    lumo::test::prepareTestEnvironment();
    // On the stack, so it is destroyed when main() returns, while Qt's
    // global input device list still exists: the devices it owns take
    // themselves out of that list. Never make it a static.
    QApplication app(argc, argv);
    lumo::setDefaultUi(&lumo::QtUiSeam());
    return RUN_ALL_TESTS();
}
