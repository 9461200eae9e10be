#include "fb/FbTransaction.h"

#include "fb/FbDatabase.h"
#include "fb/FbStatus.h"

using namespace Firebird;

namespace fb {

FbTransaction::FbTransaction(FbDatabase* database) : m_database(database)
{
    m_database->attach(this);
    setParams({QStringLiteral("write"), QStringLiteral("isc_tpb_nowait"), QStringLiteral("rec_version"),
               QStringLiteral("read_committed")});
}

FbTransaction::~FbTransaction()
{
    forceEnd();
    m_database->detach(this);
}

void FbTransaction::setParams(const QStringList& params)
{
    static const struct
    {
        const char* name;
        char tag;
    } known[] = {
        {"write", isc_tpb_write},
        {"read", isc_tpb_read},
        {"nowait", isc_tpb_nowait},
        {"wait", isc_tpb_wait},
        {"rec_version", isc_tpb_rec_version},
        {"no_rec_version", isc_tpb_no_rec_version},
        {"read_committed", isc_tpb_read_committed},
        {"concurrency", isc_tpb_concurrency},
        {"consistency", isc_tpb_consistency},
    };
    QByteArray tpb(1, char(isc_tpb_version3));
    for (QString p : params) {
        p = p.trimmed().toLower();
        if (p.startsWith(QLatin1String("isc_tpb_")))
            p = p.mid(8);
        bool found = false;
        for (const auto& k : known) {
            if (p == QLatin1String(k.name)) {
                tpb.append(k.tag);
                found = true;
                break;
            }
        }
        if (!found)
            throw FbError(QStringLiteral("Unbekannter Transaktionsparameter %1.").arg(p));
    }
    m_tpb = tpb;
}

void FbTransaction::StartTransaction()
{
    if (m_transaction)
        throw FbError(QStringLiteral("Die Transaktion ist bereits aktiv."));
    if (!m_database->Connected())
        throw FbError(QStringLiteral("Keine Verbindung zur Datenbank."));
    detail::Status status;
    ITransaction* t =
        m_database->attachment()->startTransaction(&status, static_cast<unsigned>(m_tpb.size()),
                                                   reinterpret_cast<const unsigned char*>(m_tpb.constData()));
    status.check();
    m_transaction = t;
}

void FbTransaction::Commit()
{
    if (!m_transaction)
        throw FbError(QStringLiteral("Die Transaktion ist nicht aktiv."));
    detail::Status status;
    m_transaction->commit(&status);
    // On success the commit has released the interface; on failure the transaction is
    // still alive and the caller rolls it back.
    status.check();
    m_transaction = nullptr;
}

void FbTransaction::Rollback()
{
    if (!m_transaction)
        throw FbError(QStringLiteral("Die Transaktion ist nicht aktiv."));
    detail::Status status;
    ITransaction* t = m_transaction;
    m_transaction = nullptr;
    t->rollback(&status);
    if (status.failed()) {
        // The server has lost it or will end it with the connection; either way the
        // handle is no longer ours to use.
        t->release();
        status.check();
    }
}

void FbTransaction::forceEnd()
{
    if (!m_transaction)
        return;
    try {
        Rollback();
    } catch (const FbError&) {
    }
}

} // namespace fb
