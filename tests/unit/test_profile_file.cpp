#include "win/Cp1252.h"
#include "win/ProfileFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ctime>
#include <string>

namespace {

std::string utf8(const QString& s)
{
    return s.toStdString();
}

std::string hex(const QByteArray& bytes)
{
    return bytes.toHex(' ').toStdString();
}

// --- Windows-1252 ------------------------------------------------------------

struct DecodeCase
{
    const char* name;
    QByteArray bytes;
    QString text;
};

class Cp1252Decode : public testing::TestWithParam<DecodeCase>
{
};

TEST_P(Cp1252Decode, DecodesLikeWindows)
{
    EXPECT_EQ(utf8(win::fromWindows1252(GetParam().bytes)), utf8(GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Table, Cp1252Decode,
    testing::Values(DecodeCase{"Empty", QByteArray(), QString()},
                    DecodeCase{"Ascii", QByteArray("Mwst 19;7"), QStringLiteral("Mwst 19;7")},
                    DecodeCase{"Umlauts", QByteArray("\xC4\xD6\xDC\xE4\xF6\xFC\xDF"),
                               QStringLiteral("ÄÖÜäöüß")},
                    DecodeCase{"Euro", QByteArray("5 \x80"), QStringLiteral("5 €")},
                    // The range where Windows-1252 departs from Latin-1.
                    DecodeCase{"Typographic", QByteArray("\x84\x93\x96\x8A\x9F"), QStringLiteral("„“–ŠŸ")},
                    // Undefined bytes pass through as the code point of the same value.
                    DecodeCase{"Undefined", QByteArray("a\x81\x8D\x8F\x90\x9Dz"),
                               QStringLiteral("a\u0081\u008D\u008F\u0090\u009Dz")},
                    // The fast path for ASCII must look at the whole input.
                    DecodeCase{"LongAsciiThenUmlaut", QByteArray(5000, 'x') + "\xE4",
                               QString(5000, u'x') + QStringLiteral("ä")}),
    [](const auto& info) { return std::string(info.param.name); });

struct EncodeCase
{
    const char* name;
    QString text;
    QByteArray bytes;
};

class Cp1252Encode : public testing::TestWithParam<EncodeCase>
{
};

TEST_P(Cp1252Encode, EncodesLikeWindows)
{
    EXPECT_EQ(hex(win::toWindows1252(GetParam().text)), hex(GetParam().bytes));
}

INSTANTIATE_TEST_SUITE_P(
    Table, Cp1252Encode,
    testing::Values(
        EncodeCase{"Empty", QString(), QByteArray()},
        EncodeCase{"Ascii", QStringLiteral("Kasse 1"), QByteArray("Kasse 1")},
        EncodeCase{"Umlauts", QStringLiteral("Änderung Mwst Sätze"), QByteArray("\xC4nderung Mwst S\xE4tze")},
        EncodeCase{"Euro", QStringLiteral("€ 5"), QByteArray("\x80 5")},
        EncodeCase{"Undefined", QStringLiteral("\u0081\u009D"), QByteArray("\x81\x9D")},
        EncodeCase{"NotInCodePage", QStringLiteral("1 Ω = ∞"), QByteArray("1 ? = ?")},
        // One "?" per character, not per UTF-16 unit.
        EncodeCase{"OutsideBmp", QStringLiteral("a😀b"), QByteArray("a?b")},
        EncodeCase{"LoneHighSurrogateAtEnd", QStringLiteral("ä") + QChar(0xD83D), QByteArray("\xE4?")},
        EncodeCase{"LoneHighSurrogateInside", QStringLiteral("ä") + QChar(0xD83D) + u'x',
                   QByteArray("\xE4?x")},
        EncodeCase{"LoneLowSurrogate", QStringLiteral("ä") + QChar(0xDE00) + u'x', QByteArray("\xE4?x")},
        EncodeCase{"LongAsciiThenUmlaut", QString(5000, u'x') + QStringLiteral("ü"),
                   QByteArray(5000, 'x') + "\xFC"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Cp1252, EveryByteSurvivesARoundTrip)
{
    QByteArray all;
    for (int b = 0; b < 256; ++b)
        all.append(static_cast<char>(b));

    const QString text = win::fromWindows1252(all);
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(hex(win::toWindows1252(text)), hex(all));

    // Each byte on its own as well: the converter state must not leak from
    // one call into the next.
    for (int b = 0; b < 256; ++b) {
        const QByteArray one(1, static_cast<char>(b));
        EXPECT_EQ(hex(win::toWindows1252(win::fromWindows1252(one))), hex(one)) << "byte " << b;
    }
}

// --- Initialisation files ------------------------------------------------------

struct ProfileCase
{
    const char* name;
    QByteArray content;
    const char* section;
    const char* key;
    const char* defaultValue;
    QString expected;
};

class ProfileRead : public testing::TestWithParam<ProfileCase>
{
};

TEST_P(ProfileRead, ReadsLikeWindows)
{
    const ProfileCase& c = GetParam();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("kovantel.ini"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(c.content);
    file.close();

    const QString value = win::GetPrivateProfileString(QString::fromUtf8(c.section), QString::fromUtf8(c.key),
                                                       QString::fromUtf8(c.defaultValue), path);
    EXPECT_EQ(utf8(value), utf8(c.expected));
}

const QByteArray kServers = "[Server]\r\n"
                            "Kovantel=C:\\K\\Daten;srv/5050;D:\\DB\\K.FDB;x;y\r\n";

INSTANTIATE_TEST_SUITE_P(
    Table, ProfileRead,
    testing::Values(
        ProfileCase{"SemicolonListComesBackWhole", kServers, "Server", "Kovantel", "-",
                    QStringLiteral("C:\\K\\Daten;srv/5050;D:\\DB\\K.FDB;x;y")},
        ProfileCase{"NamesIgnoreCase", kServers, "sErVeR", "KOVANTEL", "-",
                    QStringLiteral("C:\\K\\Daten;srv/5050;D:\\DB\\K.FDB;x;y")},
        ProfileCase{"LfLineEnds", "[A]\nk=1\nl=2\n", "a", "l", "-", QStringLiteral("2")},
        ProfileCase{"LastLineWithoutBreak", "[A]\r\nk=1", "A", "k", "-", QStringLiteral("1")},
        ProfileCase{"BlanksAroundNamesAndValue", "  [ \tA  ]  \r\n \t k \t=  a b \t \r\n", "A", "k", "-",
                    QStringLiteral("a b")},
        ProfileCase{"EqualsSignInValue", "[A]\nk=a=b\n", "A", "k", "-", QStringLiteral("a=b")},
        ProfileCase{"DoubleQuotesRemoved", "[A]\nk = \" a;b \" \n", "A", "k", "-", QStringLiteral(" a;b ")},
        ProfileCase{"SingleQuotesRemoved", "[A]\nk='x'\n", "A", "k", "-", QStringLiteral("x")},
        ProfileCase{"OnlyOnePairOfQuotesRemoved", "[A]\nk=\"\"x\"\"\n", "A", "k", "-",
                    QStringLiteral("\"x\"")},
        ProfileCase{"UnmatchedQuotesKept", "[A]\nk=\"x'\n", "A", "k", "-", QStringLiteral("\"x'")},
        ProfileCase{"LoneQuoteKept", "[A]\nk=\"\n", "A", "k", "-", QStringLiteral("\"")},
        ProfileCase{"InnerQuotesKept", "[A]\nk=a \"b\" c\n", "A", "k", "-", QStringLiteral("a \"b\" c")},
        ProfileCase{"EmptyValueIsNotTheDefault", "[A]\nk=\n", "A", "k", "-", QString()},
        ProfileCase{"EmptyQuotedValue", "[A]\nk=\"\"\n", "A", "k", "-", QString()},
        ProfileCase{"CommentLineIsNoKey", "[A]\n  ;k=1\n", "A", ";k", "-", QStringLiteral("-")},
        ProfileCase{"CommentLineDoesNotEndSection", "[A]\n; note\nk=1\n", "A", "k", "-", QStringLiteral("1")},
        ProfileCase{"LineWithoutEqualsIgnored", "[A]\nk\nk=1\n", "A", "k", "-", QStringLiteral("1")},
        ProfileCase{"FirstKeyWins", "[A]\nk=1\nK=2\n", "A", "k", "-", QStringLiteral("1")},
        ProfileCase{"FirstSectionWins", "[A]\nk=1\n[a]\nk=2\n", "A", "k", "-", QStringLiteral("1")},
        // Windows looks no further than the first section of a name.
        ProfileCase{"RepeatedSectionNotSearched", "[A]\nk=1\n[B]\n[A]\nl=2\n", "A", "l", "-",
                    QStringLiteral("-")},
        ProfileCase{"KeyOfAnotherSection", "[A]\nk=1\n[B]\nl=2\n", "A", "l", "-", QStringLiteral("-")},
        ProfileCase{"KeyBeforeAnySection", "k=1\n[A]\n", "A", "k", "-", QStringLiteral("-")},
        ProfileCase{"MissingSection", kServers, "Kasse", "Kovantel", "def", QStringLiteral("def")},
        ProfileCase{"MissingKey", kServers, "Server", "Pfad", "def", QStringLiteral("def")},
        ProfileCase{"DefaultLosesTrailingBlanks", kServers, "Server", "Pfad", " d e  ",
                    QStringLiteral(" d e")},
        ProfileCase{"Windows1252Value", "[Kasse]\nName=Gr\xFC\xDF Gott \x80\n", "Kasse", "Name", "-",
                    QStringLiteral("Grüß Gott €")},
        ProfileCase{"Windows1252Names", "[K\xFC\x63he]\nS\xE4tze=7\n", "KÜCHE", "SÄTZE", "-",
                    QStringLiteral("7")},
        ProfileCase{"Utf8WithByteOrderMark", "\xEF\xBB\xBF[A]\nk=Gr\xC3\xBC\xC3\x9F\n", "A", "k", "-",
                    QStringLiteral("Grüß")},
        ProfileCase{"LongValueCut", "[A]\nk=" + QByteArray(3000, 'v') + "\n", "A", "k", "-",
                    QString(win::ProfileFile::MaxValueLength, u'v')},
        ProfileCase{"ValueOfExactlyMaxLength", "[A]\nk=" + QByteArray(2047, 'v') + "\n", "A", "k", "-",
                    QString(2047, u'v')}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ProfileFile, MissingFileYieldsDefault)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("fehlt.ini"));

    win::ProfileFile file;
    EXPECT_FALSE(file.load(path));
    EXPECT_EQ(
        utf8(file.readString(QStringLiteral("Server"), QStringLiteral("Kovantel"), QStringLiteral("def"))),
        "def");
    EXPECT_EQ(utf8(win::GetPrivateProfileString(QStringLiteral("Server"), QStringLiteral("Kovantel"),
                                                QStringLiteral("def"), path)),
              "def");
}

TEST(ProfileFile, LoadingAnotherFileForgetsTheFirst)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString first = dir.filePath(QStringLiteral("a.ini"));
    QFile f(first);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[A]\nk=1\n");
    f.close();

    win::ProfileFile file;
    ASSERT_TRUE(file.load(first));
    EXPECT_EQ(utf8(file.readString(QStringLiteral("A"), QStringLiteral("k"), QString())), "1");
    EXPECT_FALSE(file.load(dir.filePath(QStringLiteral("fehlt.ini"))));
    EXPECT_EQ(utf8(file.readString(QStringLiteral("A"), QStringLiteral("k"), QStringLiteral("-"))), "-");
}

// Sections are looked up by name while loading; a reader that compares each
// header with every earlier one needs many seconds here instead of a moment. The
// bound is far above the linear time, also under the sanitizers.
TEST(ProfileFile, ManySectionsLoadInLinearTime)
{
    constexpr int count = 50000;
    QByteArray content;
    content.reserve(count * 32);
    for (int i = 0; i < count; ++i)
        content += "[Filiale " + QByteArray::number(i) + "]\r\nServer=srv" + QByteArray::number(i) + "\r\n";
    content += "[filiale 0]\r\nServer=later\r\n";

    // Processor time rather than wall time, so that a busy machine does not count.
    const std::clock_t before = std::clock();
    win::ProfileFile file;
    file.parse(content);
    const double seconds = double(std::clock() - before) / CLOCKS_PER_SEC;

    EXPECT_LT(seconds, 2.0) << count << " sections took " << seconds << " s";
    EXPECT_EQ(utf8(file.readString(QStringLiteral("FILIALE 0"), QStringLiteral("server"), QString())),
              "srv0");
    EXPECT_EQ(utf8(file.readString(QStringLiteral("Filiale 43210"), QStringLiteral("Server"), QString())),
              "srv43210");
    EXPECT_EQ(
        utf8(file.readString(QStringLiteral("Filiale 50000"), QStringLiteral("Server"), QStringLiteral("-"))),
        "-");
}

// Section names match the way QString compares them without regard to case,
// also outside the Basic Multilingual Plane.
TEST(ProfileFile, SectionNamesFoldLikeCaseInsensitiveCompare)
{
    const QString deseretUpper = QString::fromUcs4(U"\U00010400x");
    const QString deseretLower = QString::fromUcs4(U"\U00010428X");
    ASSERT_EQ(QString::compare(deseretUpper, deseretLower, Qt::CaseInsensitive), 0);

    win::ProfileFile file;
    file.parse("\xEF\xBB\xBF[" + deseretUpper.toUtf8() +
               "]\nk=1\n[\xC3\x84ra]\nk=2\n[Stra\xC3\x9F"
               "e]\nk=3\n");
    EXPECT_EQ(utf8(file.readString(deseretLower, QStringLiteral("k"), QStringLiteral("-"))), "1");
    EXPECT_EQ(utf8(file.readString(QStringLiteral("äRA"), QStringLiteral("k"), QStringLiteral("-"))), "2");
    // Full folding would make "ß" "ss"; the case-insensitive compare does not.
    EXPECT_EQ(utf8(file.readString(QStringLiteral("STRASSE"), QStringLiteral("k"), QStringLiteral("-"))),
              "-");
    EXPECT_EQ(utf8(file.readString(QStringLiteral("STRAßE"), QStringLiteral("k"), QStringLiteral("-"))), "3");
}

} // namespace
