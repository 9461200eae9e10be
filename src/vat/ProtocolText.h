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

} // namespace data
