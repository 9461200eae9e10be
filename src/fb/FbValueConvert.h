#pragma once

// Internal to the client layer: values between the host's types and the fields of a
// Firebird message, in both directions.

#include "fb/Currency.h"
#include "fb/FbParam.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <cstdint>

namespace fb {

// Where one column of a fetched row lies in the output message.
struct FbColumn
{
    QString alias; // upper-case as delivered
    unsigned type = 0;
    int scale = 0;
    unsigned length = 0;
    unsigned offset = 0;
    unsigned nullOffset = 0;
};

namespace detail {

// The type code without its nullable flag.
constexpr unsigned baseType(unsigned t)
{
    return t & ~1u;
}

[[noreturn]] void conversionError(const QString& what);

// ---- parameter value -> server type

// True when the value travels as text and the server converts it to the parameter's type:
// text always, and any value for a parameter of a text, date, time or blob type.
bool sendsAsText(const FbParam& p, unsigned describedType);
// True for the types whose values are given as text.
bool isTextLike(unsigned type);
// The value as text for the server (Windows-1252 bytes, numbers and dates in a form the
// server reads back without loss).
QByteArray paramText(const FbParam& p);
// Writes a numeric value into a field of an exact or approximate numeric type, rounding
// to the field's scale; throws FbError when it does not fit or is no number.
void writeNumber(const FbParam& p, unsigned type, int scale, unsigned char* dst);

// ---- field of a fetched row -> value

// One field of a row as read from the message, before conversion to the asked-for type.
struct Cell
{
    enum Kind { Null, Exact, Approx, Text, Date, Time, Timestamp, Bool } kind = Null;
    std::int64_t exact = 0; // Exact and Bool
    int decimals = 0;       // of exact
    double approx = 0;
    QByteArray text; // stored bytes, fixed-length padding removed
    std::int32_t date = 0;
    std::uint32_t time = 0;
};

// Reads a column of a row message; a missing row (nullptr) reads as NULL.
Cell readCell(const unsigned char* row, const FbColumn& column);

// The conversions of FbField; `field` names the column in error messages.
QString cellString(const Cell& c);
std::int64_t cellInt64(const Cell& c, const QString& field);
std::int32_t cellInt32(const Cell& c, const QString& field);
double cellFloat(const Cell& c, const QString& field);
Currency cellCurrency(const Cell& c, const QString& field);
QDateTime cellDateTime(const Cell& c, const QString& field);

} // namespace detail
} // namespace fb
