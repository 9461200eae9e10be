#include "data/DbFailure.h"

#include "fb/FbError.h"

namespace data {

TDbFailure TDbFailure::From(const std::exception& error)
{
    TDbFailure f;
    if (const auto* db = dynamic_cast<const fb::FbError*>(&error)) {
        f.message = db->message();
        f.sqlState = db->sqlState();
        f.lockConflict = db->isLockConflict();
    } else {
        f.message = QString::fromUtf8(error.what());
    }
    return f;
}

TDbFailure TDbFailure::FromText(const QString& message)
{
    TDbFailure f;
    f.message = message;
    return f;
}

} // namespace data
