#include "panel/about_dialog.h"

#include "lumo_version.h"
#include "core/language.h"
#include "widgets/trace_control.h"
#include "resources/resources.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace lumo {

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutDialog"));
    setWindowTitle(tr("Info über Mavik - Lumo 05"));
    setWindowIcon(AppIcon());

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("aboutIcon"));
    icon->setPixmap(AppIcon().pixmap(32, 32));
    icon->setAccessibleName(tr("Programmsymbol"));
    icon->setAlignment(Qt::AlignTop);

    auto* text = new QVBoxLayout;
    const QStringList lines = {
        QStringLiteral("Mavik_Lumo Version " LUMO_DISPLAY_VERSION),
        tr("Service-Programm für die Gasrückführungs-Steuerung Mavik-Gardo"),
        tr("Mavik Elektronik, Technischer Kundendienst"),
        tr("Bei Fragen wenden Sie sich bitte an Ihren Mavik-Servicepartner."),
        // The language in use, named in itself.
        tr("Sprache: %1").arg(LanguageName(CurrentLanguage())),
    };
    int n = 0;
    for (const QString& line : lines) {
        auto* label = new QLabel(line, this);
        label->setObjectName(QStringLiteral("aboutLine%1").arg(++n));
        text->addWidget(label);
    }
    // Where the serial line trace goes, if one is written.
    auto* trace = new QLabel(TraceControl::TargetText(), this);
    trace->setObjectName(QStringLiteral("aboutTrace"));
    trace->setTextInteractionFlags(Qt::TextSelectableByMouse);
    text->addWidget(trace);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setAccessibleName(QStringLiteral("OK"));
    ok->setProperty("controlId", kIdOk);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* top = new QHBoxLayout;
    top->addWidget(icon);
    top->addSpacing(12);
    top->addLayout(text, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace lumo
