#pragma once

#include <QString>

#include <cstdint>

struct sigaction;

namespace Firebird {
class IMaster;
class IUtil;
class IProvider;
class CheckStatusWrapper;
} // namespace Firebird

namespace fb {

// The Firebird client library, loaded on first use. A missing or unloadable library is
// reported as an FbClientMissing error so that it shows as a failed connection attempt.
class Client
{
public:
    static Client& instance();

    // Only for tests and unusual installations; takes effect before the first load.
    static void setLibraryName(const QString& name);
    static QString libraryName();

    // Loads the library if needed; throws FbClientMissing when that fails.
    void ensureLoaded();
    bool isLoaded() const { return m_master != nullptr; }

    Firebird::IMaster* master();
    Firebird::IUtil* util();
    Firebird::IProvider* provider();
    // The client library takes over SIGINT and SIGTERM when it first connects and then
    // ignores them; a tool that cannot be stopped is worse than one that stops without the
    // library's clean-up, so the dispositions the process had before are put back.
    void restoreSignalHandlers();

    // SQLSTATE of a status vector, as the client library derives it from the error codes.
    QString sqlState(const std::intptr_t* statusVector);

private:
    Client() = default;
    void* m_handle = nullptr;
    Firebird::IMaster* m_master = nullptr;
    Firebird::IUtil* m_util = nullptr;
    Firebird::IProvider* m_provider = nullptr;
    bool m_signalsSaved = false;
    ::sigaction* m_savedInt = nullptr;
    ::sigaction* m_savedTerm = nullptr;
    void (*m_fbSqlState)(char*, const std::intptr_t*) = nullptr;
};

} // namespace fb
