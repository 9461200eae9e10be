#include "win/Cp1252.h"

#include <QSysInfo>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <iconv.h>

namespace win {
namespace {

constexpr const char* kCodePage = "WINDOWS-1252";
constexpr const char* kUtf16 = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE" : "UTF-16BE";

bool isUndefinedByte(unsigned code)
{
    return code == 0x81 || code == 0x8D || code == 0x8F || code == 0x90 || code == 0x9D;
}

// Opening a converter looks up and loads a gconv module, which is not free;
// names are converted one at a time by the thousands, so each thread keeps
// its pair of converters and only resets their state between uses.
class Converter
{
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter()
    {
        if (m_cd != invalid())
            iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    iconv_t get()
    {
        if (m_cd == invalid())
            throw std::runtime_error(
                "Die Zeichensatzumwandlung Windows-1252 ist auf diesem System nicht verfügbar");
        iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        return m_cd;
    }

private:
    static iconv_t invalid() { return reinterpret_cast<iconv_t>(-1); }
    iconv_t m_cd;
};

bool isAscii(const QByteArray& bytes)
{
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

bool isAscii(const QString& text)
{
    for (const QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

} // namespace

QString fromWindows1252(const QByteArray& bytes)
{
    if (isAscii(bytes))
        return QString::fromLatin1(bytes);

    thread_local Converter converter(kUtf16, kCodePage);
    iconv_t cd = converter.get();

    // A single-byte code page of the Basic Multilingual Plane: every byte
    // becomes exactly one UTF-16 unit, so the result never outgrows this.
    QString result(bytes.size(), Qt::Uninitialized);
    char* in = const_cast<char*>(bytes.constData());
    size_t inLeft = static_cast<size_t>(bytes.size());
    char* out = reinterpret_cast<char*>(result.data());
    size_t outLeft = static_cast<size_t>(result.size()) * sizeof(char16_t);

    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1))
            break;
        if (errno != EILSEQ)
            throw std::runtime_error("Text in Windows-1252 konnte nicht umgewandelt werden");
        // glibc rejects the undefined bytes; Windows passes them through.
        const char16_t unit = static_cast<unsigned char>(*in);
        std::memcpy(out, &unit, sizeof unit);
        out += sizeof unit;
        outLeft -= sizeof unit;
        ++in;
        --inLeft;
    }
    result.truncate(
        static_cast<qsizetype>((out - reinterpret_cast<char*>(result.data())) / sizeof(char16_t)));
    return result;
}

QByteArray toWindows1252(const QString& text)
{
    if (isAscii(text))
        return text.toLatin1();

    thread_local Converter converter(kCodePage, kUtf16);
    iconv_t cd = converter.get();

    // Each UTF-16 unit yields at most one byte; a surrogate pair yields one "?".
    QByteArray result(text.size(), Qt::Uninitialized);
    const auto* const units = reinterpret_cast<const char16_t*>(text.utf16());
    char* in = reinterpret_cast<char*>(const_cast<char16_t*>(units));
    size_t inLeft = static_cast<size_t>(text.size()) * sizeof(char16_t);
    char* out = result.data();
    size_t outLeft = static_cast<size_t>(result.size());

    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1))
            break;
        if (errno != EILSEQ && errno != EINVAL)
            throw std::runtime_error("Text konnte nicht nach Windows-1252 umgewandelt werden");

        const qsizetype pos =
            static_cast<qsizetype>((in - reinterpret_cast<const char*>(units)) / sizeof(char16_t));
        const char16_t unit = units[pos];
        qsizetype skip = 1;
        if (isUndefinedByte(unit)) {
            *out = static_cast<char>(unit);
        } else {
            *out = '?';
            if (QChar::isHighSurrogate(unit) && pos + 1 < text.size() &&
                QChar::isLowSurrogate(units[pos + 1]))
                skip = 2;
        }
        ++out;
        --outLeft;
        in += skip * sizeof(char16_t);
        inLeft -= static_cast<size_t>(skip) * sizeof(char16_t);
    }
    result.truncate(out - result.data());
    return result;
}

} // namespace win
