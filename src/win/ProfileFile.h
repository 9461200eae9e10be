#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <string>
#include <unordered_map>

namespace win {

// An initialisation file of the host installation, read the way the
// installation's own programs read it through GetPrivateProfileStringA:
//
//  - section and key names match regardless of case;
//  - blanks (spaces, tabs) around names and values are insignificant;
//  - one pair of matching quotes ("..." or '...') around a value is removed;
//  - a line whose first non-blank character is ";" is a comment, while a ";"
//    inside a value is data (the values are ";"-separated lists);
//  - a line without "=" inside a section is ignored, as are key lines before
//    the first section;
//  - if a section name occurs more than once, only its first occurrence is
//    searched (and within it the first matching key), as Windows does;
//  - a value is cut to 2047 characters, the buffer the installation passes;
//  - the file is Windows-1252, unless it starts with a UTF-8 byte order mark.
class ProfileFile
{
public:
    // The installation reads with a buffer of 2048 bytes, one of them the
    // terminating zero.
    static constexpr qsizetype MaxValueLength = 2047;

    // Returns false when the file cannot be read; the object is then empty,
    // so every lookup yields its default.
    bool load(const QString& path);
    void parse(const QByteArray& content);

    // A missing section or key yields defaultValue; an existing key with an
    // empty value yields an empty string. Like Windows, trailing blanks of
    // the default are dropped.
    QString readString(const QString& section, const QString& key, const QString& defaultValue) const;

private:
    struct Entry
    {
        QString key;
        QString value;
    };

    // Keyed by the case-folded section name, so that a file of many sections
    // loads in linear time.
    std::unordered_map<std::u32string, QList<Entry>> m_sections;
};

// Reads the file anew on every call, like its Windows namesake. fileName must
// be a full path: there is no Windows directory to fall back on.
QString GetPrivateProfileString(const QString& section, const QString& key, const QString& defaultValue,
                                const QString& fileName);

} // namespace win
