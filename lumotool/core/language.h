// The language of the user interface. German is the language the texts are
// written in; English comes from a translation catalogue compiled into the
// program. The desktop's locale chooses: German for German locales and for
// the plain C/POSIX locale (no language chosen: scripts, services, tests),
// English for any other named locale; the start option --language overrides.
#pragma once

#include <QLocale>
#include <QString>

#include <optional>

namespace lumo {

enum class Language { German, English };

// The language a locale chooses.
Language LanguageForLocale(const QLocale& locale);
// The language the desktop chooses: on Windows its display language, on
// other systems the messages locale (LC_ALL, LC_MESSAGES, LANG).
Language SystemLanguage();
// "de" or "en" (any case); nothing for another text.
std::optional<Language> ParseLanguage(const QString& code);
QString LanguageCode(Language language);
// The language's name in itself: "Deutsch", "English".
QString LanguageName(Language language);

// Makes the language the one in use: installs the English catalogue into
// the application (an application object must exist) or removes it again
// for German. Returns false, keeping German, when the catalogue cannot be
// loaded.
bool UseLanguage(Language language);
// The language in use (German until UseLanguage chose another).
Language CurrentLanguage();

// A text kept in a constant, marked for translation with
// QT_TRANSLATE_NOOP(context, ...), in the language in use.
QString Translated(const char* context, const QString& german);

// The option, if one was given, else the desktop's choice, put in use.
Language UseLanguageFor(const std::optional<Language>& option);

}  // namespace lumo
