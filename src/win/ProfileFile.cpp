#include "win/ProfileFile.h"

#include "win/Cp1252.h"

#include <QFile>

#include <algorithm>

namespace win {
namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

// Only spaces and tabs count: QString::trimmed() would also eat characters
// such as U+00A0 that Windows keeps.
QStringView trimBlanks(QStringView s)
{
    qsizetype begin = 0;
    qsizetype end = s.size();
    while (begin < end && isBlank(s[begin]))
        ++begin;
    while (end > begin && isBlank(s[end - 1]))
        --end;
    return s.mid(begin, end - begin);
}

QStringView unquote(QStringView value)
{
    if (value.size() >= 2) {
        const QChar first = value.front();
        if ((first == u'"' || first == u'\'') && value.back() == first)
            return value.mid(1, value.size() - 2);
    }
    return value;
}

QString decode(const QByteArray& content)
{
    static const QByteArray utf8Bom("\xEF\xBB\xBF");
    if (content.startsWith(utf8Bom))
        return QString::fromUtf8(content.constData() + utf8Bom.size(), content.size() - utf8Bom.size());
    return fromWindows1252(content);
}

} // namespace

bool ProfileFile::load(const QString& path)
{
    m_sections.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    parse(file.readAll());
    return true;
}

void ProfileFile::parse(const QByteArray& content)
{
    m_sections.clear();
    const QString text = decode(content);

    Section* current = nullptr;
    for (QStringView line : QStringView(text).split(u'\n')) {
        if (line.endsWith(u'\r'))
            line.chop(1);
        line = trimBlanks(line);
        if (line.isEmpty() || line.front() == u';')
            continue;

        if (line.front() == u'[') {
            const qsizetype close = line.lastIndexOf(u']');
            if (close < 0)
                continue;
            const QString name = trimBlanks(line.mid(1, close - 1)).toString();
            const bool seen = std::any_of(m_sections.cbegin(), m_sections.cend(), [&](const Section& s) {
                return QString::compare(s.name, name, Qt::CaseInsensitive) == 0;
            });
            // Lines of a repeated section are unreachable, see the header.
            current = nullptr;
            if (!seen) {
                m_sections.append(Section{name, {}});
                current = &m_sections.back();
            }
            continue;
        }

        if (current == nullptr)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        current->entries.append(Entry{trimBlanks(line.first(eq)).toString(),
                                      unquote(trimBlanks(line.sliced(eq + 1))).toString()});
    }
}

QString ProfileFile::readString(const QString& section, const QString& key, const QString& defaultValue) const
{
    for (const Section& s : m_sections) {
        if (QString::compare(s.name, section, Qt::CaseInsensitive) != 0)
            continue;
        for (const Entry& e : s.entries) {
            if (QString::compare(e.key, key, Qt::CaseInsensitive) == 0)
                return e.value.left(MaxValueLength);
        }
        break;
    }
    QStringView fallback(defaultValue);
    while (!fallback.isEmpty() && fallback.back() == u' ')
        fallback.chop(1);
    return fallback.left(MaxValueLength).toString();
}

QString GetPrivateProfileString(const QString& section, const QString& key, const QString& defaultValue,
                                const QString& fileName)
{
    ProfileFile file;
    file.load(fileName);
    return file.readString(section, key, defaultValue);
}

} // namespace win
