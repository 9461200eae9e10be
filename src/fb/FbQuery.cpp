#include "fb/FbQuery.h"

#include "fb/FbDatabase.h"
#include "fb/FbStatus.h"
#include "fb/FbTransaction.h"

using namespace Firebird;

namespace fb {

void FbQuery::ExecQuery()
{
    m_executed = false;
    m_rowsAffected.reset();
    prepare();
    IMessageMetadata* in = buildInput();
    detail::Status status;
    m_statement->execute(&status, m_transaction->handle(), in, inputBuffer(), nullptr, nullptr);
    status.check();
    m_executed = true;
}

std::uint64_t FbQuery::RowsAffected() const
{
    if (!m_rowsAffected) {
        m_rowsAffected = 0;
        if (m_executed && m_statement && m_database->Connected()) {
            detail::Status status;
            m_rowsAffected = m_statement->getAffectedRecords(&status);
            if (status.failed())
                m_rowsAffected = 0;
        }
    }
    return *m_rowsAffected;
}

} // namespace fb
