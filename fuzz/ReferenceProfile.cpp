#include "ReferenceProfile.h"

#include "win/Cp1252.h"
#include "win/ProfileFile.h"

namespace fuzz {
namespace {

QStringView trimBlanks(QStringView s)
{
    while (!s.isEmpty() && (s.front() == u' ' || s.front() == u'\t'))
        s = s.sliced(1);
    while (!s.isEmpty() && (s.back() == u' ' || s.back() == u'\t'))
        s.chop(1);
    return s;
}

bool sameName(const QString& a, const QString& b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

} // namespace

ReferenceProfile::ReferenceProfile(const QByteArray& content)
{
    const QString text = content.startsWith("\xEF\xBB\xBF") ? QString::fromUtf8(content.sliced(3))
                                                            : win::fromWindows1252(content);
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
            const QString name = trimBlanks(line.sliced(1, close - 1)).toString();
            bool seen = false;
            for (const Section& s : m_sections)
                seen = seen || sameName(s.name, name);
            m_sections.append(Section{name, {}});
            current = seen ? nullptr : &m_sections.back();
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (current == nullptr || eq < 0)
            continue;
        QStringView value = trimBlanks(line.sliced(eq + 1));
        if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') &&
            value.back() == value.front())
            value = value.sliced(1, value.size() - 2);
        current->entries.append(Entry{trimBlanks(line.first(eq)).toString(), value.toString()});
    }
}

QString ReferenceProfile::readString(const QString& section, const QString& key,
                                     const QString& defaultValue) const
{
    for (const Section& s : m_sections) {
        if (!sameName(s.name, section))
            continue;
        for (const Entry& e : s.entries) {
            if (sameName(e.key, key))
                return e.value.left(win::ProfileFile::MaxValueLength);
        }
        break;
    }
    QString fallback = defaultValue;
    while (fallback.endsWith(u' '))
        fallback.chop(1);
    return fallback.left(win::ProfileFile::MaxValueLength);
}

} // namespace fuzz
