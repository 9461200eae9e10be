#include "fb/FbParam.h"

#include "win/Cp1252.h"

namespace fb {

void FbParam::setAsFloat(double v)
{
    m_kind = Kind::Float;
    m_double = v;
}

void FbParam::setAsString(const QString& v)
{
    m_kind = Kind::String;
    m_text = win::toWindows1252(v);
}

void FbParam::setAsDate(const QDate& d)
{
    if (!d.isValid()) {
        Clear();
        return;
    }
    set(Kind::Date, d.toJulianDay());
}

} // namespace fb
