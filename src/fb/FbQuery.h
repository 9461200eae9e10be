#pragma once

#include "fb/FbStatementBase.h"

#include <cstdint>

namespace fb {

// A statement without result set.
class FbQuery : public FbStatementBase
{
public:
    using FbStatementBase::FbStatementBase;
    void ExecQuery();
    // Rows touched by the last execution; 0 after one that failed.
    std::uint64_t RowsAffected() const { return m_rowsAffected; }

private:
    std::uint64_t m_rowsAffected = 0;
};

} // namespace fb
