#include "win/ProfileFile.h"

#include "win/Cp1252.h"

#include <QFile>

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

// Two names are equal under QString::compare(..., Qt::CaseInsensitive) exactly
// when their keys are equal: this folds the same units the same way, a low
// surrogate together with the unit before it.
std::u32string foldedKey(QStringView name)
{
    std::u32string key;
    key.reserve(name.size());
    char32_t last = 0;
    for (const QChar c : name) {
        char32_t unit = c.unicode();
        if (QChar::isLowSurrogate(unit) && QChar::isHighSurrogate(last))
            unit = QChar::surrogateToUcs4(char16_t(last), char16_t(unit));
        last = c.unicode();
        key.push_back(QChar::toCaseFolded(unit));
    }
    return key;
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

    QList<Entry>* current = nullptr;
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
            const auto [section, added] =
                m_sections.try_emplace(foldedKey(trimBlanks(line.mid(1, close - 1))));
            // Lines of a repeated section are unreachable, see the header.
            current = added ? &section->second : nullptr;
            continue;
        }

        if (current == nullptr)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq < 0)
            continue;
        current->append(Entry{trimBlanks(line.first(eq)).toString(),
                              unquote(trimBlanks(line.sliced(eq + 1))).toString()});
    }
}

QString ProfileFile::readString(const QString& section, const QString& key, const QString& defaultValue) const
{
    const auto found = m_sections.find(foldedKey(section));
    if (found != m_sections.end()) {
        for (const Entry& e : found->second) {
            if (QString::compare(e.key, key, Qt::CaseInsensitive) == 0)
                return e.value.left(MaxValueLength);
        }
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
