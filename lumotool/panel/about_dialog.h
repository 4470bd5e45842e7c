// The about box: application icon, version line, the maker's contact
// details, the language in use, where the serial line trace goes, and "OK".
#pragma once

#include <QDialog>

namespace lumo {

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kIdOk = 1;

    explicit AboutDialog(QWidget* parent = nullptr);
};

}  // namespace lumo
