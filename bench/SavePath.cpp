// Saving new slots for selected articles: the tool's data module against two bare loops
// over the same statements, on a database with forced writes on, where each commit waits
// for the disk.

#include "BareClient.h"
#include "BenchHosts.h"
#include "Compare.h"
#include "Paths.h"
#include "data/HostStatements.h"
#include "data/MainData.h"

#include <cstdio>
#include <stdexcept>

using namespace Firebird;
using testsupport::HostDb;

namespace bench {

namespace {

constexpr int OldSlot = 1; // every article starts at in-house 1, out-of-house 1
constexpr int NewInHouse = 0;
constexpr int NewOutOfHouse = 2;

void ResetArticles(HostDb& host)
{
    host.exec(QStringLiteral("update artikel set mwstsatzih = :s, mwstsatzah = :s"),
              {{QStringLiteral("s"), OldSlot}});
    host.exec(QStringLiteral("delete from vorgangsprotokoll"));
}

void ExpectWritten(HostDb& host, int articles, const char* who)
{
    const int changed =
        host.scalar(QStringLiteral("select count(*) from artikel where mwstsatzih = :ih and "
                                   "mwstsatzah = :ah"),
                    {{QStringLiteral("ih"), NewInHouse}, {QStringLiteral("ah"), NewOutOfHouse}})
            .toInt();
    if (changed != articles || host.protocolCount() != articles)
        throw std::runtime_error(std::string(who) + " did not write every article");
}

// What the bare loops know of an article before they start, as the tool knows it from its
// loaded list.
struct Article
{
    std::int32_t id = 0;
    QByteArray name; // Windows-1252, cut to 30 characters
    int ih = 0;
    int ah = 0;
};

// "%8.2f" with the German decimal comma.
void rate(char* out, std::size_t size, double v)
{
    std::snprintf(out, size, "%8.2f", v);
    for (char* p = out; *p; ++p)
        if (*p == '.')
            *p = ',';
}

class BareSaver
{
public:
    explicit BareSaver(HostDb& host)
    {
        att = bare::attach(st, host.connectionString());
        ITransaction* tr = bare::startTransaction(st, att);
        IStatement* s =
            bare::prepare(st, att, tr, "select numwert from einstellungen where lower(schluessel) = ?");
        bare::Message in = bare::inputMessage(st, s);
        bare::Message out = bare::outputMessage(st, s);
        for (int slot = 0; slot < 5; ++slot) {
            const QByteArray key = "mwstsatz" + QByteArray::number(slot);
            in.setText(0, key.constData(), static_cast<std::size_t>(key.size()));
            bare::fetchAll(st, s, tr, &in, out, [&](bare::Message& m) { rates[slot] = m.getDouble(0); });
        }
        bare::release(s);
        update = bare::prepare(st, att, tr, data::sql::qrySetArticleVatRates);
        insert = bare::prepare(st, att, tr, data::sql::qryInsVorgangV8);
        updateIn = bare::inputMessage(st, update);
        insertIn = bare::inputMessage(st, insert);
        tr->commit(&st);
        st.check();
    }
    ~BareSaver()
    {
        bare::release(update);
        bare::release(insert);
        bare::detach(att);
    }

    // The articles as they stand now; untimed, like the tool's list.
    std::vector<Article> load()
    {
        std::vector<Article> list;
        ITransaction* tr = bare::startTransaction(st, att);
        IStatement* s = bare::prepare(
            st, att, tr,
            "select artikelid, bezeichnung, mwstsatzih, mwstsatzah from artikel order by artikelid");
        bare::Message out = bare::outputMessage(st, s);
        bare::fetchAll(st, s, tr, nullptr, out, [&](bare::Message& m) {
            Article a;
            a.id = static_cast<std::int32_t>(m.getInt(0));
            a.name = m.getText(1).left(30);
            a.ih = static_cast<int>(m.getInt(2));
            a.ah = static_cast<int>(m.getInt(3));
            list.push_back(std::move(a));
        });
        bare::release(s);
        tr->commit(&st);
        st.check();
        return list;
    }

    // One article: its update and its protocol entry, each committed by itself (the
    // original design) or both in one commit.
    void save(const Article& a, bool oneCommit)
    {
        ITransaction* tr = bare::startTransaction(st, att);
        updateIn.setInt(0, NewInHouse);
        updateIn.setInt(1, NewOutOfHouse);
        updateIn.setInt(2, a.id);
        update->execute(&st, tr, updateIn.meta(), updateIn.data(), nullptr, nullptr);
        st.check();
        if (!oneCommit) {
            tr->commit(&st);
            st.check();
            tr = bare::startTransaction(st, att);
        }
        const std::size_t n = text(a);
        insertIn.setInt(0, 0);
        insertIn.setText(1, "", 0);
        insertIn.setText(2, buffer, n);
        insertIn.setInt(3, 1);
        insertIn.setInt(4, 9);
        insert->execute(&st, tr, insertIn.meta(), insertIn.data(), nullptr, nullptr);
        st.check();
        tr->commit(&st);
        st.check();
    }

private:
    std::size_t text(const Article& a)
    {
        char oldRate[32], newRate[32];
        int n = std::snprintf(buffer, sizeof buffer, "Artikel VK \"%.*s\" ge\xe4ndert",
                              static_cast<int>(a.name.size()), a.name.constData());
        if (a.ih != NewInHouse) {
            rate(oldRate, sizeof oldRate, rates[a.ih]);
            rate(newRate, sizeof newRate, rates[NewInHouse]);
            n += std::snprintf(buffer + n, sizeof buffer - n, "\r\nMwst Satz im Haus: %s %%---> %s %%",
                               oldRate, newRate);
        }
        if (a.ah != NewOutOfHouse) {
            rate(oldRate, sizeof oldRate, rates[a.ah]);
            rate(newRate, sizeof newRate, rates[NewOutOfHouse]);
            n += std::snprintf(buffer + n, sizeof buffer - n,
                               "\r\nMwst Satz au\xdf"
                               "er Haus: %s %%---> %s %%",
                               oldRate, newRate);
        }
        return static_cast<std::size_t>(n);
    }

    bare::Status st;
    IAttachment* att = nullptr;
    IStatement* update = nullptr;
    IStatement* insert = nullptr;
    bare::Message updateIn, insertIn;
    double rates[5] = {};
    char buffer[512];
};

} // namespace

void RunSavePath(const Options& o, Table& table)
{
    const int n = o.saveArticles;
    progress(QStringLiteral("article save: %1 articles, forced writes on").arg(n));
    HostDb host;
    host.fillStandard();
    BuildArticles(host, n, 10);
    SetForcedWrites(host);
    ResetArticles(host);

    data::TProcessInfo info;
    info.ProgramFolder = QStringLiteral("/nonexistent/");
    info.ComputerName = QStringLiteral("Kasse1");
    data::TMainDM dm(nullptr, info);
    dm.dbKovantel.DBName = host.connectionString();
    dm.dbKovantel.Open();
    dm.DatabaseVersion = 8;
    dm.KassenID = 1;
    dm.LoadVatRates();

    BareSaver bare(host);

    auto tool = [&] {
        ResetArticles(host);
        dm.OpenArticleData();
        dm.vdseVatRates.SetValue(QStringLiteral("imhaus"), NewInHouse);
        dm.vdseVatRates.SetValue(QStringLiteral("ausserhaus"), NewOutOfHouse);
        std::vector<std::int32_t> ids;
        for (const data::TArticleRow& r : dm.vdseArticles.Rows())
            ids.push_back(r.artikelid);
        for (const std::int32_t id : ids)
            dm.SelectArticle(id);
        bool saved = false;
        const double ms = timeMs([&] { saved = dm.SaveArticleVatRates(); });
        dm.CloseArticleData();
        if (!saved)
            throw std::runtime_error("the tool's save failed: " + dm.LastError().toStdString());
        ExpectWritten(host, n, "the tool");
        return ms;
    };
    auto loop = [&](bool oneCommit) {
        ResetArticles(host);
        const std::vector<Article> list = bare.load();
        const double ms = timeMs([&] {
            for (const Article& a : list)
                if (a.ih != NewInHouse || a.ah != NewOutOfHouse)
                    bare.save(a, oneCommit);
        });
        ExpectWritten(host, n, "the bare loop");
        return ms;
    };

    // Three sides: the tool against each design, in one rotation so that all three see the
    // same machine.
    std::vector<double> t, a, b;
    for (int r = 0; r < o.saveRounds; ++r) {
        const int first = r % 3;
        for (int k = 0; k < 3; ++k) {
            switch ((first + k) % 3) {
            case 0:
                t.push_back(tool());
                break;
            case 1:
                a.push_back(loop(false));
                break;
            default:
                b.push_back(loop(true));
                break;
            }
        }
    }
    const double toolMs = median(t);
    table.addRatio(QStringLiteral("1a article save, %1 articles").arg(n), toolMs,
                   QStringLiteral("(two commits per article)"), median(a), 0.7);
    table.addRatio(QStringLiteral("1b article save, %1 articles").arg(n), toolMs,
                   QStringLiteral("(one commit per article)"), median(b), 1.1);
}

} // namespace bench
