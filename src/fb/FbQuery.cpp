#include "fb/FbQuery.h"

#include "fb/FbStatus.h"
#include "fb/FbTransaction.h"

using namespace Firebird;

namespace fb {

void FbQuery::ExecQuery()
{
    m_rowsAffected = 0;
    prepare();
    IMessageMetadata* in = buildInput();
    detail::Status status;
    m_statement->execute(&status, m_transaction->handle(), in, inputBuffer(), nullptr, nullptr);
    status.check();
    m_rowsAffected = m_statement->getAffectedRecords(&status);
    status.clear();
}

} // namespace fb
