#include "HostDb.h"

#include "data/TransactionSteps.h"
#include "fb/FbClient.h"
#include "fb/FbError.h"
#include "win/Cp1252.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>
#include <QTextStream>
#include <QUuid>

#include <firebird/Interface.h>

#include <stdexcept>

using namespace Firebird;

namespace testsupport {

namespace {

QMap<QString, QString> readEnvFile()
{
    QMap<QString, QString> values;
    const QString file = qEnvironmentVariable("KOVANTEL_TEST_SERVERS");
    QFile f(file);
    if (file.isEmpty() || !f.open(QIODevice::ReadOnly))
        return values;
    for (const QByteArray& line : f.readAll().split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            values.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)).trimmed());
    }
    return values;
}

QString readSqlFile(const QString& name)
{
    QFile f(QStringLiteral(KOVANTEL_SQL_DIR "/") + name);
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error("missing SQL file " + name.toStdString());
    return QString::fromUtf8(f.readAll());
}

// Statements of a script without procedures: split at ";" outside comments.
QStringList splitScript(const QString& script)
{
    QStringList out;
    QString current;
    for (const QString& line : script.split(QLatin1Char('\n'))) {
        if (line.trimmed().startsWith(QLatin1String("--")))
            continue;
        current += line + QLatin1Char('\n');
        if (line.trimmed().endsWith(QLatin1Char(';'))) {
            current = current.trimmed();
            current.chop(1);
            out << current;
            current.clear();
        }
    }
    if (!current.trimmed().isEmpty())
        out << current.trimmed();
    return out;
}

struct StatusGuard
{
    IStatus* st = fb::Client::instance().master()->getStatus();
    CheckStatusWrapper w{st};
    ~StatusGuard() { st->dispose(); }
    void check()
    {
        if (st->getState() & IStatus::STATE_ERRORS)
            throw fb::FbError::fromStatus(st);
    }
};

} // namespace

int TestServers::port(const QString& name)
{
    return readEnvFile().value(name).toInt();
}

QString TestServers::databasesDir()
{
    return readEnvFile().value(QStringLiteral("databases"));
}

bool TestServers::available()
{
    return port() > 0;
}

QString TestServers::value(const QString& key)
{
    return readEnvFile().value(key);
}

HostDb::HostDb(ProtocolForm form, const QString& server, int port, const QString& directory,
               const QString& fileName)
{
    if (port == 0)
        port = TestServers::port(server);
    if (port == 0)
        throw std::runtime_error("no test server: run the tests through ctest (KOVANTEL_TEST_SERVERS)");
    const QString dir = directory.isEmpty() ? TestServers::databasesDir() : directory;
    m_server = QStringLiteral("127.0.0.1/%1").arg(port);
    m_path = QDir(dir).filePath(fileName.isEmpty() ? QUuid::createUuid().toString(QUuid::WithoutBraces) +
                                                         QStringLiteral(".fdb")
                                                   : fileName);

    {
        StatusGuard status;
        QByteArray dpb;
        dpb.append(char(isc_dpb_version1));
        auto add = [&dpb](int tag, const QByteArray& v) {
            dpb.append(char(tag));
            dpb.append(char(v.size()));
            dpb.append(v);
        };
        add(isc_dpb_user_name, "SYSDBA");
        add(isc_dpb_password, "plumtrove");
        add(isc_dpb_set_db_charset, "WIN1252");
        dpb.append(char(isc_dpb_sql_dialect)).append(char(1)).append(char(3));
        // Forced writes off: the test databases are thrown away, and it halves the run time.
        dpb.append(char(isc_dpb_force_write)).append(char(1)).append(char(0));
        const QByteArray name = connectionString().toLocal8Bit();
        IAttachment* att = fb::Client::instance().provider()->createDatabase(
            &status.w, name.constData(), static_cast<unsigned>(dpb.size()),
            reinterpret_cast<const unsigned char*>(dpb.constData()));
        status.check();
        att->detach(&status.w);
        status.check();
    }

    QString script = readSqlFile(QStringLiteral("host-schema.sql"));
    script += readSqlFile(form == ProtocolForm::V8 ? QStringLiteral("protocol-v8.sql")
                                                   : QStringLiteral("protocol-v7.sql"));
    for (const QString& statement : splitScript(script))
        exec(statement);
}

HostDb::~HostDb()
{
    disconnect();
}

void HostDb::disconnect()
{
    m_tr.reset();
    if (m_db)
        m_db->Close();
    m_db.reset();
}

fb::FbDatabase& HostDb::db()
{
    if (!m_db) {
        m_db = std::make_unique<fb::FbDatabase>();
        m_db->DBName = connectionString();
        m_db->ConnectParams = {QStringLiteral("user_name=SYSDBA"), QStringLiteral("password=plumtrove")};
        m_db->Open();
        m_tr = std::make_unique<fb::FbTransaction>(m_db.get());
        m_tr->setParams({QStringLiteral("write"), QStringLiteral("concurrency"), QStringLiteral("wait")});
    }
    return *m_db;
}

void HostDb::fill(fb::FbStatementBase& s, const QVariantMap& params)
{
    for (auto it = params.begin(); it != params.end(); ++it) {
        fb::FbParam& p = s.ParamByName(it.key());
        const QVariant& v = it.value();
        if (v.isNull())
            p.Clear();
        else if (v.typeId() == QMetaType::Int || v.typeId() == QMetaType::LongLong)
            p.setAsInt64(v.toLongLong());
        else if (v.typeId() == QMetaType::Double)
            p.setAsFloat(v.toDouble());
        else
            p.setAsString(v.toString());
    }
}

void HostDb::exec(const QString& sql, const QVariantMap& params)
{
    db();
    fb::FbQuery q(m_db.get(), m_tr.get(), sql);
    fill(q, params);
    data::PassingWriteStep(*m_tr, [&] { q.ExecQuery(); });
}

std::vector<QStringList> HostDb::rows(const QString& sql, const QVariantMap& params)
{
    db();
    fb::FbDataSet ds(m_db.get(), m_tr.get(), sql);
    fill(ds, params);
    std::vector<QStringList> out;
    data::PassingWriteStep(*m_tr, [&] {
        ds.Open();
        for (ds.First(); !ds.Eof(); ds.Next()) {
            QStringList row;
            for (int i = 0; i < ds.FieldCount(); ++i)
                row << fb::FbField(&ds, i).AsString();
            out.push_back(row);
        }
        ds.Close();
    });
    return out;
}

QString HostDb::scalar(const QString& sql, const QVariantMap& params)
{
    const auto r = rows(sql, params);
    return r.empty() || r.front().isEmpty() ? QString() : r.front().front();
}

QByteArray HostDb::rawBytes(const QString& table, const QString& column, const QString& where)
{
    // Table and column names come from the test code itself, never from data. The checking
    // connection has no character set, so the server hands over the stored bytes.
    db();
    fb::FbDataSet ds(m_db.get(), m_tr.get(),
                     QStringLiteral("select %1 from %2 where %3").arg(column, table, where));
    QByteArray bytes;
    data::PassingWriteStep(*m_tr, [&] {
        ds.Open();
        bytes = fb::FbField(&ds, 0).AsBytes();
        ds.Close();
    });
    return bytes;
}

void HostDb::setVersion(const QString& text)
{
    exec(QStringLiteral(
             "update or insert into einstellungen (schluessel, varwert) values ('Datenbankversion', "
             ":v) matching (schluessel)"),
         {{QStringLiteral("v"), text}});
}

void HostDb::setRate(int slot, const QVariant& value, const QString& key)
{
    const QString k = key.isEmpty() ? QStringLiteral("MwstSatz%1").arg(slot) : key;
    exec(QStringLiteral("update or insert into einstellungen (schluessel, numwert) values (:k, :v) "
                        "matching (schluessel)"),
         {{QStringLiteral("k"), k}, {QStringLiteral("v"), value}});
}

void HostDb::addKasse(int id, const QString& name)
{
    exec(QStringLiteral("insert into kassen (id, bezeichnung) values (:id, :b)"),
         {{QStringLiteral("id"), id}, {QStringLiteral("b"), name}});
}

void HostDb::addMitarbeiter(int nr, const QString& vorname, const QString& name, const QString& login)
{
    exec(QStringLiteral("insert into mitarbeiter (mitarbeiternr, vorname, name, loginname, passwort) "
                        "values (:nr, :v, :n, :l, '')"),
         {{QStringLiteral("nr"), nr},
          {QStringLiteral("v"), vorname},
          {QStringLiteral("n"), name},
          {QStringLiteral("l"), login}});
}

void HostDb::addKonto(int nr, const QVariant& name, double rate)
{
    exec(QStringLiteral(
             "insert into kassenbuchkonten (kontonr, kontobezeichnung, steuersatz) values (:nr, :n, :s)"),
         {{QStringLiteral("nr"), nr}, {QStringLiteral("n"), name}, {QStringLiteral("s"), rate}});
}

void HostDb::addWarengruppe(int id, const QString& name)
{
    exec(QStringLiteral("insert into warengruppe (id, bezeichnung) values (:id, :b)"),
         {{QStringLiteral("id"), id}, {QStringLiteral("b"), name}});
}

void HostDb::addArtikel(int id, const QVariant& name, const QVariant& warengruppe, int ih, int ah)
{
    exec(QStringLiteral("insert into artikel (artikelid, bezeichnung, warengruppe, mwstsatzih, mwstsatzah) "
                        "values (:id, :b, :w, :ih, :ah)"),
         {{QStringLiteral("id"), id},
          {QStringLiteral("b"), name},
          {QStringLiteral("w"), warengruppe},
          {QStringLiteral("ih"), ih},
          {QStringLiteral("ah"), ah}});
}

void HostDb::fillStandard()
{
    setVersion(QStringLiteral("8.60.10.68"));
    setRate(0, 19.0);
    setRate(1, 7.0);
    setRate(2, 0.0);
    setRate(3, 10.7);
    setRate(4, 5.5);
    addKasse(1, QStringLiteral("Kasse1"));
    addMitarbeiter(1, QStringLiteral("Jürgen"), QStringLiteral("Müller"), QStringLiteral("jm"));
}

int HostDb::protocolCount()
{
    return scalar(QStringLiteral("select count(*) from vorgangsprotokoll")).toInt();
}

void HostDb::writeIni(const QString& folder, const QString& serverPart) const
{
    const QString entry =
        QStringLiteral("%1/Daten;%2;%3").arg(folder, serverPart.isEmpty() ? m_server : serverPart, m_path);
    writeCp1252File(
        QDir(folder).filePath(QStringLiteral("Kovantel.ini")),
        QStringLiteral("[Allgemein]\r\nDatenbank=Test\r\n\r\n[Filialen]\r\nTest=%1\r\n").arg(entry));
}

void writeCp1252File(const QString& path, const QString& text)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw std::runtime_error("cannot write " + path.toStdString());
    f.write(win::toWindows1252(text));
}

} // namespace testsupport
