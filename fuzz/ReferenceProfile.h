#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace fuzz {

// The rules of win::ProfileFile in their plainest form: every lookup walks the lists and
// compares names with QString::compare. Slow on purpose; the fuzz target checks the
// indexed reader against it.
class ReferenceProfile
{
public:
    struct Entry
    {
        QString key;
        QString value;
    };
    struct Section
    {
        QString name;
        QList<Entry> entries; // empty for a repeated section, whose lines are unreachable
    };

    explicit ReferenceProfile(const QByteArray& content);

    QString readString(const QString& section, const QString& key, const QString& defaultValue) const;
    const QList<Section>& sections() const { return m_sections; }

private:
    QList<Section> m_sections;
};

} // namespace fuzz
