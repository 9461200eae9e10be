// The tool against the bare Firebird client (and an empty Qt window) on the same private
// server, in the same run. Run through scripts/bench.sh, which starts the server and an X
// server; it prints one table at the end.
//
//   kovantel_bench [--quick] [--only KEY]    KEY: save, enter, move, open, start, memory

#include "BenchHosts.h"
#include "Compare.h"
#include "HostDb.h"
#include "Paths.h"

#include <QApplication>
#include <QLocale>

#include <cstdio>
#include <exception>

int main(int argc, char** argv)
{
    // The window paths paint into memory; the start path starts its programs on X itself.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 2 && args.at(1) == QLatin1String("--memory-probe"))
        return bench::MemoryProbeMain(args.at(2));

    bench::Options o;
    if (args.contains(QStringLiteral("--quick")))
        o = bench::Options::quickSizes();
    const qsizetype only = args.indexOf(QStringLiteral("--only"));
    if (only > 0 && only + 1 < args.size())
        o.only = args.at(only + 1);
    o.display = qEnvironmentVariable("KOVANTEL_BENCH_DISPLAY");
    if (!testsupport::TestServers::available()) {
        std::fprintf(stderr, "No test server: run through scripts/bench.sh\n");
        return 1;
    }

    bench::Table table;
    try {
        if (o.wants("save"))
            bench::RunSavePath(o, table);
        if (o.wants("enter") || o.wants("move"))
            bench::RunArticlesPagePaths(o, table);
        if (o.wants("open"))
            bench::RunOpenPath(o, table);
        if (o.wants("start"))
            bench::RunStartPath(o, table);
        if (o.wants("memory"))
            bench::RunMemoryPath(o, table);
    } catch (const std::exception& e) {
        bench::ReleaseHosts();
        table.print();
        std::fprintf(stderr, "benchmark failed: %s\n", e.what());
        return 1;
    }
    bench::ReleaseHosts();
    table.print();
    return 0;
}
