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
    return Currency{scaleDouble(d, Scale)};
}

std::int64_t scaleDouble(double d, int decimals)
{
    if (!std::isfinite(d))
        throw FbError(QStringLiteral("Ungültige Gleitkommazahl."));
    const double scaled = d * std::pow(10.0, decimals);
    // Beyond 2^63 the conversion would be undefined; the limit is checked before rounding.
    if (std::fabs(scaled) >= 9.2e18)
        overflow();
    // std::llround rounds half away from zero.
    return std::llround(scaled);
}

QString scaledText(std::int64_t value, int decimals)
{
    if (decimals <= 0)
        return QString::number(value);
    // Work in unsigned space so that the smallest int64 does not overflow when negated.
    const std::uint64_t magnitude =
        value < 0 ? std::uint64_t(0) - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    QString digits = QString::number(magnitude);
    while (digits.size() <= decimals)
        digits.prepend(QLatin1Char('0'));
    QString frac = digits.right(decimals);
    while (frac.endsWith(QLatin1Char('0')))
        frac.chop(1);
    QString text = (value < 0 ? QStringLiteral("-") : QString()) + digits.left(digits.size() - decimals);
    if (!frac.isEmpty())
        text += QLatin1Char('.') + frac;
    return text;
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

bool parseScaled(const QString& text, int decimals, std::int64_t& out)
{
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const qsizetype dot = t.indexOf(QLatin1Char('.'));
    if (dot < 0) {
        const qlonglong v = t.toLongLong(&ok);
        if (!ok)
            return false;
        out = rescale(v, 0, decimals);
        return true;
    }
    QString frac = t.mid(dot + 1);
    const QString whole = t.left(dot);
    for (QChar ch : frac)
        if (!ch.isDigit())
            return false;
    const int fracDigits = static_cast<int>(frac.size());
    const qlonglong digits = (whole.isEmpty() || whole == QLatin1String("-") || whole == QLatin1String("+")
                                  ? whole + QLatin1Char('0')
                                  : whole)
                                 .toLongLong(&ok);
    if (!ok || fracDigits > 18)
        return false;
    const bool negative = whole.startsWith(QLatin1Char('-'));
    const std::int64_t scaledWhole = rescale(digits, 0, fracDigits);
    const std::int64_t f = frac.isEmpty() ? 0 : frac.toLongLong(&ok);
    if (!ok)
        return false;
    out = rescale(negative ? scaledWhole - f : scaledWhole + f, fracDigits, decimals);
    return true;
}

} // namespace fb
