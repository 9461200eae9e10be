#pragma once

#include <QChar>
#include <QString>

namespace data {

// Connection settings of a branch office, in declared order.
struct TFiliale
{
    QString Server;
    QString DatabaseFile;
    QString DataPath;
    QString Extra;

    friend bool operator==(const TFiliale&, const TFiliale&) = default;
};

// The defaults that are set before every parse. `programFolder` ends in a separator.
TFiliale DefaultFiliale(const QString& programFolder, QChar separator);

// Parses a branch-office entry "DataPath;Server;DatabaseFile;Extra" over `filiale`, which
// holds the defaults. Pieces are taken as they stand; only DataPath gets a trailing
// separator.
void ParseFiliale(const QString& entry, TFiliale& filiale, QChar separator);

// The server part of the second connection attempt.
QString RewriteServer(const QString& server);

// The configuration file of the host installation in `programFolder` (which ends in a
// separator), found as Windows finds it: the name "Kovantel.ini" in any letter case, the
// exact spelling first. Empty when the folder holds no such file (directories do not
// count).
QString ConfigurationFileName(const QString& programFolder);
// Reads from that file the branch-office entry named by [Allgemein] Datenbank (default
// "Kovantel").
QString ReadBranchOfficeEntry(const QString& iniFile);

} // namespace data
