#include "ticker/TickerFile.h"

#include "files/SafeFile.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <array>
#include <optional>

namespace kalvora {

namespace TickerFile {

namespace {

// Windows-1252 bytes 0x80..0x9F; the rest of the code page equals Latin-1. Unassigned bytes
// map to the C1 control of the same value, as Windows itself does.
constexpr std::array<char16_t, 32> Cp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

const QByteArray Utf8Bom("\xEF\xBB\xBF", 3);
const QByteArray Utf16LeBom("\xFF\xFE", 2);
const QByteArray Utf16BeBom("\xFE\xFF", 2);

QString decodeAnsi(const QByteArray& bytes) {
#ifdef Q_OS_WIN
    return QStringDecoder(QStringDecoder::System).decode(bytes);
#else
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        *out++ = (value >= 0x80 && value <= 0x9F) ? QChar(Cp1252High[value - 0x80])
                                                  : QChar(char16_t(value));
    }
    return text;
#endif
}

// The ANSI bytes of the text, or nothing when a character has no place in the code page.
std::optional<QByteArray> encodeAnsi(const QString& text) {
#ifdef Q_OS_WIN
    QStringEncoder encoder(QStringEncoder::System);
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError() || QStringDecoder(QStringDecoder::System).decode(bytes) != text)
        return std::nullopt;
    return bytes;
#else
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t unicode = ch.unicode();
        if (unicode < 0x80 || (unicode >= 0xA0 && unicode <= 0xFF)) {
            bytes.append(static_cast<char>(unicode));
            continue;
        }
        const auto found = std::find(Cp1252High.begin(), Cp1252High.end(), unicode);
        if (found == Cp1252High.end())
            return std::nullopt;
        bytes.append(static_cast<char>(0x80 + (found - Cp1252High.begin())));
    }
    return bytes;
#endif
}

// Valid UTF-8 with at least one multi-byte sequence, as Linux editors write it. Plain ASCII
// reads the same either way, and anything else stays Windows-1252, so files from Windows
// stations read as they always did.
bool isUtf8WithoutMark(const QByteArray& bytes) {
    if (std::none_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) != 0; }))
        return false;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = decoder.decode(bytes); // decoding is what finds an invalid byte
    return !decoder.hasError();
}

// Lines end at LF; a CR before the LF is dropped, and so is a CR standing alone, which old
// Mac-style editors use as a line break.
QString joinLines(const QString& text) {
    QString joined;
    joined.reserve(text.size());
    for (const QChar ch : text) {
        if (ch != QLatin1Char('\n') && ch != QLatin1Char('\r'))
            joined.append(ch);
    }
    return joined;
}

} // namespace

QString pathIn(const QString& folder) {
    if (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\')))
        return folder + QLatin1String(FileName);
    return folder + QLatin1Char('/') + QLatin1String(FileName);
}

QString decode(const QByteArray& bytes) {
    if (bytes.startsWith(Utf8Bom))
        return QStringDecoder(QStringDecoder::Utf8).decode(bytes.mid(Utf8Bom.size()));
    if (bytes.startsWith(Utf16LeBom))
        return QStringDecoder(QStringDecoder::Utf16LE).decode(bytes.mid(Utf16LeBom.size()));
    if (bytes.startsWith(Utf16BeBom))
        return QStringDecoder(QStringDecoder::Utf16BE).decode(bytes.mid(Utf16BeBom.size()));
    if (isUtf8WithoutMark(bytes))
        return QString::fromUtf8(bytes);
    return decodeAnsi(bytes);
}

QByteArray encode(const QString& text) {
    if (const auto ansi = encodeAnsi(text))
        return *ansi;
    return Utf8Bom + text.toUtf8();
}

Loaded load(const QString& path) {
    Loaded result;
    SafeFile::ReadResult read = SafeFile::readRegular(path, MaxReadBytes);
    if (read.status == SafeFile::ReadResult::Status::Missing)
        return result;
    result.error = read.error;
    result.notAFile = read.status == SafeFile::ReadResult::Status::NotARegularFile;
    result.truncated = read.truncated;
    if (read.status == SafeFile::ReadResult::Status::Unreadable) {
        // Keep only the lines that were read whole.
        const qsizetype lastBreak = read.bytes.lastIndexOf('\n');
        read.bytes.truncate(lastBreak < 0 ? 0 : lastBreak + 1);
    }
    result.text = joinLines(decode(read.bytes));
    return result;
}

QString withLeadingBlanks(const QString& loaded, int extraBlanks) {
    if (loaded.isEmpty())
        return loaded;
    const int blanks = FixedLeadingBlanks + std::max(0, extraBlanks);
    return QString(blanks, QLatin1Char(' ')) + loaded;
}

WriteResult write(const QString& path, const QString& text) {
    // A file kept in UTF-8 without a mark (edited on Linux) stays that way.
    const SafeFile::ReadResult old = SafeFile::readRegular(path, MaxReadBytes);
    const bool keepUtf8 =
        old.ok() && !old.bytes.startsWith(Utf8Bom) && isUtf8WithoutMark(old.bytes);
    const SafeFile::Result saved = SafeFile::replace(path, keepUtf8 ? text.toUtf8() : encode(text));
    return {saved.ok, saved.error};
}

} // namespace TickerFile

} // namespace kalvora
