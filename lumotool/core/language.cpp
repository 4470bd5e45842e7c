#include "core/language.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTranslator>

// The compiled catalogues sit in a resource file of the application
// library; registering it explicitly keeps the linker from dropping it.
static void initCatalogues()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(lumotool_i18n);
        return true;
    }();
    (void)done;
}

namespace lumo {

namespace {

Language g_current = Language::German;

QTranslator& translator()
{
    static QTranslator* t = new QTranslator;  // lives as long as the process
    return *t;
}

bool g_installed = false;

}  // namespace

Language LanguageForLocale(const QLocale& locale)
{
    switch (locale.language()) {
    case QLocale::C:
    case QLocale::AnyLanguage:
    case QLocale::German:
        return Language::German;
    default:
        return Language::English;
    }
}

Language SystemLanguage()
{
#ifdef _WIN32
    const QStringList ui = QLocale::system().uiLanguages();
    return LanguageForLocale(ui.isEmpty() ? QLocale::system() : QLocale(ui.constFirst()));
#else
    return LanguageForLocale(QLocale::system());
#endif
}

std::optional<Language> ParseLanguage(const QString& code)
{
    if (code.compare(QLatin1String("de"), Qt::CaseInsensitive) == 0) return Language::German;
    if (code.compare(QLatin1String("en"), Qt::CaseInsensitive) == 0) return Language::English;
    return std::nullopt;
}

QString LanguageCode(Language language)
{
    return language == Language::English ? QStringLiteral("en") : QStringLiteral("de");
}

QString LanguageName(Language language)
{
    return language == Language::English ? QStringLiteral("English") : QStringLiteral("Deutsch");
}

bool UseLanguage(Language language)
{
    if (g_installed) {
        QCoreApplication::removeTranslator(&translator());
        g_installed = false;
    }
    g_current = Language::German;
    if (language == Language::German) return true;
    initCatalogues();
    if (!translator().load(QStringLiteral(":/i18n/lumotool_%1.qm").arg(LanguageCode(language))))
        return false;
    g_installed = QCoreApplication::installTranslator(&translator());
    if (g_installed) g_current = language;
    return g_installed;
}

Language CurrentLanguage()
{
    return g_current;
}

QString Translated(const char* context, const QString& german)
{
    return QCoreApplication::translate(context, german.toUtf8().constData());
}

Language UseLanguageFor(const std::optional<Language>& option)
{
    UseLanguage(option.value_or(SystemLanguage()));
    return CurrentLanguage();
}

}  // namespace lumo
