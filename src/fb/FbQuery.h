#pragma once

#include "fb/FbStatementBase.h"

#include <cstdint>
#include <optional>

namespace fb {

// A statement without result set.
class FbQuery : public FbStatementBase
{
public:
    using FbStatementBase::FbStatementBase;
    void ExecQuery();
    // Rows touched by the last execution; 0 after one that failed. Asked of the server only
    // when wanted: the count costs a round trip, and most executions never look at it.
    std::uint64_t RowsAffected() const;

private:
    bool m_executed = false; // the last execution succeeded
    mutable std::optional<std::uint64_t> m_rowsAffected;
};

} // namespace fb
