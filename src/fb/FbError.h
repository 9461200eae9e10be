#pragma once

#include <QString>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace Firebird {
class IStatus;
}

namespace fb {

// A database error in the client's own words. It keeps the Firebird error codes and the
// SQLSTATE so that callers can tell a lock conflict apart by code, never by message text.
class FbError : public std::runtime_error
{
public:
    explicit FbError(const QString& message, std::vector<std::intptr_t> codes = {}, QString sqlState = {});

    // The first error code of the status vector (0 for errors raised by this layer itself).
    std::intptr_t errorCode() const { return m_codes.empty() ? 0 : m_codes.front(); }
    const std::vector<std::intptr_t>& errorCodes() const { return m_codes; }
    bool hasCode(std::intptr_t code) const;
    const QString& sqlState() const { return m_sqlState; }
    QString message() const { return QString::fromUtf8(what()); }

    // Another transaction holds the row (nowait) or updated it first.
    bool isLockConflict() const { return m_sqlState == QLatin1String("40001"); }

    // The attachment is no longer usable: the network link broke, the server or the
    // database was shut down, or the connection was ended from elsewhere. Told by the
    // codes kept in the error, which hold in any message language.
    bool isConnectionLost() const;

    // Builds the error from a failed status vector.
    static FbError fromStatus(Firebird::IStatus* status);

private:
    std::vector<std::intptr_t> m_codes;
    QString m_sqlState;
};

// Raised when the client library itself cannot be loaded.
class FbClientMissing : public FbError
{
public:
    using FbError::FbError;
};

} // namespace fb
