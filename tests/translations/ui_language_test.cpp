// The language of the user interface: what the desktop's locale and the
// start options choose, and that every window shows its texts in the
// language chosen. ctest runs this program under several locales and tells
// it in LUMO_EXPECT_LANGUAGE ("de" or "en") what the locale must choose.
#include "core/device_link.h"
#include "core/language.h"
#include "widgets/login_dialog.h"
#include "widgets/title_width.h"
#include "widgets/trace_control.h"
#include "core/ui_seam.h"
#include "counters/counter_dialog.h"
#include "logs/side_select_dialog.h"
#include "logs/wait_dialog.h"
#include "panel/about_dialog.h"
#include "panel/error_time_dialog.h"
#include "panel/main_dialog.h"
#include "panel/port_dialog.h"
#include "refuellings/refuelling_dialog.h"
#include "resources/resources.h"
#include "start_options.h"
#include "station/diagnosis_dialog.h"
#include "station/pump_param_dialog.h"
#include "support/recording_ui.h"
#include "support/sim_link.h"

#include <serlink.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QProcess>
#include <QRegularExpression>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace lumo {
namespace {

Language expectedLanguage()
{
    const std::optional<Language> l = ParseLanguage(qEnvironmentVariable("LUMO_EXPECT_LANGUAGE"));
    if (!l) ADD_FAILURE() << "LUMO_EXPECT_LANGUAGE is not de or en";
    return l.value_or(Language::German);
}

// Every window of the program, made as the program makes it (only
// constructed: no controller is needed for their texts).
struct Window {
    const char* name;
    std::function<std::unique_ptr<QDialog>()> make;
    QString german;   // its title
    QString english;
};

std::vector<Window> windows()
{
    return {
        {"LoginDialog", [] { return std::make_unique<LoginDialog>(); },
         QStringLiteral("Mavik - Lumo 05    Anmeldung"), QStringLiteral("Mavik - Lumo 05    Login")},
        {"PortDialog", [] { return std::make_unique<PortDialog>(); },
         QStringLiteral("Mavik - Lumo 05   Schnittstelle"), QStringLiteral("Mavik - Lumo 05   Port")},
        {"MainDialog", [] { return std::make_unique<MainDialog>(); }, QStringLiteral("Mavik - Lumo 05"),
         QStringLiteral("Mavik - Lumo 05")},
        {"AboutDialog", [] { return std::make_unique<AboutDialog>(); },
         QStringLiteral("Info über Mavik - Lumo 05"), QStringLiteral("About Mavik - Lumo 05")},
        {"ErrorTimeDialog", [] { return std::make_unique<ErrorTimeDialog>(12, 34, Side::Left); },
         QStringLiteral("Mavik - Lumo 05  Fehlerzeit"), QStringLiteral("Mavik - Lumo 05  Error Time")},
        {"CounterDialog", [] { return std::make_unique<CounterDialog>(); },
         QStringLiteral("Mavik - Lumo 05     Anzeige Zählerstände"),
         QStringLiteral("Mavik - Lumo 05     Counter Readings")},
        {"PumpParamDialog", [] { return std::make_unique<PumpParamDialog>(); },
         QStringLiteral("Mavik - Lumo 05     Anzeige Säulenparameter"),
         QStringLiteral("Mavik - Lumo 05     Dispenser Parameters")},
        {"DiagnosisDialog", [] { return std::make_unique<DiagnosisDialog>(QString()); },
         QStringLiteral("Mavik - Lumo 05     Diagnose"), QStringLiteral("Mavik - Lumo 05     Diagnosis")},
        {"WaitDialog", [] { return std::make_unique<WaitDialog>(); }, QStringLiteral("Bitte Warten ..."),
         QStringLiteral("Please Wait ...")},
        {"SideSelectDialog", [] { return std::make_unique<SideSelectDialog>(); },
         QStringLiteral("Mavik - Lumo 05     Seitenauswahl"),
         QStringLiteral("Mavik - Lumo 05     Side Selection")},
        {"RefuellingDialog", [] { return std::make_unique<RefuellingDialog>(); },
         QStringLiteral("Mavik - Lumo 05     Betankungen"), QStringLiteral("Mavik - Lumo 05     Refuellings")},
    };
}

// Every text a window shows or names, each under a key that is the same in
// both languages (the widget's place among the window's children and what
// the text is).
QList<QPair<QString, QString>> textsOf(QDialog& window)
{
    QList<QPair<QString, QString>> out;
    out.append({QStringLiteral("title"), window.windowTitle()});
    int n = 0;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        const QString key = QStringLiteral("%1#%2 %3 ").arg(++n).arg(QString::fromLatin1(w->metaObject()->className()),
                                                                      w->objectName());
        if (!w->accessibleName().isEmpty()) out.append({key + QStringLiteral("name"), w->accessibleName()});
        if (!w->toolTip().isEmpty()) out.append({key + QStringLiteral("tip"), w->toolTip()});
        if (auto* l = qobject_cast<QLabel*>(w); l && !l->text().isEmpty())
            out.append({key + QStringLiteral("text"), l->text()});
        if (auto* b = qobject_cast<QAbstractButton*>(w); b && !b->text().isEmpty())
            out.append({key + QStringLiteral("text"), b->text()});
        if (auto* g = qobject_cast<QGroupBox*>(w); g && !g->title().isEmpty())
            out.append({key + QStringLiteral("title"), g->title()});
        if (auto* c = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < c->count(); ++i) out.append({key + QStringLiteral("item%1").arg(i), c->itemText(i)});
        if (auto* t = qobject_cast<QTableWidget*>(w))
            for (int i = 0; i < t->columnCount(); ++i)
                out.append({key + QStringLiteral("column%1").arg(i), t->horizontalHeaderItem(i)->text()});
    }
    return out;
}

// Texts that read the same in both languages: names, units, numbers.
bool sameInBothLanguages(const QString& text)
{
    static const QStringList same = {QStringLiteral("OK"), QStringLiteral("Gas:"), QStringLiteral("HH:MM"),
                                     QStringLiteral("Mavik - Lumo 05"), QStringLiteral("ml"),
                                     QStringLiteral("l/min"), QStringLiteral(" l"), QStringLiteral("Gas ml")};
    static const QRegularExpression noWord(QStringLiteral("^[^A-Za-zÄÖÜäöüß]*$"));
    // The outputs' short names are those of the log files' columns.
    const bool outputName = std::find_if(std::begin(kOutputNames), std::end(kOutputNames), [&](const char* name) {
                                return text == QLatin1String(name);
                            }) != std::end(kOutputNames);
    return same.contains(text) || outputName || noWord.match(text).hasMatch() ||
           text.startsWith(QLatin1String("Mavik_Lumo Version "));
}

class UiLanguage : public ::testing::Test {
protected:
    void TearDown() override { UseLanguageFor(std::nullopt); }
    test::RecordingUi ui_;
};

TEST_F(UiLanguage, TheDesktopLocaleChoosesTheLanguage)
{
    const Language expected = expectedLanguage();
    EXPECT_EQ(SystemLanguage(), expected) << "LANG=" << qgetenv("LANG").constData()
                                          << " LC_MESSAGES=" << qgetenv("LC_MESSAGES").constData()
                                          << " LC_ALL=" << qgetenv("LC_ALL").constData();
    EXPECT_EQ(UseLanguageFor(std::nullopt), expected);
    EXPECT_EQ(CurrentLanguage(), expected);
    // The start option wins over the desktop, both ways.
    EXPECT_EQ(UseLanguageFor(Language::English), Language::English);
    EXPECT_EQ(DeviceLink::CommErrorCaption(), QStringLiteral("Communication error"));
    EXPECT_EQ(UseLanguageFor(Language::German), Language::German);
    EXPECT_EQ(DeviceLink::CommErrorCaption(), QStringLiteral("Kommunikations-Fehler"));
}

TEST_F(UiLanguage, LanguageStartOptionOfTheProgramAndOfGardoctl)
{
    EXPECT_EQ(parseStartOptions({"lumotool", "--language", "en"}).language, Language::English);
    EXPECT_EQ(parseStartOptions({"lumotool", "--language=DE"}).language, Language::German);
    EXPECT_EQ(parseStartOptions({"lumotool"}).language, std::nullopt);
    const StartOptions both = parseStartOptions({"lumotool", "--language", "en", "-platform", "offscreen"});
    EXPECT_TRUE(both.error.isEmpty());
    EXPECT_EQ(both.qtArguments, (QStringList{"lumotool", "-platform", "offscreen"}));
    for (const QStringList& wrong : {QStringList{"lumotool", "--language", "fr"}, QStringList{"lumotool", "--language"},
                                     QStringList{"lumotool", "--language="}}) {
        const StartOptions o = parseStartOptions(wrong);
        EXPECT_FALSE(o.error.isEmpty()) << wrong.join(' ').toStdString();
    }
    EXPECT_TRUE(usageText(QStringLiteral("lumotool")).contains(QLatin1String("--language de|en")));

    // gardoctl: a port that cannot be opened, the message in the language
    // asked for, the desktop's without the option; a wrong language is a
    // usage error.
    auto run = [](const QStringList& args, int* exitCode) {
        QProcess p;
        p.start(QStringLiteral(GARDOCTL_PATH), args);
        EXPECT_TRUE(p.waitForFinished(60000));
        *exitCode = p.exitCode();
        return QString::fromLocal8Bit(p.readAllStandardError());
    };
    const QStringList missing = {"--port", "/nonexistent/lumo-port", "--wait", "100", "ident"};
    int code = 0;
    const QString english = run(QStringList{"--language", "en"} + missing, &code);
    EXPECT_EQ(code, 3) << english.toStdString();
    EXPECT_TRUE(english.contains(QLatin1String("does not exist. System message: ")) &&
                !english.contains(QLatin1String("Systemmeldung")))
        << english.toStdString();
    const QString german = run(QStringList{"--language", "de"} + missing, &code);
    EXPECT_TRUE(german.contains(QStringLiteral("ist nicht vorhanden. Systemmeldung: "))) << german.toStdString();
    const QString desktop = run(missing, &code);
    EXPECT_EQ(desktop, expectedLanguage() == Language::English ? english : german);
    run(QStringList{"--language", "fr"} + missing, &code);
    EXPECT_EQ(code, 2);
}

// The acceptance: under LANG=en_US.UTF-8 the windows and the messages are
// English, under LANG=de_DE.UTF-8 exactly the German ones.
TEST_F(UiLanguage, WindowsAndMessagesInTheDesktopsLanguage)
{
    const Language language = UseLanguageFor(std::nullopt);
    ASSERT_EQ(language, expectedLanguage());
    const bool en = language == Language::English;
    for (const Window& w : windows()) {
        std::unique_ptr<QDialog> d = w.make();
        EXPECT_EQ(d->windowTitle(), en ? w.english : w.german) << w.name;
    }
    {
        MainDialog main;
        auto caption = [&](int id) {
            QWidget* c = test::byId(&main, id);
            return c ? c->accessibleName() : QString();
        };
        EXPECT_EQ(caption(MainDialog::kIdCounterLeft),
                  en ? QStringLiteral("Error counter, left dispenser side") : QStringLiteral("Fehlerzähler linke Zapfsäule"));
        EXPECT_EQ(qobject_cast<QAbstractButton*>(test::byId(&main, MainDialog::kIdOk))->text(),
                  en ? QStringLiteral("Quit") : QStringLiteral("Beenden"));
        EXPECT_EQ(qobject_cast<QComboBox*>(test::byId(&main, MainDialog::kIdWeekday))->itemText(3),
                  en ? QStringLiteral("Thu") : QStringLiteral("Do"));
    }
    {
        AboutDialog about;
        QStringList lines;
        for (QLabel* l : about.findChildren<QLabel*>()) lines << l->text();
        EXPECT_TRUE(lines.contains(en ? QStringLiteral("Language: English") : QStringLiteral("Sprache: Deutsch")))
            << lines.join(" | ").toStdString();
    }
    EXPECT_EQ(ResourceString(kStringAboutBox),
              en ? QStringLiteral("&About Mavik_Gardo...") : QStringLiteral("Inf&o über Mavik_Gardo..."));

    DeviceLink::ShowCommError(SERLINK_E_READ_TIMEOUT);
    ASSERT_EQ(ui_.count(), 1u);
    EXPECT_EQ(ui_.last().caption, en ? QStringLiteral("Communication error") : QStringLiteral("Kommunikations-Fehler"));
    EXPECT_EQ(ui_.last().text, en ? QStringLiteral("Timeout: no character received!")
                                  : QStringLiteral("Timeout-Fehler, es wurde kein Zeichen empfangen!"));
    ui_.queueAnswer(false);
    askYesNo(QStringLiteral("?"));
    EXPECT_EQ(ui_.last().caption, en ? QStringLiteral("Mavik_Lumo 05 - Question") : QStringLiteral("Mavik_Lumo 05 - Abfrage"));
}

// Nothing German is left in the English windows: every text either has an
// English text of its own or reads the same in both languages.
TEST_F(UiLanguage, EveryTextOfEveryWindowHasItsEnglishText)
{
    for (const Window& w : windows()) {
        ASSERT_TRUE(UseLanguage(Language::German));
        std::unique_ptr<QDialog> german = w.make();
        ASSERT_TRUE(UseLanguage(Language::English));
        std::unique_ptr<QDialog> english = w.make();
        const auto de = textsOf(*german);
        const auto en = textsOf(*english);
        ASSERT_EQ(de.size(), en.size()) << w.name;
        for (qsizetype i = 0; i < de.size(); ++i) {
            ASSERT_EQ(de[i].first, en[i].first) << w.name;
            if (de[i].second == en[i].second)
                EXPECT_TRUE(sameInBothLanguages(en[i].second))
                    << w.name << " " << en[i].first.toStdString() << ": still German: " << en[i].second.toStdString();
            EXPECT_FALSE(en[i].second.contains(QRegularExpression(QStringLiteral("[ÄÖÜäöüß„]"))))
                << w.name << " " << en[i].first.toStdString() << ": " << en[i].second.toStdString();
        }
    }
    const QStringList trace = {TraceControl::TargetText(), TraceControl::ActionText()};
    for (const QString& t : trace) EXPECT_TRUE(t.startsWith(QLatin1String("Serial line trace")) || t.startsWith(QLatin1String("Start serial"))) << t.toStdString();
}

// The longer English texts fit: no label, button or group title is cut,
// and the window is wide enough for its title (the window manager shortens
// a title that does not fit).
TEST_F(UiLanguage, EnglishTextsFitTheirControls)
{
    for (Language language : {Language::English, Language::German}) {
        ASSERT_TRUE(UseLanguage(language));
        for (const Window& w : windows()) {
            std::unique_ptr<QDialog> d = w.make();
            d->show();
            QApplication::processEvents();
            const std::string where = std::string(w.name) + (language == Language::English ? " (en)" : " (de)");
            // Room for the whole title in the title bar.
            EXPECT_GE(d->width(), TitleWidth(d.get())) << where << " title \"" << d->windowTitle().toStdString() << "\"";
            for (QWidget* c : d->findChildren<QWidget*>()) {
                if (!c->isVisibleTo(d.get())) continue;
                auto* label = qobject_cast<QLabel*>(c);
                if (label && label->wordWrap()) continue;
                if (label || qobject_cast<QAbstractButton*>(c)) {
                    EXPECT_GE(c->width(), c->sizeHint().width())
                        << where << " " << c->objectName().toStdString() << " \""
                        << (label ? label->text() : qobject_cast<QAbstractButton*>(c)->text()).toStdString() << "\"";
                }
                if (auto* g = qobject_cast<QGroupBox*>(c)) {
                    EXPECT_GE(g->width(), g->fontMetrics().horizontalAdvance(g->title()) + 8)
                        << where << " group \"" << g->title().toStdString() << "\"";
                }
            }
            d->hide();
        }
    }
}

}  // namespace
}  // namespace lumo
