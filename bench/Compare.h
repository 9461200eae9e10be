#pragma once

// What the comparison run shares: its sizes, the paired timing of the tool against its
// baseline, and the one table printed at the end.

#include <QElapsedTimer>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace bench {

struct Options
{
    bool quick = false;
    int saveArticles = 2000; // articles written per round of the save
    int saveRounds = 3;
    int bigArticles = 100000; // the articles page
    int bigGroups = 500;
    int pageRounds = 7;
    int openRounds = 25;
    int startRounds = 10;
    QString display; // an X server for the start-up path; empty: skipped
    QString only;    // run only the paths whose key contains this
    bool wants(const char* key) const { return only.isEmpty() || QString::fromLatin1(key).contains(only); }

    static Options quickSizes();
};

// Milliseconds spent in `work`.
template <class Work> double timeMs(Work&& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> values);

// Runs both sides `rounds` times, alternating which goes first, so that a machine that
// gets busier or quieter during the run weighs on both alike. Each side returns the
// milliseconds of its timed part and does its own untimed preparation. Medians.
struct Paired
{
    double tool = 0;
    double baseline = 0;
};
Paired runPaired(int rounds, const std::function<double()>& tool, const std::function<double()>& baseline);

class Table
{
public:
    // A time against a baseline: holds when tool <= factor * baseline.
    void addRatio(const QString& path, double toolMs, const QString& baselineName, double baselineMs,
                  double factor);
    // An absolute limit: holds when value < limit.
    void addLimit(const QString& path, double value, const QString& unit, double limit);
    void addSkipped(const QString& path, const QString& why);
    void addNote(const QString& note) { m_notes << note; }
    void print() const;
    bool allHold() const;

private:
    struct Row
    {
        QString path, tool, baseline, ratio, goal, holds;
    };
    std::vector<Row> m_rows;
    QStringList m_notes;
};

// Progress for the reader of a long run; the table is the result.
void progress(const QString& text);

} // namespace bench
