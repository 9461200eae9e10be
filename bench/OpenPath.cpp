// The open sequence: the tool's data module reading Kovantel.ini, connecting and running
// its four reads, against a bare client that connects and runs the same statements, each
// in a transaction of its own.

#include "BareClient.h"
#include "Compare.h"
#include "HostDb.h"
#include "Paths.h"
#include "data/HostStatements.h"
#include "data/MainData.h"

#include <QDate>
#include <QTemporaryDir>

#include <stdexcept>

using namespace Firebird;

namespace bench {

namespace {

const char* const Station = "Kasse3";

// One read as the tool does it: its own transaction, the statement prepared on this
// attachment, every row fetched.
template <class Bind, class Row>
void Read(bare::Status& st, IAttachment* att, std::vector<IStatement*>& prepared, const char* sql,
          Bind&& bind, Row&& row)
{
    ITransaction* tr = bare::startTransaction(st, att);
    IStatement* s = bare::prepare(st, att, tr, sql);
    prepared.push_back(s);
    bare::Message in = bare::inputMessage(st, s);
    bare::Message out = bare::outputMessage(st, s);
    bind(in);
    bare::fetchAll(st, s, tr, in.count() ? &in : nullptr, out, row);
    tr->commit(&st);
    st.check();
}

} // namespace

void RunOpenPath(const Options& o, Table& table)
{
    progress(QStringLiteral("open sequence"));
    // A till: a handful of registers and a staff list.
    testsupport::HostDb host;
    host.fillStandard();
    for (int k = 2; k <= 5; ++k)
        host.addKasse(k, QStringLiteral("Kasse%1").arg(k));
    for (int m = 2; m <= 25; ++m)
        host.addMitarbeiter(m, QStringLiteral("Vorname%1").arg(m),
                            QStringLiteral("Müller-Lüdenscheidt %1").arg(m),
                            QStringLiteral("login%1").arg(m));
    QTemporaryDir folder;
    host.writeIni(folder.path());

    data::TProcessInfo info;
    info.ProgramFolder = folder.path() + QLatin1Char('/');
    info.ComputerName = QString::fromLatin1(Station);
    data::TMainDM dm(nullptr, info);

    auto tool = [&] {
        int outcome = 0;
        const double ms = timeMs([&] { outcome = dm.OpenBranchOffice(); });
        if (outcome != data::ooReady)
            throw std::runtime_error("the tool's open sequence did not reach ready");
        dm.CloseDatabase();
        return ms;
    };

    const QString connection = host.connectionString();
    auto baseline = [&] {
        bare::Status st;
        IAttachment* att = nullptr;
        std::vector<IStatement*> prepared;
        int version = 0, employees = 0, kasse = 0;
        QDate date;
        const double ms = timeMs([&] {
            att = bare::attach(st, connection);
            auto none = [](bare::Message&) {};
            Read(st, att, prepared, data::sql::dseDatenbankversion, none,
                 [&](bare::Message& m) { version = m.getText(1).split('.').value(0).toInt(); });
            Read(st, att, prepared, data::sql::dseMitarbeiter, none, [&](bare::Message&) { ++employees; });
            Read(
                st, att, prepared, data::sql::dseKassenID,
                [](bare::Message& in) { in.setText(0, Station, std::strlen(Station)); },
                [&](bare::Message& m) {
                    if (!kasse)
                        kasse = static_cast<int>(m.getInt(0));
                });
            Read(st, att, prepared, data::sql::dseServerDatum, none, [&](bare::Message& m) {
                std::int32_t days = 0;
                std::memcpy(&days, m.raw(0), sizeof days);
                date = QDate::fromJulianDay(days + 2400001);
            });
        });
        for (IStatement*& s : prepared)
            bare::release(s);
        bare::detach(att);
        if (version != 8 || employees != 25 || kasse != dm.KassenID || !date.isValid())
            throw std::runtime_error("the bare open sequence read something else");
        return ms;
    };

    const Paired p = runPaired(o.openRounds, tool, baseline);
    table.addRatio(QStringLiteral("4  open sequence"), p.tool, QStringLiteral("(bare connect + 4 reads)"),
                   p.baseline, 1.2);
}

} // namespace bench
