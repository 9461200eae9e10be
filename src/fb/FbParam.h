#pragma once

#include "fb/Currency.h"

#include <QByteArray>
#include <QDate>
#include <QString>

#include <cstdint>
#include <utility>

namespace fb {

// A value given to a statement parameter; converted to the parameter's real type on execute.
class FbParam
{
public:
    enum class Kind { Null, Integer, Currency, Float, String, Date };

    explicit FbParam(QString name = {}) : m_name(std::move(name)) {}

    const QString& Name() const { return m_name; }
    void setAsInteger(std::int32_t v) { set(Kind::Integer, v); }
    void setAsInt64(std::int64_t v) { set(Kind::Integer, v); }
    void setAsCurrency(Currency c) { set(Kind::Currency, c.value); }
    void setAsFloat(double v);
    void setAsString(const QString& v);
    void setAsDate(const QDate& d);
    void Clear() { m_kind = Kind::Null; }
    bool IsNull() const { return m_kind == Kind::Null; }

    Kind kind() const { return m_kind; }
    std::int64_t integer() const { return m_int; }
    double number() const { return m_double; }
    const QByteArray& bytes() const { return m_text; }

private:
    void set(Kind k, std::int64_t v)
    {
        m_kind = k;
        m_int = v;
    }
    QString m_name;
    Kind m_kind = Kind::Null;
    std::int64_t m_int = 0;
    double m_double = 0;
    QByteArray m_text; // Windows-1252
};

} // namespace fb
