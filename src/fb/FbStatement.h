#pragma once

#include "fb/Currency.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>

#include <cstdint>
#include <map>
#include <vector>

namespace Firebird {
class IStatement;
class IMessageMetadata;
} // namespace Firebird

namespace fb {

class FbDatabase;
class FbTransaction;

// The named parameters of a statement text: ":name" becomes "?" and each position keeps
// the name. String literals, quoted identifiers and comments are left alone.
struct ParsedSql
{
    QString sql;                // with "?" in place of each parameter
    std::vector<QString> names; // upper-cased name of each "?" in order
};
ParsedSql parseNamedParams(const QString& sql);

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

// Common part of statements and datasets: the SQL text, its parameters, the prepared
// statement and the input message.
class FbStatementBase
{
public:
    FbStatementBase(FbDatabase* database, FbTransaction* transaction, const QString& sql = {});
    virtual ~FbStatementBase();
    FbStatementBase(const FbStatementBase&) = delete;
    FbStatementBase& operator=(const FbStatementBase&) = delete;

    void setSQL(const QString& sql);
    const QString& SQL() const { return m_sqlText; }

    // Throws FbError when the statement has no parameter of that name (any letter case).
    FbParam& ParamByName(const QString& name);
    FbParam* FindParam(const QString& name);
    int ParamCount() const { return static_cast<int>(m_params.size()); }

    FbDatabase* Database() const { return m_database; }
    FbTransaction* Transaction() const { return m_transaction; }

    // Frees the prepared statement; called by the connection before it detaches.
    virtual void releaseHandles();

protected:
    void prepare();
    // Fills m_inBuffer for the current parameter values and returns the metadata that
    // describes it (owned by the caller's guard).
    Firebird::IMessageMetadata* buildInput();
    void requireActiveTransaction() const;

    FbDatabase* m_database;
    FbTransaction* m_transaction;
    QString m_sqlText;
    ParsedSql m_parsed;
    std::map<QString, FbParam> m_params; // by upper-cased name
    Firebird::IStatement* m_statement = nullptr;
    std::vector<unsigned char> m_inBuffer;
};

// A statement without result set.
class FbQuery : public FbStatementBase
{
public:
    using FbStatementBase::FbStatementBase;
    void ExecQuery();
    // Rows touched by the last execution.
    std::uint64_t RowsAffected() const { return m_rowsAffected; }

private:
    std::uint64_t m_rowsAffected = 0;
};

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

    struct Column
    {
        QString alias; // upper-case as delivered
        unsigned type = 0;
        int scale = 0;
        unsigned length = 0;
        unsigned offset = 0;
        unsigned nullOffset = 0;
    };
    const Column& column(int index) const { return m_columns[static_cast<std::size_t>(index)]; }
    // Pointer to the current row's message, or nullptr without a current row.
    const unsigned char* currentRow() const;

private:
    std::vector<Column> m_columns;
    std::vector<unsigned char> m_rows;
    std::size_t m_rowLength = 0;
    std::size_t m_rowCount = 0;
    std::size_t m_row = 0;
    bool m_active = false;
};

} // namespace fb
