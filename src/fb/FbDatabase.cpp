#include "fb/FbDatabase.h"

#include "fb/FbStatementBase.h"
#include "fb/FbStatus.h"
#include "fb/FbTransaction.h"
#include "win/Cp1252.h"

#include <algorithm>

using namespace Firebird;

namespace fb {

FbDatabase::~FbDatabase()
{
    Close();
}

QByteArray FbDatabase::buildDpb() const
{
    QByteArray dpb;
    dpb.append(char(isc_dpb_version1));
    auto add = [&dpb](int tag, const QByteArray& value) {
        dpb.append(char(tag));
        dpb.append(char(value.size()));
        dpb.append(value);
    };
    for (const QString& param : ConnectParams) {
        const qsizetype eq = param.indexOf(QLatin1Char('='));
        const QString name = (eq < 0 ? param : param.left(eq)).trimmed().toLower();
        const QByteArray value = win::toWindows1252(eq < 0 ? QString() : param.mid(eq + 1));
        if (value.size() > 255)
            throw FbError(QStringLiteral("Verbindungsparameter %1 ist zu lang.").arg(name));
        if (name == QLatin1String("user_name"))
            add(isc_dpb_user_name, value);
        else if (name == QLatin1String("password"))
            add(isc_dpb_password, value);
        else if (name == QLatin1String("sql_role_name"))
            add(isc_dpb_sql_role_name, value);
        else if (name == QLatin1String("lc_ctype"))
            add(isc_dpb_lc_ctype, value);
        else
            throw FbError(QStringLiteral("Unbekannter Verbindungsparameter %1.").arg(name));
    }
    dpb.append(char(isc_dpb_sql_dialect));
    dpb.append(char(1));
    dpb.append(char(SQLDialect));
    return dpb;
}

void FbDatabase::Open()
{
    if (m_attachment)
        return;
    detail::Status status;
    const QByteArray dpb = buildDpb();
    // The connection string names a file of the server host; pass it as the local encoding.
    const QByteArray name = DBName.toLocal8Bit();
    IAttachment* att = Client::instance().provider()->attachDatabase(
        &status, name.constData(), static_cast<unsigned>(dpb.size()),
        reinterpret_cast<const unsigned char*>(dpb.constData()));
    Client::instance().restoreSignalHandlers();
    status.check();
    m_attachment = att;
}

void FbDatabase::Close()
{
    if (!m_attachment)
        return;
    for (FbStatementBase* s : std::vector<FbStatementBase*>(m_statements))
        s->releaseHandles();
    for (FbTransaction* t : std::vector<FbTransaction*>(m_transactions))
        t->forceEnd();
    detail::Status status;
    m_attachment->detach(&status);
    // A successful detach releases the interface; a failed one leaves it to us.
    if (status.failed())
        m_attachment->release();
    m_attachment = nullptr;
}

void FbDatabase::attach(FbTransaction* t)
{
    m_transactions.push_back(t);
}

void FbDatabase::detach(FbTransaction* t)
{
    m_transactions.erase(std::remove(m_transactions.begin(), m_transactions.end(), t), m_transactions.end());
}

void FbDatabase::attach(FbStatementBase* s)
{
    m_statements.push_back(s);
}

void FbDatabase::detach(FbStatementBase* s)
{
    m_statements.erase(std::remove(m_statements.begin(), m_statements.end(), s), m_statements.end());
}

} // namespace fb
