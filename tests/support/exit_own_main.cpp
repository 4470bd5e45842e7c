// A test program with a main() of its own, set up the recommended way
// (prepared environment, QApplication on main()'s stack), that sends
// synthetic input: it must exit with 0, also under the sanitizers.
#include "support/recording_ui.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <cstdio>

int main(int argc, char** argv)
{
    lumo::test::prepareTestEnvironment();
    QApplication app(argc, argv);
    if (&lumo::test::testApplication() != &app) {
        std::fprintf(stderr, "testApplication() made a second application\n");
        return 4;
    }
    QLineEdit edit;
    edit.show();
    if (!QTest::qWaitForWindowExposed(&edit))
        return 2;
    QTest::keyClicks(&edit, QStringLiteral("COM1"));
    QTest::mouseClick(&edit, Qt::LeftButton);
    if (edit.text() != QStringLiteral("COM1")) {
        std::fprintf(stderr, "typed text did not arrive\n");
        return 3;
    }
    return 0;
}
