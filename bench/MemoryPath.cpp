// Resident memory of the tool with a large article list loaded and both lists filled,
// measured in a process of its own so that nothing of the benchmark counts.

#include "BenchHosts.h"
#include "Compare.h"
#include "Paths.h"
#include "ToolWindow.h"
#include "app/MainForm.h"
#include "widgets/ArticleGrid.h"
#include "widgets/ArticleGridModel.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTextStream>

#include <stdexcept>

namespace bench {

namespace {

// A line of /proc/self/status in kB.
long StatusKb(const char* key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(static_cast<qsizetype>(std::strlen(key))).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace

int MemoryProbeMain(const QString& programFolder)
{
    ToolWindow window(programFolder);
    app::TMainFrm* frm = window.frm();
    window.requestPage(1);
    // Every other product group into the selection: about half the articles.
    QAbstractItemModel* m = frm->grdVorhandeneArtikel->model();
    for (int g = 0; g < m->rowCount(); g += 2)
        m->setData(m->index(g, widgets::TArticleGridModel::NameColumn), Qt::Checked, Qt::CheckStateRole);
    frm->actSelectArticleExecute();
    window.paint();
    QCoreApplication::processEvents();
    QTextStream(stdout) << "available=" << frm->grdVorhandeneArtikel->ArticleCount()
                        << " selected=" << frm->grdAusgewArtikel->ArticleCount()
                        << " rss_kb=" << StatusKb("VmRSS:") << " hwm_kb=" << StatusKb("VmHWM:") << Qt::endl;
    return 0;
}

void RunMemoryPath(const Options& o, Table& table)
{
    testsupport::HostDb& host = BigHost(o.bigArticles, o.bigGroups);
    progress(QStringLiteral("resident memory with %1 articles, half selected").arg(o.bigArticles));
    QTemporaryDir folder;
    host.writeIni(folder.path());
    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    probe.setProcessEnvironment(env);
    probe.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--memory-probe"), folder.path()});
    if (!probe.waitForFinished(180000) || probe.exitCode() != 0)
        throw std::runtime_error("the memory probe failed: " + probe.readAllStandardError().toStdString());
    const QString out = QString::fromLatin1(probe.readAllStandardOutput()).trimmed();
    QMap<QString, long> values;
    for (const QString& item : out.split(QLatin1Char(' '))) {
        const auto kv = item.split(QLatin1Char('='));
        if (kv.size() == 2)
            values[kv[0]] = kv[1].toLong();
    }
    if (values.value(QStringLiteral("available")) + values.value(QStringLiteral("selected")) != o.bigArticles)
        throw std::runtime_error("the memory probe did not list every article: " + out.toStdString());
    table.addLimit(QStringLiteral("6  resident memory, %1 articles listed").arg(o.bigArticles),
                   static_cast<double>(values.value(QStringLiteral("rss_kb"))) * 1.024 / 1000.0,
                   QStringLiteral("MB"), 150);
    table.addNote(
        QStringLiteral("6: %1 available, %2 selected; peak resident %3 MB")
            .arg(values.value(QStringLiteral("available")))
            .arg(values.value(QStringLiteral("selected")))
            .arg(static_cast<double>(values.value(QStringLiteral("hwm_kb"))) * 1.024 / 1000.0, 0, 'f', 1));
}

} // namespace bench
