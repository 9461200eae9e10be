#include "fb/FbStatement.h"

#include "fb/FbDatabase.h"
#include "fb/FbStatus.h"
#include "fb/FbTransaction.h"
#include "win/Cp1252.h"

#include <cmath>
#include <cstring>
#include <limits>

using namespace Firebird;

namespace fb {

namespace {

bool isNameStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_');
}

bool isNamePart(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

// Guards an interface that must be released on every path.
template <class T> struct Released
{
    T* p = nullptr;
    ~Released()
    {
        if (p)
            p->release();
    }
};

constexpr unsigned baseType(unsigned t)
{
    return t & ~1u;
}

[[noreturn]] void conversionError(const QString& what)
{
    throw FbError(QStringLiteral("Konvertierungsfehler: %1").arg(what));
}

std::int64_t checkedRange(std::int64_t v, std::int64_t lo, std::int64_t hi)
{
    if (v < lo || v > hi)
        throw FbError(
            QStringLiteral("Arithmetischer Überlauf: der Wert %1 passt nicht in den Parameter.").arg(v));
    return v;
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

// Writes a numeric parameter value into a field of an exact or approximate numeric type.
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
    case SQL_SHORT: {
        const auto v = static_cast<std::int16_t>(checkedRange(exact(), INT16_MIN, INT16_MAX));
        std::memcpy(dst, &v, sizeof v);
        break;
    }
    case SQL_LONG: {
        const auto v = static_cast<std::int32_t>(checkedRange(exact(), INT32_MIN, INT32_MAX));
        std::memcpy(dst, &v, sizeof v);
        break;
    }
    case SQL_INT64: {
        const std::int64_t v = exact();
        std::memcpy(dst, &v, sizeof v);
        break;
    }
    case SQL_FLOAT: {
        const auto v = static_cast<float>(approx());
        std::memcpy(dst, &v, sizeof v);
        break;
    }
    case SQL_DOUBLE:
    case SQL_D_FLOAT: {
        const double v = approx();
        std::memcpy(dst, &v, sizeof v);
        break;
    }
    case SQL_BOOLEAN: {
        const unsigned char v = approx() != 0 ? 1 : 0;
        *dst = v;
        break;
    }
    default:
        conversionError(QStringLiteral("Parametertyp %1 wird nicht unterstützt").arg(type));
    }
}

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

constexpr unsigned CharsetNone = 0;

} // namespace

// ---------------------------------------------------------------------------------------

ParsedSql parseNamedParams(const QString& sql)
{
    ParsedSql out;
    out.sql.reserve(sql.size());
    const qsizetype n = sql.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = sql[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            // Quoted text: a doubled quote stays inside.
            qsizetype j = i + 1;
            while (j < n) {
                if (sql[j] == c) {
                    if (j + 1 < n && sql[j + 1] == c) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            const qsizetype end = j < n ? j + 1 : n;
            out.sql += sql.mid(i, end - i);
            i = end;
        } else if (c == QLatin1Char('-') && i + 1 < n && sql[i + 1] == QLatin1Char('-')) {
            qsizetype j = sql.indexOf(QLatin1Char('\n'), i);
            const qsizetype end = j < 0 ? n : j;
            out.sql += sql.mid(i, end - i);
            i = end;
        } else if (c == QLatin1Char('/') && i + 1 < n && sql[i + 1] == QLatin1Char('*')) {
            qsizetype j = sql.indexOf(QLatin1String("*/"), i + 2);
            const qsizetype end = j < 0 ? n : j + 2;
            out.sql += sql.mid(i, end - i);
            i = end;
        } else if (c == QLatin1Char(':') && i + 1 < n && isNameStart(sql[i + 1])) {
            qsizetype j = i + 1;
            while (j < n && isNamePart(sql[j]))
                ++j;
            out.names.push_back(sql.mid(i + 1, j - i - 1).toUpper());
            out.sql += QLatin1Char('?');
            i = j;
        } else {
            out.sql += c;
            ++i;
        }
    }
    return out;
}

// ---------------------------------------------------------------------------------------

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

// ---------------------------------------------------------------------------------------

FbStatementBase::FbStatementBase(FbDatabase* database, FbTransaction* transaction, const QString& sql)
    : m_database(database), m_transaction(transaction)
{
    m_database->attach(this);
    if (!sql.isEmpty())
        setSQL(sql);
}

FbStatementBase::~FbStatementBase()
{
    FbStatementBase::releaseHandles();
    m_database->detach(this);
}

void FbStatementBase::setSQL(const QString& sql)
{
    releaseHandles();
    m_sqlText = sql;
    m_parsed = parseNamedParams(sql);
    std::map<QString, FbParam> params;
    for (const QString& name : m_parsed.names) {
        auto it = m_params.find(name);
        params.emplace(name, it != m_params.end() ? it->second : FbParam(name));
    }
    m_params = std::move(params);
}

FbParam* FbStatementBase::FindParam(const QString& name)
{
    auto it = m_params.find(name.toUpper());
    return it == m_params.end() ? nullptr : &it->second;
}

FbParam& FbStatementBase::ParamByName(const QString& name)
{
    if (FbParam* p = FindParam(name))
        return *p;
    throw FbError(QStringLiteral("Parameter \"%1\" nicht gefunden.").arg(name));
}

void FbStatementBase::releaseHandles()
{
    if (!m_statement)
        return;
    if (m_database->Connected()) {
        detail::Status status;
        m_statement->free(&status);
        // free() releases the interface only when it succeeds.
        if (status.failed())
            m_statement->release();
    } else {
        m_statement->release();
    }
    m_statement = nullptr;
}

void FbStatementBase::requireActiveTransaction() const
{
    if (!m_database->Connected())
        throw FbError(QStringLiteral("Keine Verbindung zur Datenbank."));
    if (!m_transaction || !m_transaction->Active())
        throw FbError(QStringLiteral("Die Transaktion ist nicht aktiv."));
}

void FbStatementBase::prepare()
{
    requireActiveTransaction();
    if (m_statement)
        return;
    detail::Status status;
    const QByteArray text = win::toWindows1252(m_parsed.sql);
    IStatement* s = m_database->attachment()->prepare(
        &status, m_transaction->handle(), static_cast<unsigned>(text.size()), text.constData(),
        static_cast<unsigned>(m_database->SQLDialect), IStatement::PREPARE_PREFETCH_METADATA);
    status.check();
    m_statement = s;
}

IMessageMetadata* FbStatementBase::buildInput()
{
    detail::Status status;
    Released<IMessageMetadata> described;
    described.p = m_statement->getInputMetadata(&status);
    status.check();
    const unsigned count = described.p->getCount(&status);
    status.check();
    if (count != m_parsed.names.size())
        throw FbError(QStringLiteral("Die Anzahl der Parameter passt nicht zur Anweisung."));
    if (count == 0) {
        m_inBuffer.clear();
        return nullptr;
    }

    Released<IMetadataBuilder> builder;
    builder.p = described.p->getBuilder(&status);
    status.check();
    std::vector<QByteArray> texts(count);
    for (unsigned i = 0; i < count; ++i) {
        const FbParam& p = m_params.at(m_parsed.names[i]);
        const unsigned type = baseType(described.p->getType(&status, i));
        status.check();
        if (p.kind() == FbParam::Kind::String || (!p.IsNull() && isTextLike(type))) {
            // Text goes to the server as it is and the server converts it to the column's
            // type, so that an over-long value is refused there instead of being cut here.
            texts[i] = paramText(p);
            builder.p->setType(&status, i, SQL_VARYING + 1);
            builder.p->setCharSet(&status, i, CharsetNone);
            builder.p->setLength(&status, i, static_cast<unsigned>(std::max<qsizetype>(1, texts[i].size())));
        } else if (type == SQL_NULL) {
            builder.p->setType(&status, i, SQL_VARYING + 1);
            builder.p->setLength(&status, i, 1);
        } else {
            builder.p->setType(&status, i, type + 1);
        }
        status.check();
    }
    IMessageMetadata* meta = builder.p->getMetadata(&status);
    status.check();
    Released<IMessageMetadata> guard{meta};

    const unsigned length = meta->getMessageLength(&status);
    status.check();
    m_inBuffer.assign(length, 0);
    for (unsigned i = 0; i < count; ++i) {
        const FbParam& p = m_params.at(m_parsed.names[i]);
        const unsigned type = baseType(meta->getType(&status, i));
        const int scale = meta->getScale(&status, i);
        const unsigned offset = meta->getOffset(&status, i);
        const unsigned nullOffset = meta->getNullOffset(&status, i);
        status.check();
        auto* nullFlag = reinterpret_cast<std::int16_t*>(&m_inBuffer[nullOffset]);
        if (p.IsNull()) {
            *nullFlag = -1;
            continue;
        }
        *nullFlag = 0;
        if (type == SQL_VARYING) {
            const QByteArray& t = texts[i];
            const auto len = static_cast<std::uint16_t>(t.size());
            std::memcpy(&m_inBuffer[offset], &len, sizeof len);
            std::memcpy(&m_inBuffer[offset + 2], t.constData(), static_cast<std::size_t>(t.size()));
        } else {
            writeNumber(p, type, scale, &m_inBuffer[offset]);
        }
    }
    guard.p = nullptr;
    return meta;
}

// ---------------------------------------------------------------------------------------

void FbQuery::ExecQuery()
{
    prepare();
    Released<IMessageMetadata> in;
    in.p = buildInput();
    detail::Status status;
    m_statement->execute(&status, m_transaction->handle(), in.p, in.p ? m_inBuffer.data() : nullptr, nullptr,
                         nullptr);
    status.check();
    m_rowsAffected = m_statement->getAffectedRecords(&status);
    status.clear();
}

// ---------------------------------------------------------------------------------------

void FbDataSet::Open()
{
    if (m_active)
        return;
    prepare();
    Released<IMessageMetadata> in;
    in.p = buildInput();

    detail::Status status;
    Released<IMessageMetadata> out;
    out.p = m_statement->getOutputMetadata(&status);
    status.check();
    const unsigned count = out.p->getCount(&status);
    status.check();
    std::vector<Column> columns(count);
    for (unsigned i = 0; i < count; ++i) {
        Column& c = columns[i];
        c.alias = QString::fromLatin1(out.p->getAlias(&status, i)).toUpper();
        c.type = baseType(out.p->getType(&status, i));
        c.scale = out.p->getScale(&status, i);
        c.length = out.p->getLength(&status, i);
        c.offset = out.p->getOffset(&status, i);
        c.nullOffset = out.p->getNullOffset(&status, i);
        status.check();
    }
    const unsigned rowLength = out.p->getMessageLength(&status);
    status.check();

    IResultSet* rs = m_statement->openCursor(&status, m_transaction->handle(), in.p,
                                             in.p ? m_inBuffer.data() : nullptr, out.p, 0);
    status.check();
    std::vector<unsigned char> rows;
    std::vector<unsigned char> buffer(rowLength);
    std::size_t rowCount = 0;
    for (;;) {
        const int r = rs->fetchNext(&status, buffer.data());
        if (status.failed()) {
            rs->release();
            status.check();
        }
        if (r != IStatus::RESULT_OK)
            break;
        rows.insert(rows.end(), buffer.begin(), buffer.end());
        ++rowCount;
    }
    rs->close(&status);
    // close() releases the cursor only when it succeeds.
    if (status.failed()) {
        rs->release();
        status.check();
    }

    m_columns = std::move(columns);
    m_rows = std::move(rows);
    m_rowLength = rowLength;
    m_rowCount = rowCount;
    m_row = 0;
    m_active = true;
}

void FbDataSet::Close()
{
    m_active = false;
    m_rows.clear();
    m_rows.shrink_to_fit();
    m_rowCount = 0;
    m_row = 0;
}

void FbDataSet::releaseHandles()
{
    Close();
    FbStatementBase::releaseHandles();
}

int FbDataSet::FieldIndex(const QString& name) const
{
    const QString upper = name.toUpper();
    for (std::size_t i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].alias == upper)
            return static_cast<int>(i);
    return -1;
}

FbField FbDataSet::FieldByName(const QString& name) const
{
    const int index = FieldIndex(name);
    if (index < 0)
        throw FbError(QStringLiteral("Feld \"%1\" nicht gefunden.").arg(name));
    return FbField(this, index);
}

const unsigned char* FbDataSet::currentRow() const
{
    if (!m_active || m_row >= m_rowCount)
        return nullptr;
    return &m_rows[m_row * m_rowLength];
}

bool FbDataSet::Locate(const QString& fieldName, const QString& value, Qt::CaseSensitivity cs)
{
    const FbField field = FieldByName(fieldName);
    const std::size_t saved = m_row;
    for (m_row = 0; m_row < m_rowCount; ++m_row)
        if (field.AsString().compare(value, cs) == 0)
            return true;
    m_row = saved;
    return false;
}

// ---------------------------------------------------------------------------------------

namespace {

struct Cell
{
    enum Kind { Null, Exact, Approx, Text, Date, Time, Timestamp, Bool } kind = Null;
    std::int64_t exact = 0;
    int decimals = 0;
    double approx = 0;
    QByteArray text;
    std::int32_t date = 0;
    std::uint32_t time = 0;

    void setExact(std::int64_t v, int scale)
    {
        kind = Exact;
        exact = v;
        decimals = -scale;
    }
    void setApprox(double v)
    {
        kind = Approx;
        approx = v;
    }
};

// Message buffers carry no alignment guarantee for their fields.
template <class T> T load(const unsigned char* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

Cell readCell(const FbDataSet* ds, int index)
{
    Cell cell;
    const unsigned char* row = ds->currentRow();
    if (!row)
        return cell;
    const FbDataSet::Column& c = ds->column(index);
    std::int16_t nullFlag = 0;
    std::memcpy(&nullFlag, row + c.nullOffset, sizeof nullFlag);
    if (nullFlag)
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
    case SQL_VARYING: {
        std::uint16_t len = 0;
        std::memcpy(&len, p, sizeof len);
        cell.kind = Cell::Text;
        cell.text = QByteArray(reinterpret_cast<const char*>(p + 2), len);
        break;
    }
    case SQL_SHORT:
        cell.setExact(load<std::int16_t>(p), c.scale);
        break;
    case SQL_LONG:
        cell.setExact(load<std::int32_t>(p), c.scale);
        break;
    case SQL_INT64:
        cell.setExact(load<std::int64_t>(p), c.scale);
        break;
    case SQL_FLOAT:
        cell.setApprox(load<float>(p));
        break;
    case SQL_DOUBLE:
    case SQL_D_FLOAT:
        cell.setApprox(load<double>(p));
        break;
    case SQL_TYPE_DATE:
        cell.kind = Cell::Date;
        std::memcpy(&cell.date, p, sizeof cell.date);
        break;
    case SQL_TYPE_TIME:
        cell.kind = Cell::Time;
        std::memcpy(&cell.time, p, sizeof cell.time);
        break;
    case SQL_TIMESTAMP:
        cell.kind = Cell::Timestamp;
        std::memcpy(&cell.date, p, sizeof cell.date);
        std::memcpy(&cell.time, p + 4, sizeof cell.time);
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

bool parseDecimal(const QString& text, std::int64_t& out, int decimals)
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

} // namespace

QString FbField::FieldName() const
{
    return m_dataSet->column(m_index).alias;
}

bool FbField::IsNull() const
{
    return readCell(m_dataSet, m_index).kind == Cell::Null;
}

QString FbField::AsString() const
{
    const Cell c = readCell(m_dataSet, m_index);
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

QByteArray FbField::AsBytes() const
{
    const Cell c = readCell(m_dataSet, m_index);
    return c.kind == Cell::Text ? c.text : win::toWindows1252(AsString());
}

std::int64_t FbField::AsInt64() const
{
    const Cell c = readCell(m_dataSet, m_index);
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
        conversionError(QStringLiteral("Feld %1 ist keine Zahl").arg(FieldName()));
    }
}

std::int32_t FbField::AsInteger() const
{
    const std::int64_t v = AsInt64();
    return static_cast<std::int32_t>(checkedRange(v, INT32_MIN, INT32_MAX));
}

double FbField::AsFloat() const
{
    const Cell c = readCell(m_dataSet, m_index);
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
        conversionError(QStringLiteral("Feld %1 ist keine Zahl").arg(FieldName()));
    }
}

Currency FbField::AsCurrency() const
{
    const Cell c = readCell(m_dataSet, m_index);
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
        if (!parseDecimal(win::fromWindows1252(c.text), v, Currency::Scale))
            conversionError(
                QStringLiteral("'%1' ist kein gültiger Betrag").arg(win::fromWindows1252(c.text)));
        return Currency{v};
    }
    default:
        conversionError(QStringLiteral("Feld %1 ist keine Zahl").arg(FieldName()));
    }
}

QDate FbField::AsDate() const
{
    return AsDateTime().date();
}

QDateTime FbField::AsDateTime() const
{
    const Cell c = readCell(m_dataSet, m_index);
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
        conversionError(QStringLiteral("Feld %1 ist kein Datum").arg(FieldName()));
    }
}

} // namespace fb
