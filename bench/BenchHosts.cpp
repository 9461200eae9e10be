#include "BenchHosts.h"

#include "BareClient.h"
#include "Compare.h"
#include "win/Cp1252.h"

#include <map>
#include <memory>
#include <stdexcept>

using namespace Firebird;

namespace bench {

namespace {

// Names are made by the server; the statement is sent in Windows-1252 over a connection of
// that character set, so the umlauts arrive as the host stores them.
const char* const BuildBlock = R"sql(execute block (n integer = ?, groups integer = ?) as
  declare i integer = 1;
begin
  while (i <= groups) do
  begin
    insert into warengruppe (id, bezeichnung) values (:i,
      decode(mod(:i, 6), 0, 'Getränke', 1, 'Speisen', 2, 'Weißweine', 3, 'Süßspeisen', 4, 'Kaffee & Tee',
             'Biere vom Faß') || ' ' || :i);
    i = i + 1;
  end
  i = 1;
  while (i <= n) do
  begin
    insert into artikel (artikelid, bezeichnung, warengruppe, mwstsatzih, mwstsatzah) values (:i,
      iif(mod(:i, 5000) = 0, null,
          decode(mod(:i * 7919, 9), 0, 'Käsespätzle', 1, 'Pils 0,5', 2, 'Weißbier hell', 3, 'Apfelschorle',
                 4, 'Schnitzel Wiener Art mit Pommes frites und Salat', 5, 'Brezel', 6, 'Grüner Veltliner',
                 7, 'Espresso', 'Crème brûlée') || ' ' || :i),
      iif(mod(:i, 1000) = 0, null, mod(:i * 31, :groups) + 1),
      iif(mod(:i, 1000) = 7, 7, mod(:i, 5)),
      mod(:i + 1, 5));
    i = i + 1;
  end
end)sql";

} // namespace

void BuildArticles(testsupport::HostDb& host, int articles, int groups)
{
    bare::Status st;
    IAttachment* att = bare::attach(st, host.connectionString(), {false, "WIN1252"});
    ITransaction* tr = bare::startTransaction(st, att);
    const QByteArray sql = win::toWindows1252(QString::fromUtf8(BuildBlock));
    // Prepared as it stands: the block's own ":i" are variables, not parameters.
    IStatement* s = att->prepare(&st, tr, static_cast<unsigned>(sql.size()), sql.constData(), 3,
                                 IStatement::PREPARE_PREFETCH_METADATA);
    st.check();
    bare::Message in = bare::inputMessage(st, s);
    in.setInt(0, articles);
    in.setInt(1, groups);
    s->execute(&st, tr, in.meta(), in.data(), nullptr, nullptr);
    st.check();
    tr->commit(&st);
    st.check();
    bare::release(s);
    bare::detach(att);
}

namespace {
std::map<std::pair<int, int>, std::unique_ptr<testsupport::HostDb>>& Hosts()
{
    static std::map<std::pair<int, int>, std::unique_ptr<testsupport::HostDb>> hosts;
    return hosts;
}
} // namespace

void ReleaseHosts()
{
    Hosts().clear();
}

testsupport::HostDb& BigHost(int articles, int groups)
{
    auto& h = Hosts()[{articles, groups}];
    if (!h) {
        const double ms = timeMs([&] {
            h = std::make_unique<testsupport::HostDb>();
            h->fillStandard();
            BuildArticles(*h, articles, groups);
        });
        progress(QStringLiteral("host with %1 articles in %2 groups made in %3 ms")
                     .arg(articles)
                     .arg(groups)
                     .arg(ms, 0, 'f', 0));
    }
    return *h;
}

void SetForcedWrites(testsupport::HostDb& host)
{
    bare::Status st;
    IAttachment* att = bare::attach(st, host.connectionString(), {true, {}});
    bare::detach(att);
    if (host.scalar(QStringLiteral("select mon$forced_writes from mon$database")).toInt() != 1)
        throw std::runtime_error("forced writes could not be set");
}

} // namespace bench
