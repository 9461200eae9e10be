#include "CrashDb.h"

#include "Processes.h"

#include <QFile>
#include <QHash>

#include <stdexcept>

namespace crash {

namespace {

// Numbers 1 to `count` as rows, for filling a table in one statement. Two system tables
// crossed give enough rows; the count is a number of this program, never data.
QString numbers(int count)
{
    return QStringLiteral("(select first %1 row_number() over () as i from rdb$types a cross join "
                          "rdb$types b)")
        .arg(count);
}

QString padded(const QString& column)
{
    return QStringLiteral("lpad(cast(%1 as varchar(10)), 4, '0')").arg(column);
}

// The name between the first pair of double quotes of an article entry.
QString articleOfEntry(const QString& text)
{
    const qsizetype open = text.indexOf(QLatin1Char('"'));
    const qsizetype close = text.indexOf(QLatin1Char('"'), open + 1);
    return open < 0 || close < 0 ? QString() : text.mid(open + 1, close - open - 1);
}

void note(Tally& t, const QString& what)
{
    ++t.halfWritten;
    if (t.examples.size() < 5)
        t.examples.push_back(what.toStdString());
}

} // namespace

const char* nameOf(Kind kind)
{
    return kind == Kind::Articles ? "article save" : "general save";
}

CrashDb::CrashDb(Kind kind, int count, int port, const QString& directory)
    : m_kind(kind), m_count(count),
      m_host(testsupport::ProtocolForm::V8, QStringLiteral("crash"), port, directory)
{
    m_host.fillStandard();
    if (kind == Kind::Articles) {
        for (int g = 1; g <= 10; ++g)
            m_host.addWarengruppe(g, QStringLiteral("Warengruppe %1").arg(g, 2, 10, QLatin1Char('0')));
        m_host.exec(QStringLiteral("insert into artikel (artikelid, bezeichnung, warengruppe, mwstsatzih, "
                                   "mwstsatzah) select i, 'Artikel ' || %1, 1 + mod(i, 10), 1, 1 from %2")
                        .arg(padded(QStringLiteral("i")), numbers(count)));
    } else {
        m_host.exec(QStringLiteral("insert into kassenbuchkonten (kontonr, kontobezeichnung, steuersatz) "
                                   "select i, 'Konto ' || %1, 19 from %2")
                        .arg(padded(QStringLiteral("i")), numbers(count)));
        // A host may sign each protocol entry in a trigger, which takes its time. Here it
        // makes the entry, the last step of a general save, long enough for kills to land
        // in: a save that made its rates final before its entry would show there.
        m_host.exec(QStringLiteral("create trigger vorgang_signieren for vorgangsprotokoll before insert as "
                                   "declare i integer = 0; begin while (i < 1000000) do i = i + 1; end"));
    }

    // The test databases are made with forced writes off; a till's database has them on.
    m_host.disconnect();
    const std::optional<int> rc = run({"gfix", "-user", "SYSDBA", "-password", "plumtrove", "-write", "sync",
                                       m_host.connectionString().toStdString()},
                                      Millis(30000));
    if (!rc || *rc != 0)
        throw std::runtime_error("gfix could not switch forced writes on");
}

bool CrashDb::forcedWrites()
{
    return m_host.scalar(QStringLiteral("select mon$forced_writes from mon$database")) == QLatin1String("1");
}

Tally CrashDb::check()
{
    return m_kind == Kind::Articles ? checkArticles() : checkGeneral();
}

// Each article either carries its new slots and exactly one entry of category 9, or its
// old slots and none.
Tally CrashDb::checkArticles()
{
    Tally t;
    QHash<QString, int> entries;
    for (const QStringList& e :
         m_host.rows(QStringLiteral("select kategorie, vorgang from vorgangsprotokoll"))) {
        if (e.at(0) != QLatin1String("9"))
            note(t, QStringLiteral("an entry of category %1").arg(e.at(0)));
        else
            ++entries[articleOfEntry(e.at(1))];
    }
    for (const QStringList& a :
         m_host.rows(QStringLiteral("select bezeichnung, mwstsatzih, mwstsatzah from artikel"))) {
        const QString& name = a.at(0);
        const QString pair = a.at(1) + QLatin1Char('/') + a.at(2);
        const int n = entries.take(name);
        if (pair == QLatin1String("0/2") && n == 1)
            ++t.written;
        else if (pair == QLatin1String("1/1") && n == 0)
            ++t.untouched;
        else
            note(t, QStringLiteral("%1: slots %2, %3 entries").arg(name, pair).arg(n));
    }
    for (auto it = entries.cbegin(); it != entries.cend(); ++it)
        note(t, QStringLiteral("%1 entries for \"%2\", which is no article").arg(it.value()).arg(it.key()));
    return t;
}

// The slot, every one of its accounts and its one entry of category 6, or none of it.
Tally CrashDb::checkGeneral()
{
    Tally t;
    const QString slot =
        m_host.scalar(QStringLiteral("select numwert from einstellungen where schluessel = 'MwstSatz0'"));
    QStringList accounts;
    for (const QStringList& r :
         m_host.rows(QStringLiteral("select steuersatz, count(*) from kassenbuchkonten group by 1")))
        accounts << r.join(QLatin1Char('x'));
    QStringList entries;
    for (const QStringList& r :
         m_host.rows(QStringLiteral("select kategorie, count(*) from vorgangsprotokoll group by 1")))
        entries << r.join(QLatin1Char('x'));

    const QString all = QStringLiteral("x%1").arg(m_count);
    if (slot == QLatin1String("16") && accounts == QStringList{QStringLiteral("16") + all} &&
        entries == QStringList{QStringLiteral("6x1")})
        ++t.written;
    else if (slot == QLatin1String("19") && accounts == QStringList{QStringLiteral("19") + all} &&
             entries.isEmpty())
        ++t.untouched;
    else
        note(t, QStringLiteral("slot 0 at %1; accounts (rate x count) %2; entries (category x count) %3")
                    .arg(slot, accounts.join(QLatin1Char(' ')), entries.join(QLatin1Char(' '))));
    return t;
}

void CrashDb::reset()
{
    if (m_kind == Kind::Articles) {
        m_host.exec(QStringLiteral("update artikel set mwstsatzih = 1, mwstsatzah = 1 "
                                   "where mwstsatzih <> 1 or mwstsatzah <> 1"));
    } else {
        m_host.exec(QStringLiteral("update einstellungen set numwert = 19 where schluessel = 'MwstSatz0'"));
        m_host.exec(QStringLiteral("update kassenbuchkonten set steuersatz = 19 where steuersatz <> 19"));
    }
    m_host.exec(QStringLiteral("delete from vorgangsprotokoll"));
}

std::string CrashDb::validate(std::string& warnings)
{
    warnings.clear();
    m_host.disconnect();
    const QString report = m_host.path() + QStringLiteral(".validation.txt");
    const std::optional<int> rc = run({"gfix", "-user", "SYSDBA", "-password", "plumtrove", "-validate",
                                       "-full", "-no_update", m_host.connectionString().toStdString()},
                                      Millis(60000), report.toStdString());
    QFile f(report);
    const QString text =
        f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()).trimmed() : QString();
    f.remove();
    if (!rc)
        return "gfix -validate did not end within 60 s";
    // The report is a heading and one "Number of ... : n" line per kind of finding.
    bool onlyWarnings = true;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString l = line.trimmed();
        if (l == QLatin1String("Summary of validation errors"))
            continue;
        if (l.startsWith(QLatin1String("Number of ")) &&
            l.section(QLatin1Char(':'), 0, 0).trimmed().endsWith(QLatin1String(" warnings"))) {
            warnings += (warnings.empty() ? "" : "; ") + l.simplified().toStdString();
            continue;
        }
        onlyWarnings = false;
    }
    if (*rc != 0 || !onlyWarnings)
        return "gfix -validate (exit code " + std::to_string(*rc) + "): " + text.toStdString();
    return {};
}

} // namespace crash
