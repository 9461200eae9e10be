// Feeds arbitrary bytes to the configuration reader as the content of Kovantel.ini and
// reads it the way the open sequence does. Besides the sanitizers' findings, a wrong
// answer counts: the indexed reader must agree with the plain reference, and the
// branch-office pieces must keep their shape.
#include "ReferenceProfile.h"

#include "data/Configuration.h"
#include "win/ProfileFile.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

// The reference is quadratic in the number of sections; the large generated seed is
// checked for what the sanitizers find and the shape of the results only.
constexpr qsizetype kReferenceLimit = 64 * 1024;
constexpr int kQueryLimit = 48;

[[noreturn]] void fail(const char* what, const QString& a, const QString& b)
{
    std::fprintf(stderr, "%s\n  got:      %s\n  expected: %s\n", what, qUtf8Printable(a.left(200)),
                 qUtf8Printable(b.left(200)));
    std::abort();
}

void check(bool ok, const char* what, const QString& detail = QString())
{
    if (!ok)
        fail(what, detail, QString());
}

void compareWithReference(const win::ProfileFile& file, const QByteArray& content)
{
    const fuzz::ReferenceProfile reference(content);
    int queries = 0;
    const auto ask = [&](const QString& section, const QString& key) {
        const QString def = QStringLiteral("\x01 ");
        const QString got = file.readString(section, key, def);
        const QString expected = reference.readString(section, key, def);
        if (got != expected)
            fail(qPrintable(QStringLiteral("[%1] %2").arg(section, key)), got, expected);
        ++queries;
    };
    for (const auto& s : reference.sections()) {
        if (queries >= kQueryLimit)
            break;
        ask(s.name, QStringLiteral("Datenbank"));
        ask(s.name.toUpper(), s.name);
        for (const auto& e : s.entries.first(qMin<qsizetype>(s.entries.size(), 3))) {
            ask(s.name, e.key);
            ask(s.name.toLower(), e.key.toUpper());
        }
    }
}

void readLikeTheOpenSequence(const win::ProfileFile& file)
{
    QString name =
        file.readString(QStringLiteral("Allgemein"), QStringLiteral("Datenbank"), QStringLiteral("Kovantel"));
    check(name.size() <= win::ProfileFile::MaxValueLength, "value longer than the buffer", name);
    if (name.isEmpty())
        name = QStringLiteral("Kovantel");
    const QString entry = file.readString(QStringLiteral("Filialen"), name, QString());

    const QChar separator = u'\\';
    const data::TFiliale defaults = data::DefaultFiliale(QStringLiteral("C:\\Kovantel\\"), separator);
    data::TFiliale filiale = defaults;
    data::ParseFiliale(entry, filiale, separator);
    if (entry.contains(u';'))
        check(filiale.DataPath.endsWith(separator), "data path without separator", filiale.DataPath);
    else
        check(filiale == defaults, "an entry without ';' changed the defaults", entry);
    const QString pieces = filiale.DataPath + filiale.Server + filiale.DatabaseFile + filiale.Extra;
    check(pieces.size() <= entry.size() + defaults.DataPath.size() + defaults.Server.size() +
                               defaults.DatabaseFile.size() + 1,
          "pieces longer than the entry", entry);

    const QString rewritten = data::RewriteServer(filiale.Server);
    const qsizetype slash = filiale.Server.indexOf(u'/');
    const QString head = slash < 0 ? filiale.Server + u'/' : filiale.Server.left(slash + 1);
    check(rewritten == head + QStringLiteral("5050") || rewritten == head + QStringLiteral("3050"),
          "rewritten server", rewritten);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray content = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    win::ProfileFile file;
    file.parse(content);
    if (content.size() <= kReferenceLimit)
        compareWithReference(file, content);
    readLikeTheOpenSequence(file);
    return 0;
}
