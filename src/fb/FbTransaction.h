#pragma once

#include <QByteArray>
#include <QStringList>

namespace Firebird {
class ITransaction;
}

namespace fb {

class FbDatabase;

// One transaction handle; started and ended explicitly.
class FbTransaction
{
public:
    explicit FbTransaction(FbDatabase* database);
    ~FbTransaction();
    FbTransaction(const FbTransaction&) = delete;
    FbTransaction& operator=(const FbTransaction&) = delete;

    // Parameters given as names such as "write", "isc_tpb_nowait", "rec_version",
    // "read_committed" (with or without the isc_tpb_ prefix).
    void setParams(const QStringList& params);

    void StartTransaction();
    void Commit();
    void Rollback();
    bool Active() const { return m_transaction != nullptr; }

    FbDatabase* database() const { return m_database; }
    Firebird::ITransaction* handle() const { return m_transaction; }

    // Called by the database when it closes: ends the transaction without raising.
    void forceEnd();

private:
    FbDatabase* m_database;
    QByteArray m_tpb;
    Firebird::ITransaction* m_transaction = nullptr;
};

} // namespace fb
