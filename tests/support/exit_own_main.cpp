// A test program with a main() of its own that gets its QApplication from
// testApplication() and sends synthetic input: it must also exit with 0.
#include "support/recording_ui.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <cstdio>

int main()
{
    lumo::test::testApplication();
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
