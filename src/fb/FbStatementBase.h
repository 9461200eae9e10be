#pragma once

#include "fb/FbInputMessage.h"
#include "fb/FbParam.h"
#include "fb/FbParamParse.h"

#include <QString>

#include <map>
#include <vector>

namespace Firebird {
class IStatement;
class IMessageMetadata;
} // namespace Firebird

namespace fb {

class FbDatabase;
class FbTransaction;

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

    // How often the input message layout was built over this statement's life: once per
    // prepare while the parameter values keep their kind and fit the room kept for text.
    unsigned inputLayoutBuilds() const { return m_input.builds(); }

protected:
    void prepare();
    // Fills the input message for the current parameter values and returns the metadata
    // that describes it (owned by the statement), or nullptr without parameters.
    Firebird::IMessageMetadata* buildInput();
    unsigned char* inputBuffer() { return m_input.data(); }
    void requireActiveTransaction() const;

    FbDatabase* m_database;
    FbTransaction* m_transaction;
    QString m_sqlText;
    ParsedSql m_parsed;
    std::map<QString, FbParam> m_params; // by upper-cased name
    Firebird::IStatement* m_statement = nullptr;

private:
    std::vector<const FbParam*> m_positions; // the parameter of each "?", in order
    detail::FbInputMessage m_input;
};

} // namespace fb
