#pragma once
// The user's number conventions: the decimal and digit-grouping separators
// that the rate parse and the result format follow.
#include <string>

#include "runtime/number.h"

namespace platform {

// The separators of the user's numeric locale. Linux: the first non-empty of
// LC_ALL, LC_NUMERIC and LANG, as the C library picks it. Windows: the user's
// default locale with the user's own changes (GetLocaleInfoEx).
rt::NumberLocale UserNumberLocale();

// The separators of a named locale. Windows takes its own names ("de-DE"; the
// empty name is the invariant locale, {'.', ','}); an unknown name gives
// {'.', ','}. Linux takes the C library's ("de_DE.UTF-8"): "C", "POSIX", "C.<codeset>"
// and the empty name give {'.', ','}: the C locale groups nothing, but taking the
// comma keeps grouped rate texts readable there. A locale that is not installed
// is guessed from its language; an unknown language gets {'.', ','}.
rt::NumberLocale NumberLocaleFromName(const std::string& localeName);

}  // namespace platform
