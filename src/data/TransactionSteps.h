#pragma once

// The three forms in which every database operation uses the one shared transaction.
// In all three the start lies before the protected part: an error in starting passes on
// at once, without commit or roll-back.

#include "data/DbFailure.h"
#include "fb/FbStatement.h"
#include "fb/FbTransaction.h"

#include <QString>

#include <exception>
#include <initializer_list>

namespace data {

namespace detail {
inline void StartIfInactive(fb::FbTransaction& tr)
{
    if (!tr.Active())
        tr.StartTransaction();
}

// Used on the error path only, where the original error must win over a second one.
inline void RollbackQuietly(fb::FbTransaction& tr) noexcept
{
    try {
        if (tr.Active())
            tr.Rollback();
    } catch (...) {
    }
}

inline void CloseAll(std::initializer_list<fb::FbDataSet*> dataSets) noexcept
{
    for (fb::FbDataSet* ds : dataSets)
        ds->Close();
}

// A read step's commit that failed must not leave the transaction open.
inline void CommitIfActive(fb::FbTransaction& tr)
{
    if (!tr.Active())
        return;
    try {
        tr.Commit();
    } catch (...) {
        RollbackQuietly(tr);
        throw;
    }
}
} // namespace detail

// Read step: the work's datasets are closed and the transaction committed whether the work
// succeeded or not; an error then passes on.
template <class Work>
void ReadStep(fb::FbTransaction& tr, std::initializer_list<fb::FbDataSet*> closeAtEnd, Work&& work)
{
    detail::StartIfInactive(tr);
    try {
        work();
    } catch (...) {
        detail::CloseAll(closeAtEnd);
        try {
            detail::CommitIfActive(tr);
        } catch (...) {
        }
        throw;
    }
    detail::CloseAll(closeAtEnd);
    detail::CommitIfActive(tr);
}

// Guarded write step: committed on success, rolled back on error; the error is consumed and
// reported by the result. Why it failed is kept in `failure` for whoever wants to know.
template <class Work> bool GuardedWriteStep(fb::FbTransaction& tr, Work&& work, TDbFailure* failure = nullptr)
{
    detail::StartIfInactive(tr);
    try {
        work();
        if (tr.Active())
            tr.Commit();
        return true;
    } catch (const std::exception& e) {
        if (failure)
            *failure = TDbFailure::From(e);
    } catch (...) {
        // Not a database error: still never leave the transaction open behind it.
        detail::RollbackQuietly(tr);
        throw;
    }
    detail::RollbackQuietly(tr);
    return false;
}

// Passing write step: committed on success, rolled back on error; the error passes on.
template <class Work> void PassingWriteStep(fb::FbTransaction& tr, Work&& work)
{
    detail::StartIfInactive(tr);
    try {
        work();
        if (tr.Active())
            tr.Commit();
    } catch (...) {
        detail::RollbackQuietly(tr);
        throw;
    }
}

} // namespace data
