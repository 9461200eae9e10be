#include "data/Configuration.h"

#include "win/ProfileFile.h"

#include <QDir>
#include <QFileInfo>

namespace data {

TFiliale DefaultFiliale(const QString& programFolder, QChar separator)
{
    TFiliale f;
    f.Server = QStringLiteral("localhost/5050");
    f.DataPath = programFolder + QStringLiteral("Daten") + separator;
    f.DatabaseFile = f.DataPath + QStringLiteral("kovantel.fdb");
    return f;
}

void ParseFiliale(const QString& entry, TFiliale& filiale, QChar separator)
{
    const QChar sep = QLatin1Char(';');
    QString rest = entry;
    qsizetype pos = rest.indexOf(sep);
    if (pos < 0)
        return;
    filiale.DataPath = rest.left(pos);
    if (!filiale.DataPath.endsWith(separator))
        filiale.DataPath += separator;
    rest = rest.mid(pos + 1);

    pos = rest.indexOf(sep);
    if (pos < 0)
        return;
    filiale.Server = rest.left(pos);
    rest = rest.mid(pos + 1);

    pos = rest.indexOf(sep);
    if (pos < 0) {
        filiale.DatabaseFile = rest;
        filiale.Extra.clear();
    } else {
        filiale.DatabaseFile = rest.left(pos);
        filiale.Extra = rest.mid(pos + 1);
    }
}

QString RewriteServer(const QString& server)
{
    const qsizetype slash = server.indexOf(QLatin1Char('/'));
    if (slash < 0)
        return server + QStringLiteral("/5050");
    const QString head = server.left(slash + 1);
    if (server.contains(QLatin1String("/5050")))
        return head + QStringLiteral("3050");
    return head + QStringLiteral("5050");
}

QString ConfigurationFileName(const QString& programFolder)
{
    const QString name = QStringLiteral("Kovantel.ini");
    const QString exact = programFolder + name;
    if (QFileInfo(exact).isFile())
        return exact;
    // A program folder copied from a Windows till brings the name in whatever case it had
    // there ("KOVANTEL.INI"), and Windows would find it. Several spellings side by side
    // cannot come from Windows; the first in name order is taken, so the choice is stable.
    const QDir folder(programFolder.isEmpty() ? QStringLiteral(".") : programFolder);
    const QStringList candidates = folder.entryList(QDir::Files, QDir::Name);
    for (const QString& candidate : candidates)
        if (candidate.compare(name, Qt::CaseInsensitive) == 0)
            return programFolder + candidate;
    return QString();
}

QString ReadBranchOfficeEntry(const QString& iniFile)
{
    win::ProfileFile ini;
    ini.load(iniFile);
    QString name =
        ini.readString(QStringLiteral("Allgemein"), QStringLiteral("Datenbank"), QStringLiteral("Kovantel"));
    if (name.isEmpty())
        name = QStringLiteral("Kovantel");
    return ini.readString(QStringLiteral("Filialen"), name, QString());
}

} // namespace data
