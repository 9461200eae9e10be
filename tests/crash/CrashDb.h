#pragma once

// The host database of a crash trial: made once, with forced writes on as at a till, then
// checked and put back after every trial.

#include "HostDb.h"

#include <QString>

#include <string>
#include <vector>

namespace crash {

// What one save writes, and so what a trial checks.
enum class Kind {
    Articles, // every article moves from slots 1/1 to 0/2, each with its entry of category 9
    General,  // slot 0 moves from 19 to 16 with every account, and one entry of category 6
};

const char* nameOf(Kind kind);

// Units of work found after a trial: wholly written, not written at all, or neither.
struct Tally
{
    int written = 0;
    int untouched = 0;
    int halfWritten = 0;
    std::vector<std::string> examples; // the first few half-written units, described
};

class CrashDb
{
public:
    // `count` articles or accounts, on the server at `port`, in `directory`.
    CrashDb(Kind kind, int count, int port, const QString& directory);

    Kind kind() const { return m_kind; }
    int count() const { return m_count; }
    QString connectionString() const { return m_host.connectionString(); }
    // Whether the database writes through to the disk at every commit.
    bool forcedWrites();

    Tally check();
    // Back to the state before any save.
    void reset();
    // The checking connection must be gone before its server is killed.
    void disconnect() { m_host.disconnect(); }
    // Runs the server's full validation; empty when it found no error. Warnings go to
    // `warnings`: a server killed in the middle of an index page split leaves the upper
    // level without the new page's node, which the engine tolerates by design (the page
    // stays reachable from its left sibling) and its validation counts as a warning.
    std::string validate(std::string& warnings);

private:
    Tally checkArticles();
    Tally checkGeneral();

    Kind m_kind;
    int m_count;
    testsupport::HostDb m_host;
};

} // namespace crash
