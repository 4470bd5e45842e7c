#include "widgets/qt_ui.h"

#include "widgets/title_width.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QPushButton>
#include <QSpacerItem>
#include <QMessageBox>
#include <QUrl>

namespace lumo {

namespace {

QMessageBox::Icon toQtIcon(MsgIcon icon)
{
    switch (icon) {
    case MsgIcon::Information: return QMessageBox::Information;
    case MsgIcon::Warning: return QMessageBox::Warning;
    case MsgIcon::Stop: return QMessageBox::Critical;
    case MsgIcon::Question: return QMessageBox::Question;
    case MsgIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

// Message boxes and the desktop through Qt.
class QtUi final : public UiSeam {
public:
    MsgResult showMessage(const Message& message) override
    {
        QMessageBox box(toQtIcon(message.icon), message.caption, message.text,
                        QMessageBox::NoButton, message.parent);
        if (message.buttons == MsgButtons::YesNo) {
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            box.setDefaultButton(QMessageBox::Yes);
            box.setEscapeButton(QMessageBox::No);
            // German captions whether or not a Qt translation is installed.
            box.button(QMessageBox::Yes)->setText(QCoreApplication::translate("lumo::UiSeam", "&Ja"));
            box.button(QMessageBox::No)->setText(QCoreApplication::translate("lumo::UiSeam", "&Nein"));
        } else {
            box.setStandardButtons(QMessageBox::Ok);
            box.setDefaultButton(QMessageBox::Ok);
        }
        box.setWindowModality(message.modality == Modality::Application || !message.parent
                                  ? Qt::ApplicationModal
                                  : Qt::WindowModal);
        // Plain text: a message never carries markup, and a "<" in a file
        // name must show as itself.
        box.setTextFormat(Qt::PlainText);
        // Short messages make narrow boxes whose caption the window manager
        // cuts; a spacer row keeps the box as wide as its caption needs.
        if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
            grid->addItem(new QSpacerItem(TitleWidth(&box), 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                          grid->rowCount(), 0, 1, grid->columnCount());
        const int result = box.exec();
        if (message.buttons == MsgButtons::YesNo)
            return result == QMessageBox::Yes ? MsgResult::Yes : MsgResult::No;
        return MsgResult::Ok;
    }

    bool openWithDesktop(const QString& path) override
    {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
    }

    QString chooseSaveFile(const QString& caption, const QString& suggestion, const QString& filter,
                           QWidget* parent) override
    {
        return QFileDialog::getSaveFileName(parent, caption, suggestion, filter, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    }
};

}  // namespace

UiSeam& QtUiSeam()
{
    static QtUi instance;
    return instance;
}

}  // namespace lumo
