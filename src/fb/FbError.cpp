#include "fb/FbError.h"

#include "fb/FbClient.h"
#include "win/Cp1252.h"

#include <QStringDecoder>

#include <firebird/Interface.h>

#include <algorithm>
#include <iterator>

namespace fb {

FbError::FbError(const QString& message, std::vector<std::intptr_t> codes, QString sqlState)
    : std::runtime_error(message.toStdString()), m_codes(std::move(codes)), m_sqlState(std::move(sqlState))
{
}

bool FbError::hasCode(std::intptr_t code) const
{
    return std::find(m_codes.begin(), m_codes.end(), code) != m_codes.end();
}

bool FbError::isConnectionLost() const
{
    static constexpr std::intptr_t lost[] = {
        isc_bad_db_handle,       // the attachment is gone already
        isc_shutinprog,          // database shutdown in progress
        isc_shutdown,            // database shut down
        isc_conn_lost,           // connection lost to pipe server
        isc_network_error,       // unable to complete network request
        isc_net_read_err,        // error reading data from the connection
        isc_net_write_err,       // error writing data to the connection
        isc_lost_db_connection,  // connection lost to database
        isc_att_shutdown,        // connection shut down, e.g. ended through mon$attachments
        isc_net_server_shutdown, // the server is shutting down
    };
    return std::any_of(m_codes.begin(), m_codes.end(), [](std::intptr_t code) {
        return std::find(std::begin(lost), std::end(lost), code) != std::end(lost);
    });
}

FbError FbError::fromStatus(Firebird::IStatus* status)
{
    std::vector<std::intptr_t> codes;
    QString sqlState;
    const std::intptr_t* v = status->getErrors();
    while (v && *v != isc_arg_end) {
        const std::intptr_t kind = v[0];
        switch (kind) {
        case isc_arg_gds:
            codes.push_back(v[1]);
            v += 2;
            break;
        case isc_arg_sql_state:
            sqlState = QString::fromLatin1(reinterpret_cast<const char*>(v[1]));
            v += 2;
            break;
        case isc_arg_cstring:
            v += 3;
            break;
        default:
            v += 2;
            break;
        }
    }

    if (sqlState.isEmpty())
        sqlState = Client::instance().sqlState(status->getErrors());

    char buffer[4096] = {};
    Client::instance().util()->formatStatus(buffer, sizeof(buffer) - 1, status);
    // Without a connection character set the server hands over raw bytes: texts from the
    // system tables arrive as UTF-8, data of the host's columns as Windows-1252.
    const QByteArray raw(buffer);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(raw);
    if (utf8.hasError())
        text = win::fromWindows1252(raw);
    text = text.trimmed();
    if (text.isEmpty())
        text = QStringLiteral("Unbekannter Datenbankfehler");
    return FbError(text, std::move(codes), sqlState);
}

} // namespace fb
