// Kills the database server, or the tool itself, at random moments of a save and checks
// afterwards that every unit of work is in the database whole, with its protocol entry, or
// not at all.
//
//   crash_test SERVER_SCRIPT SERVER_ROOT PORT DATABASES WORKER
//
// run by run-crash-test.sh, which prepares the private server. KOVANTEL_CRASH_TRIALS (20)
// and KOVANTEL_CRASH_SEED repeat or widen a run.

#include "CrashDb.h"
#include "Processes.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <random>
#include <string>
#include <thread>
#include <vector>

using namespace crash;

namespace {

constexpr int Units = 2000; // articles, or accounts following the slot
const Millis ReadyTimeout(60000);
const Millis SaveTimeout(120000);
const Millis EndTimeout(60000);

enum class Victim { Server, Tool };

struct Options
{
    std::string script, root, databases, worker;
    int port = 0;
    int trials = 20;
    unsigned seed = 0;
};

struct Figures
{
    int trials = 0;
    int cut = 0; // trials in which the kill came before the save had ended
    int checked = 0;
    int halfWritten = 0;
};

// A problem that ends the run: what is left could not be checked honestly.
struct Fatal
{
    std::string message;
};

class CrashRun
{
public:
    CrashRun(const Options& o, Server& server) : m_o(o), m_server(server), m_random(o.seed) {}

    // All trials of one kind of save; false when a unit was found half written.
    bool run(Kind kind)
    {
        CrashDb db(kind, Units, m_o.port, QString::fromStdString(m_o.databases));
        if (!db.forcedWrites())
            throw Fatal{"the crash database does not have forced writes on"};

        // The first save meets cold caches, which the trials' saves mostly do not; after it,
        // saves still vary with the load of the machine, and the longer of two covers the
        // whole of a slow save, its final commit included.
        const Millis first = uninterrupted(db);
        const Millis second = uninterrupted(db);
        const Millis whole = std::max(second, uninterrupted(db));
        std::printf("== %s, %d %s, forced writes on: an uninterrupted save takes up to %lld ms (%lld ms the "
                    "first time)\n",
                    nameOf(kind), Units, kind == Kind::Articles ? "articles" : "accounts following slot 0",
                    static_cast<long long>(whole.count()), static_cast<long long>(first.count()));
        std::fflush(stdout);

        bool ok = true;
        for (const Victim victim : {Victim::Server, Victim::Tool}) {
            const Figures f = trials(db, victim, whole);
            std::printf("   %s killed: %d trials, %d of them during the save; %d units checked, "
                        "%d half-written\n",
                        victim == Victim::Server ? "server" : "tool", f.trials, f.cut, f.checked,
                        f.halfWritten);
            std::fflush(stdout);
            ok = ok && f.halfWritten == 0;
        }
        std::string warnings;
        const std::string problems = db.validate(warnings);
        if (!problems.empty())
            throw Fatal{std::string("the database is damaged: ") + problems};
        std::printf("   database validation after all trials: no errors%s%s\n", warnings.empty() ? "" : "; ",
                    warnings.c_str());
        return ok;
    }

private:
    std::vector<std::string> workerArgs(const CrashDb& db) const
    {
        return {m_o.worker, db.kind() == Kind::Articles ? "articles" : "general",
                db.connectionString().toStdString()};
    }

    static bool savedLine(const std::string& line) { return line.rfind("done 1 ", 0) == 0; }

    static void waitForReady(Worker& w)
    {
        const auto line = w.readLine(ReadyTimeout);
        if (!line || *line != "ready")
            throw Fatal{"the tool did not get ready to save; it wrote: " + w.output()};
    }

    // Whether the worker reported a finished save; reads whatever it wrote until it ended.
    static bool savedWhole(Worker& w)
    {
        bool saved = false;
        while (const auto line = w.readLine(EndTimeout))
            saved = saved || savedLine(*line);
        return saved;
    }

    Millis uninterrupted(CrashDb& db)
    {
        db.disconnect();
        Worker w(workerArgs(db));
        waitForReady(w);
        const auto start = Clock::now();
        const auto line = w.readLine(SaveTimeout);
        const auto took = std::chrono::duration_cast<Millis>(Clock::now() - start);
        if (!line || !savedLine(*line))
            throw Fatal{"the uninterrupted save failed; the tool wrote: " + w.output()};
        if (!w.waitForExit(EndTimeout))
            throw Fatal{"the tool did not end after its save"};
        const Tally t = db.check();
        const int units = db.kind() == Kind::Articles ? Units : 1;
        if (t.written != units || t.halfWritten != 0)
            throw Fatal{"the uninterrupted save did not write everything: " + std::to_string(t.written) +
                        " of " + std::to_string(units) +
                        (t.examples.empty() ? "" : "; " + t.examples.front())};
        db.reset();
        return took;
    }

    // Kill moments spread over the whole save: one in each of `trials` equal slices, at a
    // random point of its slice, in random order.
    std::vector<Millis> delays(Millis whole)
    {
        std::uniform_real_distribution<double> u(0.0, 1.0);
        std::vector<Millis> out;
        for (int i = 0; i < m_o.trials; ++i)
            out.emplace_back(static_cast<long long>(whole.count() * (i + u(m_random)) / m_o.trials));
        std::shuffle(out.begin(), out.end(), m_random);
        return out;
    }

    Figures trials(CrashDb& db, Victim victim, Millis whole)
    {
        Figures f;
        for (const Millis delay : delays(whole)) {
            db.disconnect();
            Worker w(workerArgs(db));
            waitForReady(w);
            std::this_thread::sleep_for(delay);

            bool saved = false;
            if (victim == Victim::Server) {
                if (!m_server.killHard())
                    throw Fatal{"the killed server did not go away"};
                saved = savedWhole(w);
                const bool ended = w.waitForExit(EndTimeout);
                std::string error;
                if (!m_server.start(error))
                    throw Fatal{"the server did not come back after being killed: " + error};
                if (!ended)
                    throw Fatal{"the tool hung after the server went away"};
            } else {
                if (!w.kill())
                    throw Fatal{"the killed tool did not go away"};
                saved = savedWhole(w);
            }

            const Tally t = db.check();
            ++f.trials;
            f.cut += saved ? 0 : 1;
            f.checked += t.written + t.untouched + t.halfWritten;
            f.halfWritten += t.halfWritten;
            std::printf("   %-6s kill after %5lld ms: %4d written, %4d untouched, %d half-written%s\n",
                        victim == Victim::Server ? "server" : "tool", static_cast<long long>(delay.count()),
                        t.written, t.untouched, t.halfWritten, saved ? " (the save had ended)" : "");
            for (const std::string& e : t.examples)
                std::printf("      HALF-WRITTEN: %s\n", e.c_str());
            std::fflush(stdout);
            db.reset();
        }
        return f;
    }

    const Options& m_o;
    Server& m_server;
    std::mt19937 m_random;
};

int envNumber(const char* name, int fallback)
{
    const char* v = std::getenv(name);
    return v && *v ? std::atoi(v) : fallback;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 6) {
        std::fprintf(stderr, "usage: crash_test SERVER_SCRIPT SERVER_ROOT PORT DATABASES WORKER\n");
        return 2;
    }
    QCoreApplication app(argc, argv);
    Options o;
    o.script = argv[1];
    o.root = argv[2];
    o.port = std::atoi(argv[3]);
    o.databases = argv[4];
    o.worker = argv[5];
    o.trials = std::max(1, envNumber("KOVANTEL_CRASH_TRIALS", 20));
    o.seed = static_cast<unsigned>(
        envNumber("KOVANTEL_CRASH_SEED", static_cast<int>(std::random_device{}() >> 1)));
    std::printf("crash trials: %d per kind and victim, seed %u (KOVANTEL_CRASH_SEED repeats it)\n", o.trials,
                o.seed);

    adoptOrphans();
    Server server(o.script, o.root, o.port);
    const auto start = Clock::now();
    bool ok = true;
    try {
        std::string error;
        if (!server.start(error))
            throw Fatal{"the private server did not start: " + error};
        CrashRun run(o, server);
        for (const Kind kind : {Kind::Articles, Kind::General})
            ok = run.run(kind) && ok;
    } catch (const Fatal& f) {
        std::printf("FAILED: %s\n", f.message.c_str());
        ok = false;
    } catch (const std::exception& e) {
        std::printf("FAILED: %s\n", e.what());
        ok = false;
    }
    server.stop();
    std::printf("%s after %lld s\n", ok ? "passed" : "FAILED",
                static_cast<long long>(
                    std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - start).count()));
    return ok ? 0 : 1;
}
