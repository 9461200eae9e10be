// The articles page with a large article list, through the real window and its widgets,
// against the bare fetch of the same statement with every text decoded.

#include "BareClient.h"
#include "BenchHosts.h"
#include "Compare.h"
#include "Paths.h"
#include "ToolWindow.h"
#include "app/MainForm.h"
#include "data/HostStatements.h"
#include "widgets/ArticleGrid.h"
#include "widgets/ArticleGridModel.h"
#include "widgets/PageControl.h"

#include <QStringDecoder>
#include <QTemporaryDir>

#include <stdexcept>

using namespace Firebird;

namespace bench {

namespace {

// The bare reader: the statement prepared once on a connection of its own, each fetch in
// a transaction of its own; every text goes through a real Windows-1252 converter and
// the rows are kept, as any program that shows them must keep them.
class BareArticleFetch
{
public:
    explicit BareArticleFetch(testsupport::HostDb& host)
    {
        if (!m_decoder.isValid())
            throw std::runtime_error("no Windows-1252 decoder in this Qt");
        m_att = bare::attach(m_st, host.connectionString());
        ITransaction* tr = bare::startTransaction(m_st, m_att);
        m_statement = bare::prepare(m_st, m_att, tr, data::sql::dseArtikel);
        m_out = bare::outputMessage(m_st, m_statement);
        tr->commit(&m_st);
        m_st.check();
    }
    ~BareArticleFetch()
    {
        bare::release(m_statement);
        bare::detach(m_att);
    }

    struct Row
    {
        QString group, name;
        std::int32_t id = 0;
        std::int16_t ih = 0, ah = 0;
        double rateIh = 0, rateAh = 0;
    };

    std::size_t fetch()
    {
        std::vector<Row> rows;
        ITransaction* tr = bare::startTransaction(m_st, m_att);
        bare::fetchAll(m_st, m_statement, tr, nullptr, m_out, [&](bare::Message& m) {
            Row r;
            r.group = decode(m, 0);
            r.name = decode(m, 1);
            r.id = static_cast<std::int32_t>(m.getInt(2));
            r.ih = static_cast<std::int16_t>(m.getInt(3));
            r.ah = static_cast<std::int16_t>(m.getInt(4));
            r.rateIh = m.getDouble(5);
            r.rateAh = m.getDouble(6);
            rows.push_back(std::move(r));
        });
        tr->commit(&m_st);
        m_st.check();
        return rows.size();
    }

private:
    QString decode(const bare::Message& m, unsigned field)
    {
        unsigned length = 0;
        const char* p = m.textData(field, length);
        return m_decoder.decode(QByteArrayView(p, length));
    }

    bare::Status m_st;
    IAttachment* m_att = nullptr;
    IStatement* m_statement = nullptr;
    bare::Message m_out;
    QStringDecoder m_decoder{"windows-1252"};
};

void TickAllGroups(widgets::TArticleGrid* grid)
{
    QAbstractItemModel* m = grid->model();
    for (int g = 0; g < m->rowCount(); ++g)
        m->setData(m->index(g, widgets::TArticleGridModel::NameColumn), Qt::Checked, Qt::CheckStateRole);
}

} // namespace

void RunArticlesPagePaths(const Options& o, Table& table)
{
    const int n = o.bigArticles;
    testsupport::HostDb& host = BigHost(n, o.bigGroups);
    QTemporaryDir folder;
    host.writeIni(folder.path());
    progress(QStringLiteral("articles page: opening the window"));
    ToolWindow window(folder.path());
    app::TMainFrm* frm = window.frm();
    BareArticleFetch bare(host);

    auto baseline = [&] {
        std::size_t rows = 0;
        const double ms = timeMs([&] { rows = bare.fetch(); });
        if (rows != static_cast<std::size_t>(n))
            throw std::runtime_error("the bare fetch missed articles");
        return ms;
    };

    if (o.wants("enter")) {
        progress(QStringLiteral("articles page: entering with %1 articles").arg(n));
        auto enter = [&] {
            window.requestPage(0);
            const double ms = timeMs([&] {
                window.requestPage(1);
                window.paint();
            });
            if (frm->grdVorhandeneArtikel->ArticleCount() != n)
                throw std::runtime_error("the list misses articles");
            return ms;
        };
        const Paired p = runPaired(o.pageRounds, enter, baseline);
        table.addRatio(QStringLiteral("2  enter articles page, %1 articles").arg(n), p.tool,
                       QStringLiteral("(bare fetch, decoded)"), p.baseline, 1.5);

        // Where the time goes, for whoever has to make it faster.
        window.requestPage(0);
        const double load = timeMs([&] { data::MainDM->OpenArticleData(); });
        const double fill = timeMs([&] { frm->FillArticleGrids(); });
        frm->pgcVatRates->setActivePageIndex(1);
        const double paint = timeMs([&] { window.paint(); });
        progress(QStringLiteral("  of which: load %1 ms, fill %2 ms, paint %3 ms")
                     .arg(load, 0, 'f', 0)
                     .arg(fill, 0, 'f', 0)
                     .arg(paint, 0, 'f', 1));
    }

    if (o.wants("move")) {
        window.requestPage(1);
        progress(QStringLiteral("articles page: moving all %1 articles and back").arg(n));
        auto move = [&] {
            int moved = 0;
            const double ms = timeMs([&] {
                TickAllGroups(frm->grdVorhandeneArtikel);
                frm->actSelectArticleExecute();
                window.paint();
                moved = frm->grdAusgewArtikel->ArticleCount();
                TickAllGroups(frm->grdAusgewArtikel);
                frm->actUnselectArticleExecute();
                window.paint();
            });
            if (moved != n || frm->grdVorhandeneArtikel->ArticleCount() != n ||
                frm->grdAusgewArtikel->ArticleCount() != 0)
                throw std::runtime_error("not every article came back");
            return ms;
        };
        const Paired p = runPaired(o.pageRounds, move, baseline);
        table.addRatio(QStringLiteral("3  tick+move all %1 there and back").arg(n), p.tool,
                       QStringLiteral("(bare fetch, decoded)"), p.baseline, 0.5);
    }
    window.requestPage(0);
}

} // namespace bench
