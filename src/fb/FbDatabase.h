#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

namespace Firebird {
class IAttachment;
}

namespace fb {

class FbTransaction;
class FbStatementBase;

// A connection to one database. Statements and transactions bound to it are told when it
// closes so that no interface outlives the attachment.
class FbDatabase
{
public:
    FbDatabase() = default;
    ~FbDatabase();
    FbDatabase(const FbDatabase&) = delete;
    FbDatabase& operator=(const FbDatabase&) = delete;

    QString DBName;
    // Connection parameters in the "name=value" form of the host installation.
    QStringList ConnectParams;
    int SQLDialect = 3;

    // Throws FbError when the library, the server, the database or the login fails;
    // Connected() is false afterwards.
    void Open();
    bool Connected() const { return m_attachment != nullptr; }
    // Rolls back what is still active, frees the statements and detaches. Never throws.
    void Close();

    Firebird::IAttachment* attachment() const { return m_attachment; }

    // Registration of the components bound to this connection.
    void attach(FbTransaction* t);
    void detach(FbTransaction* t);
    void attach(FbStatementBase* s);
    void detach(FbStatementBase* s);

private:
    QByteArray buildDpb() const;

    Firebird::IAttachment* m_attachment = nullptr;
    std::vector<FbTransaction*> m_transactions;
    std::vector<FbStatementBase*> m_statements;
};

} // namespace fb
