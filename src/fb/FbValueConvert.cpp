#include "fb/FbValueConvert.h"

#include "fb/FbError.h"
#include "win/Cp1252.h"

#include <firebird/Interface.h>

#include <cmath>
#include <cstring>

namespace fb::detail {

namespace {

std::int64_t checkedRange(std::int64_t v, std::int64_t lo, std::int64_t hi)
{
    if (v < lo || v > hi)
        throw FbError(
            QStringLiteral("Arithmetischer Überlauf: der Wert %1 passt nicht in den Parameter.").arg(v));
    return v;
}

template <class T> void store(unsigned char* dst, T v)
{
    std::memcpy(dst, &v, sizeof v);
}

// Message buffers carry no alignment guarantee for their fields.
template <class T> T load(const unsigned char* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

void setExact(Cell& cell, std::int64_t v, int scale)
{
    cell.kind = Cell::Exact;
    cell.exact = v;
    cell.decimals = -scale;
}

void setApprox(Cell& cell, double v)
{
    cell.kind = Cell::Approx;
    cell.approx = v;
}

// Firebird counts days from 1858-11-17, the start of the modified Julian day.
QDate toQDate(std::int32_t days)
{
    return QDate::fromJulianDay(static_cast<qint64>(days) + 2400001);
}

QTime toQTime(std::uint32_t fractions)
{
    // Ten-thousandths of a second since midnight.
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(fractions / 10));
}

[[noreturn]] void notANumber(const QString& field)
{
    conversionError(QStringLiteral("Feld %1 ist keine Zahl").arg(field));
}

} // namespace

void conversionError(const QString& what)
{
    throw FbError(QStringLiteral("Konvertierungsfehler: %1").arg(what));
}

// ---------------------------------------------------------------------------------------

bool isTextLike(unsigned type)
{
    switch (type) {
    case SQL_TEXT:
    case SQL_VARYING:
    case SQL_TYPE_DATE:
    case SQL_TYPE_TIME:
    case SQL_TIMESTAMP:
    case SQL_BLOB:
    case SQL_NULL:
        return true;
    default:
        return false;
    }
}

bool sendsAsText(const FbParam& p, unsigned describedType)
{
    return p.kind() == FbParam::Kind::String || (!p.IsNull() && isTextLike(describedType));
}

QByteArray paramText(const FbParam& p)
{
    switch (p.kind()) {
    case FbParam::Kind::String:
        return p.bytes();
    case FbParam::Kind::Integer:
        return QByteArray::number(static_cast<qlonglong>(p.integer()));
    case FbParam::Kind::Currency:
        return scaledText(p.integer(), Currency::Scale).toLatin1();
    case FbParam::Kind::Float:
        return QByteArray::number(p.number(), 'g', 17);
    case FbParam::Kind::Date:
        return QDate::fromJulianDay(p.integer()).toString(Qt::ISODate).toLatin1();
    case FbParam::Kind::Null:
        break;
    }
    return {};
}

void writeNumber(const FbParam& p, unsigned type, int scale, unsigned char* dst)
{
    const int decimals = -scale;
    auto exact = [&]() -> std::int64_t {
        switch (p.kind()) {
        case FbParam::Kind::Integer:
            return rescale(p.integer(), 0, decimals);
        case FbParam::Kind::Currency:
            return rescale(p.integer(), Currency::Scale, decimals);
        case FbParam::Kind::Float:
            return scaleDouble(p.number(), decimals);
        default:
            conversionError(QStringLiteral("kein Zahlenwert"));
        }
    };
    auto approx = [&]() -> double {
        switch (p.kind()) {
        case FbParam::Kind::Integer:
            return static_cast<double>(p.integer());
        case FbParam::Kind::Currency:
            return Currency{p.integer()}.toDouble();
        case FbParam::Kind::Float:
            return p.number();
        default:
            conversionError(QStringLiteral("kein Zahlenwert"));
        }
    };
    switch (type) {
    case SQL_SHORT:
        store(dst, static_cast<std::int16_t>(checkedRange(exact(), INT16_MIN, INT16_MAX)));
        break;
    case SQL_LONG:
        store(dst, static_cast<std::int32_t>(checkedRange(exact(), INT32_MIN, INT32_MAX)));
        break;
    case SQL_INT64:
        store(dst, exact());
        break;
    case SQL_FLOAT:
        store(dst, static_cast<float>(approx()));
        break;
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        store(dst, approx());
        break;
    case SQL_BOOLEAN:
        *dst = approx() != 0 ? 1 : 0;
        break;
    default:
        conversionError(QStringLiteral("Parametertyp %1 wird nicht unterstützt").arg(type));
    }
}

// ---------------------------------------------------------------------------------------

Cell readCell(const unsigned char* row, const FbColumn& c)
{
    Cell cell;
    if (!row || load<std::int16_t>(row + c.nullOffset) != 0)
        return cell;
    const unsigned char* p = row + c.offset;
    switch (c.type) {
    case SQL_TEXT: {
        QByteArray t(reinterpret_cast<const char*>(p), static_cast<qsizetype>(c.length));
        // Fixed-length text comes padded with blanks; the padding is not part of the value.
        while (!t.isEmpty() && t.back() == ' ')
            t.chop(1);
        cell.kind = Cell::Text;
        cell.text = t;
        break;
    }
    case SQL_VARYING:
        cell.kind = Cell::Text;
        cell.text = QByteArray(reinterpret_cast<const char*>(p + 2), load<std::uint16_t>(p));
        break;
    case SQL_SHORT:
        setExact(cell, load<std::int16_t>(p), c.scale);
        break;
    case SQL_LONG:
        setExact(cell, load<std::int32_t>(p), c.scale);
        break;
    case SQL_INT64:
        setExact(cell, load<std::int64_t>(p), c.scale);
        break;
    case SQL_FLOAT:
        setApprox(cell, load<float>(p));
        break;
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        setApprox(cell, load<double>(p));
        break;
    case SQL_TYPE_DATE:
        cell.kind = Cell::Date;
        cell.date = load<std::int32_t>(p);
        break;
    case SQL_TYPE_TIME:
        cell.kind = Cell::Time;
        cell.time = load<std::uint32_t>(p);
        break;
    case SQL_TIMESTAMP:
        cell.kind = Cell::Timestamp;
        cell.date = load<std::int32_t>(p);
        cell.time = load<std::uint32_t>(p + 4);
        break;
    case SQL_BOOLEAN:
        cell.kind = Cell::Bool;
        cell.exact = *p ? 1 : 0;
        break;
    default:
        throw FbError(QStringLiteral("Feldtyp %1 wird nicht unterstützt.").arg(c.type));
    }
    return cell;
}

QString cellString(const Cell& c)
{
    switch (c.kind) {
    case Cell::Null:
        return {};
    case Cell::Text:
        return win::fromWindows1252(c.text);
    case Cell::Exact:
        return scaledText(c.exact, c.decimals);
    case Cell::Approx:
        return QString::number(c.approx, 'g', 15);
    case Cell::Date:
        return toQDate(c.date).toString(Qt::ISODate);
    case Cell::Time:
        return toQTime(c.time).toString(Qt::ISODate);
    case Cell::Timestamp:
        return QDateTime(toQDate(c.date), toQTime(c.time)).toString(Qt::ISODate);
    case Cell::Bool:
        return c.exact ? QStringLiteral("True") : QStringLiteral("False");
    }
    return {};
}

std::int64_t cellInt64(const Cell& c, const QString& field)
{
    switch (c.kind) {
    case Cell::Null:
        return 0;
    case Cell::Exact:
    case Cell::Bool:
        return c.decimals > 0 ? rescale(c.exact, c.decimals, 0) : c.exact;
    case Cell::Approx:
        if (!std::isfinite(c.approx) || std::fabs(c.approx) >= 9.2e18)
            conversionError(QStringLiteral("%1 ist keine gültige Ganzzahl").arg(c.approx));
        return std::llround(c.approx);
    case Cell::Text: {
        bool ok = false;
        const qlonglong v = win::fromWindows1252(c.text).trimmed().toLongLong(&ok);
        if (!ok)
            conversionError(
                QStringLiteral("'%1' ist keine gültige Ganzzahl").arg(win::fromWindows1252(c.text)));
        return v;
    }
    default:
        notANumber(field);
    }
}

std::int32_t cellInt32(const Cell& c, const QString& field)
{
    return static_cast<std::int32_t>(checkedRange(cellInt64(c, field), INT32_MIN, INT32_MAX));
}

double cellFloat(const Cell& c, const QString& field)
{
    switch (c.kind) {
    case Cell::Null:
        return 0;
    case Cell::Exact:
    case Cell::Bool:
        return static_cast<double>(c.exact) / std::pow(10.0, c.decimals);
    case Cell::Approx:
        return c.approx;
    case Cell::Text: {
        QString t = win::fromWindows1252(c.text).trimmed();
        t.replace(QLatin1Char(','), QLatin1Char('.'));
        bool ok = false;
        const double v = t.toDouble(&ok);
        if (!ok)
            conversionError(QStringLiteral("'%1' ist keine gültige Gleitkommazahl").arg(t));
        return v;
    }
    default:
        notANumber(field);
    }
}

Currency cellCurrency(const Cell& c, const QString& field)
{
    switch (c.kind) {
    case Cell::Null:
        return {};
    case Cell::Exact:
    case Cell::Bool:
        return Currency{rescale(c.exact, c.decimals, Currency::Scale)};
    case Cell::Approx:
        return Currency::fromDouble(c.approx);
    case Cell::Text: {
        std::int64_t v = 0;
        if (!parseScaled(win::fromWindows1252(c.text), Currency::Scale, v))
            conversionError(
                QStringLiteral("'%1' ist kein gültiger Betrag").arg(win::fromWindows1252(c.text)));
        return Currency{v};
    }
    default:
        notANumber(field);
    }
}

QDateTime cellDateTime(const Cell& c, const QString& field)
{
    switch (c.kind) {
    case Cell::Null:
        return {};
    case Cell::Date:
        return QDateTime(toQDate(c.date), QTime(0, 0));
    case Cell::Timestamp:
        return QDateTime(toQDate(c.date), toQTime(c.time));
    case Cell::Text: {
        const QString t = win::fromWindows1252(c.text).trimmed();
        QDateTime d = QDateTime::fromString(t, Qt::ISODate);
        if (!d.isValid())
            d = QDateTime(QDate::fromString(t, Qt::ISODate), QTime(0, 0));
        if (!d.isValid())
            conversionError(QStringLiteral("'%1' ist kein gültiges Datum").arg(t));
        return d;
    }
    default:
        conversionError(QStringLiteral("Feld %1 ist kein Datum").arg(field));
    }
}

} // namespace fb::detail
