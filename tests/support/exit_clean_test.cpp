// A GUI test program must end with exit code 0 after key and mouse events:
// the devices Qt makes up for synthetic input have to go before the
// application does. ctest runs this program whole, so a crash at exit fails.
#include "support/recording_ui.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

TEST(ExitClean, KeyAndMouseEventsReachWidgets)
{
    QDialog dialog;
    auto* edit = new QLineEdit(&dialog);
    auto* box = new QCheckBox(QStringLiteral("Box"), &dialog);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(edit);
    layout->addWidget(box);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    edit->setFocus();

    QTest::keyClicks(edit, QStringLiteral("Lumo05"));
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), QStringLiteral("Lumo0"));
    // On the indicator: the box is wider than its caption.
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    EXPECT_TRUE(box->isChecked());
    QTest::keyClick(box, Qt::Key_Space);
    EXPECT_FALSE(box->isChecked());
}

TEST(ExitClean, DialogEndsThroughKeyInsideExec)
{
    QDialog dialog;
    auto* ok = new QPushButton(QStringLiteral("OK"), &dialog);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
    const int result = lumo::test::execWith(dialog, [](QDialog& d) {
        QTest::keyClick(&d, Qt::Key_Return);
    });
    EXPECT_EQ(result, QDialog::Accepted);
}

}  // namespace
