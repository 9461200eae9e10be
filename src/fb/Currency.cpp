#include "fb/Currency.h"

#include "fb/FbError.h"

#include <cmath>
#include <limits>

namespace fb {

namespace {
constexpr std::int64_t pow10(int n)
{
    std::int64_t r = 1;
    while (n-- > 0)
        r *= 10;
    return r;
}

[[noreturn]] void overflow()
{
    throw FbError(QStringLiteral("Arithmetischer Überlauf: der Wert passt nicht in das Zahlenformat."));
}
} // namespace

Currency Currency::fromDouble(double d)
{
    if (!std::isfinite(d))
        throw FbError(QStringLiteral("Ungültige Gleitkommazahl."));
    const double scaled = d * One;
    // Beyond 2^63 the conversion would be undefined; the limit is checked before rounding.
    if (std::fabs(scaled) >= 9.2e18)
        overflow();
    // std::llround rounds half away from zero.
    return Currency{std::llround(scaled)};
}

QString Currency::toString() const
{
    const bool negative = value < 0;
    // Work in unsigned space so that the smallest int64 does not overflow when negated.
    const std::uint64_t magnitude =
        negative ? std::uint64_t(0) - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    const std::uint64_t whole = magnitude / One;
    const std::uint64_t frac = magnitude % One;
    return QStringLiteral("%1%2.%3")
        .arg(negative ? QStringLiteral("-") : QString())
        .arg(whole)
        .arg(frac, 4, 10, QLatin1Char('0'));
}

std::int64_t rescale(std::int64_t value, int fromScale, int toScale)
{
    if (fromScale == toScale)
        return value;
    if (toScale > fromScale) {
        const int diff = toScale - fromScale;
        if (diff > 18)
            overflow();
        const std::int64_t factor = pow10(diff);
        if (value > std::numeric_limits<std::int64_t>::max() / factor ||
            value < std::numeric_limits<std::int64_t>::min() / factor)
            overflow();
        return value * factor;
    }
    const int diff = fromScale - toScale;
    if (diff > 18)
        return 0;
    const std::int64_t factor = pow10(diff);
    std::int64_t q = value / factor;
    const std::int64_t r = value % factor;
    // Half away from zero: compare twice the remainder with the divisor without overflow.
    const std::int64_t absR = r < 0 ? -r : r;
    if (absR >= factor - absR)
        q += (value < 0 ? -1 : 1);
    return q;
}

} // namespace fb
