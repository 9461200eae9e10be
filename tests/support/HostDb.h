#pragma once

#include "fb/FbDatabase.h"
#include "fb/FbStatement.h"
#include "fb/FbTransaction.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <ostream>
#include <vector>

namespace testsupport {

// The private servers started for the test run (see scripts/test-servers.sh).
struct TestServers
{
    // Port of the named server ("main", "d20231231", "d20240101"); 0 when unknown.
    static int port(const QString& name = QStringLiteral("main"));
    static QString databasesDir();
    static bool available();
    // Any other line of the servers file ("" when missing).
    static QString value(const QString& key);
};

enum class ProtocolForm { V8, V7 };

// A freshly created host database on one of the test servers, with builders for the rows
// the cases need and a connection of its own for checking what the tool wrote.
class HostDb
{
public:
    // `fileName` names the database file when a case needs it at a fixed place (a random
    // name otherwise).
    explicit HostDb(ProtocolForm form = ProtocolForm::V8, const QString& server = QStringLiteral("main"),
                    int port = 0, const QString& directory = {}, const QString& fileName = {});
    ~HostDb();

    // Server part ("127.0.0.1/port") and file path as the server sees it.
    QString server() const { return m_server; }
    QString path() const { return m_path; }
    QString connectionString() const { return m_server + QLatin1Char(':') + m_path; }

    // Runs a statement in its own committed transaction; parameters bind by name.
    void exec(const QString& sql, const QVariantMap& params = {});
    // First column of the first row as text ("" without a row).
    QString scalar(const QString& sql, const QVariantMap& params = {});
    // All rows, every column as text.
    std::vector<QStringList> rows(const QString& sql, const QVariantMap& params = {});
    // The stored bytes of a text column, without character set conversion.
    QByteArray rawBytes(const QString& table, const QString& column,
                        const QString& where = QStringLiteral("1=1"));

    // Builders.
    void setVersion(const QString& text);
    void setRate(int slot, const QVariant& value, const QString& key = {});
    void addKasse(int id, const QString& name);
    void addMitarbeiter(int nr, const QString& vorname, const QString& name, const QString& login);
    void addKonto(int nr, const QVariant& name, double rate);
    void addWarengruppe(int id, const QString& name);
    void addArtikel(int id, const QVariant& name, const QVariant& warengruppe, int ih, int ah);
    // The usual installation: version 8.60.10.68, slots 19/7/0/10.7/5.5, one register.
    void fillStandard();

    int protocolCount();
    // Disconnects the checking connection, e.g. before the file is used elsewhere.
    void disconnect();

    // Writes a Kovantel.ini into `folder` whose entry points at this database.
    void writeIni(const QString& folder, const QString& serverPart = {}) const;

private:
    fb::FbDatabase& db();
    void fill(fb::FbStatementBase& s, const QVariantMap& params);

    QString m_server;
    QString m_path;
    std::unique_ptr<fb::FbDatabase> m_db;
    std::unique_ptr<fb::FbTransaction> m_tr;
};

// Writes a file in Windows-1252.
void writeCp1252File(const QString& path, const QString& text);

// Lets a failing case name its table form instead of printing raw bytes.
inline void PrintTo(ProtocolForm form, std::ostream* os)
{
    *os << (form == ProtocolForm::V8 ? "V8" : "V7");
}

} // namespace testsupport
