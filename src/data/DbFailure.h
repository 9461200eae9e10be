#pragma once

#include <QString>

#include <exception>

namespace data {

// Why a unit of work did not reach the database, kept for whoever tells the user. Lock
// conflicts are told apart by the error's SQLSTATE, never by its text, which the client
// writes in English and which changes between versions.
struct TDbFailure
{
    QString message; // the client's own words
    QString sqlState;
    bool lockConflict = false;
    bool connectionLost = false;

    static TDbFailure From(const std::exception& error);
    // What a technician reads: a lock conflict and a lost connection in German words, with
    // the client's own words after them; any other error in the client's words.
    QString Explanation() const;
    static TDbFailure FromText(const QString& message);
};

} // namespace data
