#pragma once

#include <QByteArray>
#include <QString>

namespace kalvora {

// TickerTape.txt: the ticker's words, beside the program.
//
// The file is single-byte text in the Windows ANSI code page (Windows-1252 where there is no
// such thing), so a file moves between Windows and Linux stations unchanged. A text with
// characters that code page cannot hold is written as UTF-8 with a byte-order mark instead of
// losing them; a file that starts with a UTF-8 or UTF-16 byte-order mark is read accordingly.
// A file without a mark that is valid UTF-8 with at least one multi-byte character (what Linux
// editors write) is read as UTF-8, and saved as UTF-8 again.
namespace TickerFile {

inline constexpr auto FileName = "TickerTape.txt";
// The scroller reads no more than this, so a huge file cannot exhaust memory.
inline constexpr qint64 MaxReadBytes = 1024 * 1024;
// The fixed run of blanks in front of every text, before the configurable ones.
inline constexpr int FixedLeadingBlanks = 29;

struct Loaded {
    QString text;           // the lines joined with nothing between them
    bool truncated = false; // the file is longer than MaxReadBytes
    QString error;          // why the file could not be read (empty: read, or absent)
    bool notAFile = false;  // a folder, named pipe or device stands under that name: a save
                            // cannot replace it
};

// Joins the folder and the file name, with a separator only where the folder lacks one.
QString pathIn(const QString& folder);

// Reads the file as one line of text. A file that cannot be opened gives the empty text; a
// read that fails part-way keeps the whole lines read before the failure. Anything that is not
// a regular file (a named pipe, a device, a folder) counts as unreadable and is never opened.
Loaded load(const QString& path);

// Puts the leading blanks in front of a non-empty text; an empty text stays empty.
QString withLeadingBlanks(const QString& loaded, int extraBlanks);

// Replaces the file with exactly the bytes of the text (nothing added), whole or not at all:
// on any failure the old file is left byte for byte as it was and `error` says why.
struct WriteResult {
    bool ok = false;
    QString error;
};
WriteResult write(const QString& path, const QString& text);

QString decode(const QByteArray& bytes);
QByteArray encode(const QString& text);

} // namespace TickerFile

} // namespace kalvora
