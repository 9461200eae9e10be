#pragma once

#include <QString>
#include <cstdint>

namespace fb {

// A fixed-point amount with four decimals, held as a 64-bit count of ten-thousandths.
// Rates and amounts cross the database boundary in this form so that no binary
// floating-point error creeps into a stored value.
struct Currency
{
    std::int64_t value = 0; // ten-thousandths

    static constexpr int Scale = 4;
    static constexpr std::int64_t One = 10000;

    // Rounds half away from zero to the nearest ten-thousandth; throws FbError when the
    // value is not finite or does not fit.
    static Currency fromDouble(double d);
    static constexpr Currency fromUnits(std::int64_t units) { return Currency{units}; }
    double toDouble() const { return static_cast<double>(value) / One; }

    friend bool operator==(Currency a, Currency b) { return a.value == b.value; }
    friend bool operator!=(Currency a, Currency b) { return a.value != b.value; }
};

// Rescales an integer of `fromScale` decimals to `toScale` decimals (scales are counts of
// decimals, 0 or more), rounding half away from zero; throws FbError on overflow.
std::int64_t rescale(std::int64_t value, int fromScale, int toScale);

// A double as an integer of `decimals` decimals, rounded half away from zero; throws
// FbError when the value is not finite or does not fit.
std::int64_t scaleDouble(double d, int decimals);

// Exact decimal text of an integer of `decimals` decimals, "." as separator, trailing zeros
// dropped: (190000, 4) gives "19", (-12345, 4) gives "-1.2345".
QString scaledText(std::int64_t value, int decimals);

// Reads decimal text ("," or "." as separator, blanks around allowed) as an integer of
// `decimals` decimals, rounding half away from zero; false when the text is no number.
bool parseScaled(const QString& text, int decimals, std::int64_t& out);

} // namespace fb
