#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

namespace kalvora {

// A settings file in the INI form that QSettings reads and writes, edited line by line.
//
// The store saves through this instead of QSettings because QSettings cannot tell whether its
// file reached the disk whole. Lines the program does not change (comments, other sections,
// keys it does not know, a byte-order mark, lines it cannot make sense of) stay byte for byte.
// Values are read and written with QSettings' quoting and escapes, so a file written by an
// earlier version reads the same, and QSettings reads what this writes.
class IniDocument {
public:
    IniDocument() = default;
    explicit IniDocument(const QByteArray& bytes);

    // The value of `key` in `section`, or nothing when it is absent. A value with an unquoted
    // comma, which QSettings would take for a list, is the text as it stands in the file.
    std::optional<QString> value(const QString& section, const QString& key) const;
    // Replaces the key's line, or adds it at the end of its section (adding the section too).
    void setValue(const QString& section, const QString& key, const QString& value);

    QByteArray bytes() const;

    // QSettings' INI escaping of a string value, and its reverse.
    static QByteArray escaped(const QString& value);
    static QString unescaped(const QByteArray& raw);

private:
    struct Line {
        QByteArray text;    // as in the file, without its line end
        QByteArray end;     // its own line end ("\r\n" or "\n"; none for a last line without)
        QString section;    // the section the line belongs to
        QString key;        // the key a key line sets; empty for other lines
        qsizetype valueAt;  // where a key line's value starts
    };
    static Line parsed(const QByteArray& text, const QString& section);

    QList<Line> m_lines;
    // For new lines: the line end most lines of the file have.
    QByteArray m_lineEnd = "\n";
};

} // namespace kalvora
