#include "fb/FbStatementBase.h"

#include "fb/FbDatabase.h"
#include "fb/FbStatus.h"
#include "fb/FbTransaction.h"
#include "win/Cp1252.h"

using namespace Firebird;

namespace fb {

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
    // Nodes of a std::map stay where they are, so the positions hold until the next text.
    m_positions.clear();
    for (const QString& name : m_parsed.names)
        m_positions.push_back(&m_params.at(name));
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
    // The message's metadata came from the statement; it goes first.
    m_input.reset();
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
    m_input.reset();
    m_statement = s;
}

IMessageMetadata* FbStatementBase::buildInput()
{
    return m_input.fill(m_statement, m_positions);
}

} // namespace fb
