#pragma once
// SettingsText: the text conversions of the settings dialogs.
//  - DisplayText: bytes of unknown encoding (track names, file names) as display text: UTF-8 when
//    the bytes are valid UTF-8, else Latin-1, so every byte shows as some character.
//  - LeadingDecimal: the C library's atof rule in the "C" locale, whatever the user's locale:
//    leading blanks skipped, the longest valid decimal prefix read, 0 when there is none.
//  - LeadingInteger: the atoi rule (leading blanks, optional sign, the digits that follow, 0 when
//    there are none), saturated to the int range instead of overflowing.
//  - BeatsPerMinuteText: a beats-per-minute value with three decimals and a '.' point
//    ("%3.3f" in the "C" locale; 120 gives "120.000").

#include <QString>
#include <string>
#include <string_view>

namespace settings {

QString DisplayText(std::string_view bytes);
double LeadingDecimal(const std::string& text);
int LeadingInteger(std::string_view text);
QString BeatsPerMinuteText(double beatsPerMinute);

}  // namespace settings
