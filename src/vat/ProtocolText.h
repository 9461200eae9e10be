#pragma once

#include <QString>

namespace data {

// A rate as C's "%8.2f" prints it (right-aligned in eight characters, two decimals), but
// with the decimal separator of the user's locale, as the protocol texts show rates.
QString FormatRate8_2(double value);

// "Änderung Mwst Satz n:     7,00 %--->     5,00 %"
QString GeneralRateChangeLine(int slot, double oldRate, double newRate);

// Heading of a general rate change entry.
QString GeneralRateChangeHeading();

// A rate as lists and lookup boxes show it: two decimals, the locale's separator, " %"
// ("19,00 %"); no thousands separator.
QString FormatRatePercent(double value);

// The entry of one article moved to another slot pair: the heading line, then the in-house
// line and the out-of-house line for the sides that change, joined by CR LF.
struct TArticleChange
{
    QString artikelbezeichnung;
    double oldRateInHouse = 0;
    double newRateInHouse = 0;
    double oldRateOutOfHouse = 0;
    double newRateOutOfHouse = 0;
    bool inHouseChanges = false;
    bool outOfHouseChanges = false;
};
QString ArticleChangeText(const TArticleChange& change);

} // namespace data
