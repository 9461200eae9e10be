#include "vat/ProtocolText.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace {

class GermanLocale : public testing::Test
{
protected:
    void SetUp() override { QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany)); }
    void TearDown() override { QLocale::setDefault(QLocale::c()); }
};

struct RateCase
{
    double value;
    const char* text;
};

using RateFormat = GermanLocale;

TEST_F(RateFormat, RightAlignsInEightWithTwoDecimalsAndTheLocaleSeparator)
{
    const RateCase cases[] = {
        {7, "    7,00"},
        {19.5, "   19,50"},
        {100, "  100,00"},
        {0, "    0,00"},
        {-5, "   -5,00"},
        {1234567.891, "1234567,89"}, // wider than eight: grows, never cut
        {12345.6, "12345,60"},
        {0.005, "    0,01"}, // the binary value lies just above the half
        {2.675, "    2,67"}, // ... and here just below
        {0.125, "    0,13"}, // an exact half rounds away from zero, as the rate edit shows it
        {static_cast<float>(0.51), "    0,51"},
        {static_cast<float>(19.005), "   19,00"},
    };
    for (const RateCase& c : cases)
        EXPECT_EQ(data::FormatRate8_2(c.value), QString::fromUtf8(c.text)) << c.value;
}

TEST(RateFormatLocale, UsesTheSeparatorOfTheUsersLocale)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(data::FormatRate8_2(1234.5), QStringLiteral(" 1234.50")); // no group separator either
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(data::FormatRate8_2(1234.5), QStringLiteral(" 1234,50"));
    QLocale::setDefault(QLocale::c());
}

using GeneralRateText = GermanLocale;

TEST_F(GeneralRateText, LineAndHeadingReadExactly)
{
    struct LineCase
    {
        int slot;
        double oldRate, newRate;
        const char* line;
    };
    const LineCase cases[] = {
        {1, 7, 5, "Änderung Mwst Satz 1:     7,00 %--->     5,00 %"},
        {0, 19, 19.5, "Änderung Mwst Satz 0:    19,00 %--->    19,50 %"},
        {4, 0.5, static_cast<float>(0.51), "Änderung Mwst Satz 4:     0,50 %--->     0,51 %"},
        {3, 1234567.891, 0, "Änderung Mwst Satz 3: 1234567,89 %--->     0,00 %"},
    };
    for (const LineCase& c : cases)
        EXPECT_EQ(data::GeneralRateChangeLine(c.slot, c.oldRate, c.newRate), QString::fromUtf8(c.line))
            << c.slot;
    EXPECT_EQ(data::GeneralRateChangeHeading(), QString::fromUtf8("Änderung Mwst Sätze"));
}

using ArticleText = GermanLocale;

TEST_F(ArticleText, HeadingThenTheSidesThatChangeJoinedByCrLf)
{
    struct ArticleCase
    {
        bool inHouse, outOfHouse;
        const char* text;
    };
    const ArticleCase cases[] = {
        {true, false, "Artikel VK \"Pils 0,5\" geändert\r\nMwst Satz im Haus:     7,00 %--->    19,00 %"},
        {false, true, "Artikel VK \"Pils 0,5\" geändert\r\nMwst Satz außer Haus:    19,00 %--->     0,00 %"},
        {true, true,
         "Artikel VK \"Pils 0,5\" geändert\r\nMwst Satz im Haus:     7,00 %--->    19,00 %\r\n"
         "Mwst Satz außer Haus:    19,00 %--->     0,00 %"},
    };
    for (const ArticleCase& c : cases) {
        data::TArticleChange change;
        change.artikelbezeichnung = QStringLiteral("Pils 0,5");
        change.oldRateInHouse = 7;
        change.newRateInHouse = 19;
        change.oldRateOutOfHouse = 19;
        change.newRateOutOfHouse = 0;
        change.inHouseChanges = c.inHouse;
        change.outOfHouseChanges = c.outOfHouse;
        EXPECT_EQ(data::ArticleChangeText(change), QString::fromUtf8(c.text));
    }
}

TEST_F(ArticleText, ListRateHasNoGroupSeparator)
{
    EXPECT_EQ(data::FormatRatePercent(19), QStringLiteral("19,00 %"));
    EXPECT_EQ(data::FormatRatePercent(0), QStringLiteral("0,00 %"));
    EXPECT_EQ(data::FormatRatePercent(1234.5), QStringLiteral("1234,50 %"));
}

} // namespace
