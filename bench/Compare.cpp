#include "Compare.h"

#include <QLocale>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

namespace bench {

Options Options::quickSizes()
{
    Options o;
    o.quick = true;
    o.saveArticles = 200;
    o.saveRounds = 2;
    o.bigArticles = 20000;
    o.bigGroups = 100;
    o.pageRounds = 3;
    o.openRounds = 8;
    o.startRounds = 3;
    return o;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

Paired runPaired(int rounds, const std::function<double()>& tool, const std::function<double()>& baseline)
{
    std::vector<double> t, b;
    for (int r = 0; r < rounds; ++r) {
        if (r % 2 == 0) {
            t.push_back(tool());
            b.push_back(baseline());
        } else {
            b.push_back(baseline());
            t.push_back(tool());
        }
    }
    return {median(t), median(b)};
}

namespace {

QString ms(double v)
{
    return v >= 100 ? QStringLiteral("%1 ms").arg(v, 0, 'f', 0) : QStringLiteral("%1 ms").arg(v, 0, 'f', 1);
}

} // namespace

void Table::addRatio(const QString& path, double toolMs, const QString& baselineName, double baselineMs,
                     double factor)
{
    const double ratio = baselineMs > 0 ? toolMs / baselineMs : 0;
    m_rows.push_back({path, ms(toolMs), ms(baselineMs) + QStringLiteral(" ") + baselineName,
                      QStringLiteral("%1").arg(ratio, 0, 'f', 2),
                      QStringLiteral("<= %1").arg(factor, 0, 'f', 2),
                      ratio <= factor ? QStringLiteral("yes") : QStringLiteral("NO")});
}

void Table::addLimit(const QString& path, double value, const QString& unit, double limit)
{
    m_rows.push_back({path, QStringLiteral("%1 %2").arg(value, 0, 'f', 1).arg(unit), QStringLiteral("-"),
                      QStringLiteral("-"), QStringLiteral("< %1 %2").arg(limit, 0, 'f', 0).arg(unit),
                      value < limit ? QStringLiteral("yes") : QStringLiteral("NO")});
}

void Table::addSkipped(const QString& path, const QString& why)
{
    m_rows.push_back({path, QStringLiteral("-"), QStringLiteral("-"), QStringLiteral("-"),
                      QStringLiteral("-"), QStringLiteral("skipped: ") + why});
}

bool Table::allHold() const
{
    return std::all_of(m_rows.begin(), m_rows.end(),
                       [](const Row& r) { return r.holds != QLatin1String("NO"); });
}

void Table::print() const
{
    const Row head{QStringLiteral("path"),  QStringLiteral("tool"), QStringLiteral("baseline"),
                   QStringLiteral("ratio"), QStringLiteral("goal"), QStringLiteral("holds")};
    std::vector<Row> all{head};
    all.insert(all.end(), m_rows.begin(), m_rows.end());
    qsizetype w[6] = {};
    for (const Row& r : all) {
        const QString* cells[6] = {&r.path, &r.tool, &r.baseline, &r.ratio, &r.goal, &r.holds};
        for (int i = 0; i < 6; ++i)
            w[i] = std::max(w[i], cells[i]->size());
    }
    QTextStream out(stdout);
    auto line = [&](const Row& r) {
        out << r.path.leftJustified(w[0]) << "  " << r.tool.rightJustified(w[1]) << "  "
            << r.baseline.leftJustified(w[2]) << "  " << r.ratio.rightJustified(w[3]) << "  "
            << r.goal.leftJustified(w[4]) << "  " << r.holds << '\n';
    };
    out << '\n';
    line(head);
    out << QString(w[0] + w[1] + w[2] + w[3] + w[4] + w[5] + 10, QLatin1Char('-')) << '\n';
    for (const Row& r : m_rows)
        line(r);
    for (const QString& n : m_notes)
        out << "  " << n << '\n';
    out.flush();
}

void progress(const QString& text)
{
    std::fprintf(stderr, "  .. %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

} // namespace bench
