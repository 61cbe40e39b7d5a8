#include "settings/SettingsText.h"

#include <locale.h>
#include <QStringDecoder>
#include <cctype>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace settings {

namespace {

// The "C" locale, made once for the whole run.
locale_t ClassicLocale() {
    static const locale_t classic = newlocale(LC_ALL_MASK, "C", locale_t{});
    return classic;
}

}  // namespace

QString DisplayText(std::string_view bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!utf8.hasError()) return text;
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

double LeadingDecimal(const std::string& text) {
    return strtod_l(text.c_str(), nullptr, ClassicLocale());
}

int LeadingInteger(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
        ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    long long value = 0;
    constexpr long long kLimit = static_cast<long long>(std::numeric_limits<int>::max()) + 1;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        value = value * 10 + (text[at] - '0');
        if (value > kLimit) value = kLimit;
    }
    if (negative) return static_cast<int>(-value);
    return static_cast<int>(
        value > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max() : value);
}

QString BeatsPerMinuteText(double beatsPerMinute) {
    // QString::number always uses the "C" conventions; pad to the three-character minimum.
    return QString::number(beatsPerMinute, 'f', 3).rightJustified(3, QLatin1Char(' '));
}

}  // namespace settings
