// The text conversions of the settings dialogs: names of any encoding, and the C library's number
// rules independent of the user's locale.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "settings/SettingsText.h"

namespace {

TEST(SettingsText, NamesShowAsUtf8WhenValidElseAsLatin1) {
    EXPECT_EQ(settings::DisplayText("Bass"), "Bass");
    EXPECT_EQ(settings::DisplayText(""), "");
    EXPECT_EQ(settings::DisplayText("Caf\xc3\xa9"), QString::fromUtf8("Caf\xc3\xa9"));
    EXPECT_EQ(settings::DisplayText("\xe2\x82\xac 5"), QString::fromUtf8("\xe2\x82\xac 5"));
    // Latin-1: every byte becomes the character of the same number.
    EXPECT_EQ(settings::DisplayText("Caf\xe9"), QString::fromUtf8("Caf\xc3\xa9"));
    for (const char* broken : {"\xc0\xaf", "\xed\xa0\x80", "ab\xe2\x82", "\xff\xfe", "\x80"}) {
        const QString shown = settings::DisplayText(broken);
        ASSERT_EQ(shown.size(), static_cast<qsizetype>(std::strlen(broken))) << broken;
        for (qsizetype i = 0; i < shown.size(); ++i)
            EXPECT_EQ(shown[i].unicode(), static_cast<unsigned char>(broken[i]));
    }
}

TEST(SettingsText, LeadingIntegerFollowsAtoiWithoutOverflow) {
    EXPECT_EQ(settings::LeadingInteger("96"), 96);
    EXPECT_EQ(settings::LeadingInteger("  +12ab"), 12);
    EXPECT_EQ(settings::LeadingInteger("-7"), -7);
    EXPECT_EQ(settings::LeadingInteger(""), 0);
    EXPECT_EQ(settings::LeadingInteger("abc"), 0);
    EXPECT_EQ(settings::LeadingInteger("- 5"), 0);
    EXPECT_EQ(settings::LeadingInteger("99999999999999999999"), std::numeric_limits<int>::max());
    EXPECT_EQ(settings::LeadingInteger("-2147483648"), std::numeric_limits<int>::min());
    EXPECT_EQ(settings::LeadingInteger("-99999999999999999999"), std::numeric_limits<int>::min());
}

TEST(SettingsText, NumbersUseThePointWhateverTheLocale) {
    EXPECT_EQ(settings::LeadingDecimal("90,5"), 90.0);
    EXPECT_EQ(settings::LeadingDecimal("1e2x"), 100.0);
    EXPECT_EQ(settings::BeatsPerMinuteText(60000000.0 / 615384), "97.500");
}

}  // namespace
