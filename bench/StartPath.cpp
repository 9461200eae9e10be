// Start to painted window: the real executable against an empty Qt window of the same
// size, both started by the paint watcher on the X server the run was given.

#include "Compare.h"
#include "Paths.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <stdexcept>

namespace bench {

namespace {

#ifdef KOVANTEL_PAINTWATCH_EXE
double PaintedMs(const QString& display, const QString& program, const QString& workDir)
{
    QProcess watch;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("KOVANTEL_TEST_SERVERS"));
    watch.setProcessEnvironment(env);
    watch.setWorkingDirectory(workDir);
    watch.start(QStringLiteral(KOVANTEL_PAINTWATCH_EXE),
                {QStringLiteral("1014"), QStringLiteral("692"), QStringLiteral("20000"), program});
    if (!watch.waitForFinished(30000) || watch.exitCode() != 0)
        throw std::runtime_error("paint watch failed for " + program.toStdString() + ": " +
                                 watch.readAllStandardError().toStdString());
    const QString out = QString::fromLatin1(watch.readAllStandardOutput()).trimmed();
    if (!out.startsWith(QLatin1String("painted_ms=")))
        throw std::runtime_error("paint watch said: " + out.toStdString());
    return out.mid(11).toDouble();
}
#endif

} // namespace

void RunStartPath(const Options& o, Table& table)
{
    const QString path = QStringLiteral("5  start to painted window");
#ifndef KOVANTEL_PAINTWATCH_EXE
    table.addSkipped(path, QStringLiteral("built without the X11 headers"));
    return;
#else
    if (o.display.isEmpty()) {
        table.addSkipped(path, QStringLiteral("no X server (run through scripts/bench.sh)"));
        return;
    }
    progress(QStringLiteral("start to painted window on display %1").arg(o.display));
    // The tool finds no Kovantel.ini here; it would say so a second after its window is
    // painted, but it is ended as soon as the window is painted.
    QTemporaryDir work;
    const QString tool = QStringLiteral(KOVANTEL_TOOL_EXE);
    const QString empty = QStringLiteral(KOVANTEL_EMPTY_WINDOW_EXE);
    // One start of each first, so that both find the libraries in the page cache.
    PaintedMs(o.display, tool, work.path());
    PaintedMs(o.display, empty, work.path());
    const Paired p = runPaired(
        o.startRounds, [&] { return PaintedMs(o.display, tool, work.path()); },
        [&] { return PaintedMs(o.display, empty, work.path()); });
    table.addRatio(path, p.tool, QStringLiteral("(empty Qt window)"), p.baseline, 1.5);
#endif
}

} // namespace bench
