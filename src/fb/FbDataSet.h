#pragma once

#include "fb/Currency.h"
#include "fb/FbStatementBase.h"
#include "fb/FbValueConvert.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <vector>

namespace fb {

class FbDataSet;

// Read access to one column of a dataset's current row. A dataset without a current row
// reads as empty text or 0; so does NULL.
class FbField
{
public:
    FbField(const FbDataSet* dataSet, int index) : m_dataSet(dataSet), m_index(index) {}
    QString FieldName() const;
    bool IsNull() const;
    QString AsString() const;
    // The stored bytes of a text field, without conversion.
    QByteArray AsBytes() const;
    std::int32_t AsInteger() const;
    std::int64_t AsInt64() const;
    double AsFloat() const;
    Currency AsCurrency() const;
    QDate AsDate() const;
    QDateTime AsDateTime() const;

private:
    detail::Cell cell() const;

    const FbDataSet* m_dataSet;
    int m_index;
};

// A select statement whose rows are read completely when it is opened, so that no cursor
// stays open across commits.
class FbDataSet : public FbStatementBase
{
public:
    using FbStatementBase::FbStatementBase;

    void Open();
    void Close();
    bool Active() const { return m_active; }

    void First() { m_row = 0; }
    void Next()
    {
        if (m_row < m_rowCount)
            ++m_row;
    }
    bool Eof() const { return m_row >= m_rowCount; }
    std::size_t RecordCount() const { return m_rowCount; }
    std::size_t RecNo() const { return m_row; }

    FbField FieldByName(const QString& name) const;
    int FieldIndex(const QString& name) const; // -1 when missing
    int FieldCount() const { return static_cast<int>(m_columns.size()); }

    // Moves to the first row whose field equals the text; false (position unchanged) when
    // there is none.
    bool Locate(const QString& fieldName, const QString& value, Qt::CaseSensitivity cs = Qt::CaseSensitive);

    void releaseHandles() override;

    using Column = FbColumn;
    const Column& column(int index) const { return m_columns[static_cast<std::size_t>(index)]; }
    // Pointer to the current row's message, or nullptr without a current row.
    const unsigned char* currentRow() const;

private:
    // Prepares when due, runs the statement and reads all rows.
    void fetchAll();

    std::vector<Column> m_columns;
    std::vector<unsigned char> m_rows;
    std::size_t m_rowLength = 0;
    std::size_t m_rowCount = 0;
    std::size_t m_row = 0;
    bool m_active = false;
};

} // namespace fb
