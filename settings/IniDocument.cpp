#include "settings/IniDocument.h"

#include <QStringDecoder>

namespace kalvora {

namespace {

const QByteArray Utf8Bom("\xEF\xBB\xBF", 3);

bool isHexDigit(char ch) {
    return (ch >= '0' && ch <= '9') || (ch >= 'a' && ch <= 'f') || (ch >= 'A' && ch <= 'F');
}

bool isOctalDigit(char ch) {
    return ch >= '0' && ch <= '7';
}

// Where `wanted` first stands outside quotes and escapes, from `from` on; -1 where it does not.
qsizetype unquoted(const QByteArray& text, char wanted, qsizetype from = 0) {
    bool quoted = false;
    for (qsizetype i = from; i < text.size(); ++i) {
        const char ch = text.at(i);
        if (ch == '\\')
            ++i;
        else if (ch == '"')
            quoted = !quoted;
        else if (ch == wanted && !quoted)
            return i;
    }
    return -1;
}

// The value part of a key line, up to a comment (a ';' outside quotes).
QByteArray valueText(const QByteArray& text, qsizetype from) {
    const qsizetype comment = unquoted(text, ';', from);
    return text.mid(from, comment < 0 ? -1 : comment - from);
}

// QSettings marks values that are not plain strings with a leading '@'; a string that itself
// starts with '@' is written with a second one.
QString fromVariantText(const QString& text) {
    if (text.startsWith(QLatin1String("@@")))
        return text.mid(1);
    if (text.startsWith(QLatin1String("@String(")) && text.endsWith(QLatin1Char(')')))
        return text.mid(8, text.size() - 9);
    return text;
}

} // namespace

IniDocument::IniDocument(const QByteArray& bytes) {
    // Each line keeps its own end, so that a file with mixed ends stays byte for byte where
    // nothing changed.
    QList<QByteArray> texts = bytes.split('\n');
    const bool endsWithLineEnd = bytes.isEmpty() || bytes.endsWith('\n');
    if (endsWithLineEnd)
        texts.removeLast();
    QString section;
    qsizetype crlf = 0;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        QByteArray& text = texts[i];
        QByteArray end = "\n";
        if (i + 1 == texts.size() && !endsWithLineEnd)
            end.clear();
        else if (text.endsWith('\r')) {
            text.chop(1);
            end = "\r\n";
            ++crlf;
        }
        Line line = parsed(text, section);
        line.end = end;
        section = line.section;
        m_lines.append(std::move(line));
    }
    if (crlf * 2 > texts.size() - (endsWithLineEnd ? 0 : 1))
        m_lineEnd = "\r\n";
}

IniDocument::Line IniDocument::parsed(const QByteArray& text, const QString& section) {
    Line line{text, QByteArray(), section, QString(), 0};
    QByteArray trimmed = text.startsWith(Utf8Bom) ? text.mid(Utf8Bom.size()) : text;
    trimmed = trimmed.trimmed();
    if (trimmed.startsWith('[')) {
        const qsizetype close = trimmed.indexOf(']');
        line.section = QString::fromUtf8(trimmed.mid(1, close < 0 ? -1 : close - 1)).trimmed();
        return line;
    }
    if (trimmed.isEmpty() || trimmed.startsWith(';'))
        return line;
    const qsizetype equals = text.indexOf('=');
    if (equals < 0)
        return line;
    line.key = QString::fromUtf8(text.left(equals)).remove(QChar(0xFEFF)).trimmed();
    line.valueAt = equals + 1;
    return line;
}

std::optional<QString> IniDocument::value(const QString& section, const QString& key) const {
    // The last line for a key counts, as it does for QSettings.
    for (auto line = m_lines.crbegin(); line != m_lines.crend(); ++line) {
        if (line->key != key || line->section != section)
            continue;
        const QByteArray raw = valueText(line->text, line->valueAt);
        if (unquoted(raw, ',') >= 0)
            return QString::fromUtf8(raw.trimmed());
        return fromVariantText(unescaped(raw));
    }
    return std::nullopt;
}

void IniDocument::setValue(const QString& section, const QString& key, const QString& value) {
    QString stored = value;
    if (stored.startsWith(QLatin1Char('@')))
        stored.prepend(QLatin1Char('@'));
    const QByteArray text = key.toUtf8() + '=' + escaped(stored);
    qsizetype lastInSection = -1;
    for (qsizetype i = m_lines.size() - 1; i >= 0; --i) {
        Line& line = m_lines[i];
        if (line.section != section)
            continue;
        if (line.key == key) {
            const QByteArray end = line.end;
            line = parsed(text, section);
            line.end = end;
            return;
        }
        if (lastInSection < 0 && !line.text.trimmed().isEmpty())
            lastInSection = i;
    }
    // A line added after a last line without an end gives that line one.
    const auto append = [this](qsizetype after, Line line) {
        if (after >= 0 && m_lines[after].end.isEmpty())
            m_lines[after].end = m_lineEnd;
        line.end = m_lineEnd;
        m_lines.insert(after + 1, std::move(line));
    };
    if (lastInSection < 0) {
        if (!m_lines.isEmpty() && !m_lines.last().text.trimmed().isEmpty())
            append(m_lines.size() - 1, parsed(QByteArray(), m_lines.last().section));
        const QByteArray header = '[' + section.toUtf8() + ']';
        append(m_lines.size() - 1, parsed(header, section));
        lastInSection = m_lines.size() - 1;
    }
    append(lastInSection, parsed(text, section));
}

QByteArray IniDocument::bytes() const {
    QByteArray result;
    for (const Line& line : m_lines)
        result += line.text + line.end;
    return result;
}

QByteArray IniDocument::escaped(const QString& value) {
    QByteArray result;
    bool needsQuotes = false;
    bool escapeNextIfHexDigit = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char16_t unicode = value.at(i).unicode();
        if (unicode == ';' || unicode == ',' || unicode == '=')
            needsQuotes = true;
        if (escapeNextIfHexDigit && unicode < 0x80 && isHexDigit(char(unicode))) {
            result += "\\x" + QByteArray::number(unicode, 16);
            continue;
        }
        escapeNextIfHexDigit = false;
        switch (unicode) {
        case '\0':
            result += "\\0";
            escapeNextIfHexDigit = true;
            break;
        case '\a': result += "\\a"; break;
        case '\b': result += "\\b"; break;
        case '\f': result += "\\f"; break;
        case '\n': result += "\\n"; break;
        case '\r': result += "\\r"; break;
        case '\t': result += "\\t"; break;
        case '\v': result += "\\v"; break;
        case '"': result += "\\\""; break;
        case '\\': result += "\\\\"; break;
        default:
            if (unicode <= 0x1F) {
                result += "\\x" + QByteArray::number(unicode, 16);
                escapeNextIfHexDigit = true;
            } else if (QChar::isHighSurrogate(unicode) && i + 1 < value.size()) {
                result += value.mid(i, 2).toUtf8(); // a character outside the BMP, whole
                ++i;
            } else {
                result += QString(QChar(unicode)).toUtf8();
            }
        }
    }
    if (needsQuotes || result.startsWith(' ') || result.endsWith(' '))
        return '"' + result + '"';
    return result;
}

QString IniDocument::unescaped(const QByteArray& raw) {
    QString result;
    QStringDecoder fromUtf8(QStringDecoder::Utf8);
    bool quotedValue = false;
    qsizetype keepUpTo = 0; // trailing blanks after this point are not part of the value
    qsizetype i = 0;
    while (i < raw.size() && (raw.at(i) == ' ' || raw.at(i) == '\t'))
        ++i;
    while (i < raw.size()) {
        const char ch = raw.at(i);
        if (ch == '"') {
            quotedValue = true;
            ++i;
            keepUpTo = result.size();
            continue;
        }
        if (ch != '\\') {
            qsizetype end = i + 1;
            while (end < raw.size() && raw.at(end) != '\\' && raw.at(end) != '"')
                ++end;
            result += fromUtf8(raw.mid(i, end - i));
            i = end;
            continue;
        }
        ++i;
        if (i >= raw.size())
            break;
        const char code = raw.at(i++);
        switch (code) {
        case 'a': result += QLatin1Char('\a'); break;
        case 'b': result += QLatin1Char('\b'); break;
        case 'f': result += QLatin1Char('\f'); break;
        case 'n': result += QLatin1Char('\n'); break;
        case 'r': result += QLatin1Char('\r'); break;
        case 't': result += QLatin1Char('\t'); break;
        case 'v': result += QLatin1Char('\v'); break;
        case '"': case '?': case '\'': case '\\': result += QLatin1Char(code); break;
        case 'x': {
            char16_t number = 0;
            while (i < raw.size() && isHexDigit(raw.at(i)))
                number = char16_t(number * 16 + QByteArray(1, raw.at(i++)).toUInt(nullptr, 16));
            result += QChar(number);
            break;
        }
        default:
            if (isOctalDigit(code)) {
                char16_t number = char16_t(code - '0');
                while (i < raw.size() && isOctalDigit(raw.at(i)))
                    number = char16_t(number * 8 + (raw.at(i++) - '0'));
                result += QChar(number);
            }
        }
        keepUpTo = result.size();
    }
    if (!quotedValue) {
        qsizetype end = result.size();
        while (end > keepUpTo && (result.at(end - 1) == QLatin1Char(' ') ||
                                  result.at(end - 1) == QLatin1Char('\t')))
            --end;
        result.truncate(end);
    }
    return result;
}

} // namespace kalvora
