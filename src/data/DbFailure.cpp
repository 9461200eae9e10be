#include "data/DbFailure.h"

#include "fb/FbError.h"
#include "win/ErrorReport.h"

namespace data {

TDbFailure TDbFailure::From(const std::exception& error)
{
    TDbFailure f;
    if (const auto* db = dynamic_cast<const fb::FbError*>(&error)) {
        f.message = db->message();
        f.sqlState = db->sqlState();
        f.lockConflict = db->isLockConflict();
        f.connectionLost = db->isConnectionLost();
    } else {
        f.message = QString::fromUtf8(error.what());
    }
    return f;
}

QString TDbFailure::Explanation() const
{
    if (connectionLost)
        return win::ConnectionLostText() + QStringLiteral(" (%1)").arg(message);
    if (lockConflict)
        return QStringLiteral(
                   "Ein anderes Programm oder eine andere Kasse ändert gerade dieselben Daten. Bitte "
                   "versuchen Sie es erneut, wenn dort die Änderung abgeschlossen ist. (%1)")
            .arg(message);
    return message;
}

TDbFailure TDbFailure::FromText(const QString& message)
{
    TDbFailure f;
    f.message = message;
    return f;
}

} // namespace data
