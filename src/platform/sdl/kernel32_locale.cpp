// GetLocaleInfoA for the one item the game asks for, the English name of the
// user's language, taken from the POSIX locale (LC_ALL, LC_MESSAGES, LANG).
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "unsupported.h"

namespace {

struct Language {
  const char* code;
  const char* name;
};

constexpr Language kLanguages[] = {
    {"de", "German"},     {"en", "English"},   {"fr", "French"},    {"es", "Spanish"},
    {"it", "Italian"},    {"nl", "Dutch"},     {"pt", "Portuguese"}, {"sv", "Swedish"},
    {"da", "Danish"},     {"nb", "Norwegian"}, {"nn", "Norwegian"}, {"no", "Norwegian"},
    {"fi", "Finnish"},    {"pl", "Polish"},    {"cs", "Czech"},     {"sk", "Slovak"},
    {"hu", "Hungarian"},  {"ru", "Russian"},   {"uk", "Ukrainian"}, {"el", "Greek"},
    {"tr", "Turkish"},    {"ja", "Japanese"},  {"zh", "Chinese"},   {"ko", "Korean"},
    {"ro", "Romanian"},   {"hr", "Croatian"},  {"sl", "Slovenian"}, {"is", "Icelandic"},
    {"et", "Estonian"},   {"lv", "Latvian"},   {"lt", "Lithuanian"}, {"ca", "Catalan"},
    {"he", "Hebrew"},     {"ar", "Arabic"},
};

// The locale that decides the language of messages, as the C library picks it.
std::string MessagesLocale() {
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value && *value) return value;
  }
  return "C";
}

const char* EnglishLanguageName() {
  std::string locale = MessagesLocale();
  std::string code = locale.substr(0, locale.find_first_of("_.@"));
  for (char& c : code) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  for (const Language& language : kLanguages) {
    if (code == language.code) return language.name;
  }
  // "C", "POSIX" and languages without a name here: Windows' default.
  return "English";
}

}  // namespace

int GetLocaleInfoA(LCID Locale, LCTYPE LCType, LPSTR lpLCData, int cchData) {
  (void)Locale;  // the neutral, user and system locales are one here
  if (LCType != LOCALE_SENGLANGUAGE) VSK_UNSUPPORTED("GetLocaleInfoA item other than LOCALE_SENGLANGUAGE");
  const char* name = EnglishLanguageName();
  int needed = static_cast<int>(std::strlen(name)) + 1;
  if (cchData == 0) return needed;
  if (cchData < 0 || !lpLCData) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (cchData < needed) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  std::memcpy(lpLCData, name, static_cast<size_t>(needed));
  return needed;
}
