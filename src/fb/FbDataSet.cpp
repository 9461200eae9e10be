#include "fb/FbDataSet.h"

#include "fb/FbStatus.h"
#include "fb/FbTransaction.h"
#include "win/Cp1252.h"

using namespace Firebird;

namespace fb {

using detail::Released;

void FbDataSet::Open()
{
    if (m_active)
        return;
    try {
        fetchAll();
    } catch (const FbError& e) {
        // The close of the previous cursor travels to the server with the next request. When
        // the server could not close it, mostly because the attachment was ended meanwhile,
        // that request is refused as a reopen, which hides the real state. A statement
        // prepared anew shows it: it opens on a live attachment and reports the lost
        // connection on a dead one.
        if (!e.hasCode(isc_dsql_cursor_open_err))
            throw;
        FbStatementBase::releaseHandles();
        fetchAll();
    }
}

void FbDataSet::fetchAll()
{
    prepare();
    IMessageMetadata* in = buildInput();

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
        c.type = detail::baseType(out.p->getType(&status, i));
        c.scale = out.p->getScale(&status, i);
        c.length = out.p->getLength(&status, i);
        c.offset = out.p->getOffset(&status, i);
        c.nullOffset = out.p->getNullOffset(&status, i);
        status.check();
    }
    const unsigned rowLength = out.p->getMessageLength(&status);
    status.check();

    IResultSet* rs = m_statement->openCursor(&status, m_transaction->handle(), in, inputBuffer(), out.p, 0);
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

detail::Cell FbField::cell() const
{
    return detail::readCell(m_dataSet->currentRow(), m_dataSet->column(m_index));
}

QString FbField::FieldName() const
{
    return m_dataSet->column(m_index).alias;
}

bool FbField::IsNull() const
{
    return cell().kind == detail::Cell::Null;
}

QString FbField::AsString() const
{
    return detail::cellString(cell());
}

QByteArray FbField::AsBytes() const
{
    const detail::Cell c = cell();
    return c.kind == detail::Cell::Text ? c.text : win::toWindows1252(detail::cellString(c));
}

std::int32_t FbField::AsInteger() const
{
    return detail::cellInt32(cell(), FieldName());
}

std::int64_t FbField::AsInt64() const
{
    return detail::cellInt64(cell(), FieldName());
}

double FbField::AsFloat() const
{
    return detail::cellFloat(cell(), FieldName());
}

Currency FbField::AsCurrency() const
{
    return detail::cellCurrency(cell(), FieldName());
}

QDate FbField::AsDate() const
{
    return AsDateTime().date();
}

QDateTime FbField::AsDateTime() const
{
    return detail::cellDateTime(cell(), FieldName());
}

} // namespace fb
