#include "profile.h"

#include "errors.h"
#include "files.h"

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>

#include <cstring>
#include <limits>

namespace qv {

namespace {

enum class LineKind { Other, Section, Setting };

// One line of a profile file as byte offsets into the file text.
struct Line
{
    qsizetype start = 0; // first byte of the line
    qsizetype end = 0;   // end of its text, before LF or CR LF
    qsizetype next = 0;  // first byte of the following line
    LineKind kind = LineKind::Other;
    qsizetype nameStart = 0; // section or key name, blanks trimmed
    qsizetype nameEnd = 0;
    qsizetype valueStart = 0; // setting only: after "=" and the blanks that follow it
    qsizetype valueEnd = 0;   // setting only: trailing blanks trimmed
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}

const char ByteOrderMark[] = "\xEF\xBB\xBF";
const char EncodedMarker[] = "\\\"";

class LineReader
{
public:
    explicit LineReader(const QByteArray &text)
        : m_text(text)
    {}

    bool next(Line &line)
    {
        const qsizetype size = m_text.size();
        if (m_pos >= size)
            return false;
        line = Line{};
        line.start = m_pos;
        const qsizetype lf = m_text.indexOf('\n', m_pos);
        line.end = lf < 0 ? size : lf;
        line.next = lf < 0 ? size : lf + 1;
        // CR LF ends a line; so does a lone CR ending the file, so that completing it with LF
        // when a line is added after it changes nothing.
        if (line.end > line.start && m_text.at(line.end - 1) == '\r')
            --line.end;
        m_pos = line.next;
        classify(line);
        return true;
    }

private:
    qsizetype find(char c, qsizetype from, qsizetype to) const
    {
        const void *hit = std::memchr(m_text.constData() + from, c, size_t(to - from));
        return hit ? static_cast<const char *>(hit) - m_text.constData() : -1;
    }

    void classify(Line &line) const
    {
        const char *d = m_text.constData();
        qsizetype p = line.start;
        if (p == 0 && m_text.startsWith(ByteOrderMark))
            p = qMin<qsizetype>(3, line.end);
        while (p < line.end && isBlank(d[p]))
            ++p;
        if (p == line.end || d[p] == ';' || d[p] == '#')
            return;
        qsizetype nameStart = p;
        qsizetype nameEnd;
        if (d[p] == '[') {
            nameStart = p + 1;
            const qsizetype close = find(']', nameStart, line.end);
            nameEnd = close < 0 ? line.end : close;
            line.kind = LineKind::Section;
        } else {
            const qsizetype eq = find('=', p, line.end);
            if (eq < 0)
                return;
            nameEnd = eq;
            qsizetype v = eq + 1;
            while (v < line.end && isBlank(d[v]))
                ++v;
            qsizetype e = line.end;
            while (e > v && isBlank(d[e - 1]))
                --e;
            line.valueStart = v;
            line.valueEnd = e;
            line.kind = LineKind::Setting;
        }
        while (nameStart < nameEnd && isBlank(d[nameStart]))
            ++nameStart;
        while (nameEnd > nameStart && isBlank(d[nameEnd - 1]))
            --nameEnd;
        if (line.kind == LineKind::Setting && nameStart == nameEnd)
            line.kind = LineKind::Other;
        line.nameStart = nameStart;
        line.nameEnd = nameEnd;
    }

    const QByteArray &m_text;
    qsizetype m_pos = 0;
};

// QString::fromUtf8 drops a leading U+FEFF; a name or value keeps every character it has.
QString fromUtf8Exact(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless
                                                     | QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

bool sameName(const QByteArray &text, const Line &line, const QString &name)
{
    const QString found
        = fromUtf8Exact(QByteArrayView(text).sliced(line.nameStart, line.nameEnd - line.nameStart));
    return QString::compare(found, name, Qt::CaseInsensitive) == 0;
}

bool hasLineBreak(const QString &text)
{
    return text.contains(u'\n') || text.contains(u'\r');
}

bool hasOuterBlanks(const QString &text)
{
    return !text.isEmpty() && (isBlank(text.front()) || isBlank(text.back()));
}

bool isValidSection(const QString &section)
{
    return !section.isEmpty() && !hasLineBreak(section) && !hasOuterBlanks(section)
           && !section.contains(u']');
}

bool isValidKey(const QString &key)
{
    return !key.isEmpty() && !hasLineBreak(key) && !hasOuterBlanks(key) && !key.contains(u'=')
           && key.front() != u'[' && key.front() != u';' && key.front() != u'#';
}

QByteArray encodeValue(const QString &value)
{
    const QByteArray plain = value.toUtf8();
    const bool needsEncoding = plain.contains('\n') || plain.contains('\r') || hasOuterBlanks(value)
                               || plain.startsWith(EncodedMarker);
    if (!needsEncoding)
        return plain;
    QByteArray encoded(EncodedMarker);
    encoded.reserve(plain.size() + 8);
    for (const char c : plain) {
        switch (c) {
        case '\\':
            encoded += "\\\\";
            break;
        case '\n':
            encoded += "\\n";
            break;
        case '\r':
            encoded += "\\r";
            break;
        default:
            encoded += c;
            break;
        }
    }
    encoded += '"';
    return encoded;
}

QString decodeValue(const char *data, qsizetype size)
{
    const QByteArrayView raw(data, size);
    if (size < 3 || !raw.startsWith(EncodedMarker) || !raw.endsWith('"'))
        return fromUtf8Exact(raw);
    QByteArray plain;
    plain.reserve(size);
    const qsizetype end = size - 1;
    for (qsizetype i = 2; i < end; ++i) {
        const char c = raw[i];
        if (c != '\\' || i + 1 == end) {
            plain += c;
            continue;
        }
        switch (raw[i + 1]) {
        case '\\':
            plain += '\\';
            ++i;
            break;
        case 'n':
            plain += '\n';
            ++i;
            break;
        case 'r':
            plain += '\r';
            ++i;
            break;
        default:
            plain += c;
            break;
        }
    }
    return fromUtf8Exact(plain);
}

QByteArray lineEndOf(const QByteArray &text)
{
    const qsizetype lf = text.indexOf('\n');
    return lf > 0 && text.at(lf - 1) == '\r' ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
}

// Gives an unterminated last line its line end, so that lines can follow it.
void terminateLastLine(QByteArray &text, const QByteArray &lineEnd)
{
    if (text.isEmpty() || text.endsWith('\n'))
        return;
    text += text.endsWith('\r') ? QByteArrayLiteral("\n") : lineEnd;
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

std::optional<int> parseHex(const QString &text, qsizetype from)
{
    if (from >= text.size())
        return std::nullopt;
    quint64 value = 0;
    for (qsizetype i = from; i < text.size(); ++i) {
        const int digit = hexDigit(text.at(i));
        if (digit < 0)
            return std::nullopt;
        value = value * 16 + quint64(digit);
        if (value > 0xFFFFFFFFu)
            return std::nullopt;
    }
    return static_cast<int>(static_cast<quint32>(value));
}

Error writeError(const QString &bareName)
{
    return Error(QStringLiteral("Unable to write to %1").arg(bareName));
}

} // namespace

std::optional<QString> profileLookup(const QByteArray &fileText, const QString &section,
                                     const QString &key)
{
    LineReader reader(fileText);
    Line line;
    bool inSection = false;
    while (reader.next(line)) {
        if (line.kind == LineKind::Section) {
            inSection = sameName(fileText, line, section);
        } else if (line.kind == LineKind::Setting && inSection && sameName(fileText, line, key)) {
            return decodeValue(fileText.constData() + line.valueStart,
                               line.valueEnd - line.valueStart);
        }
    }
    return std::nullopt;
}

QByteArray profileUpdate(const QByteArray &fileText, const QString &section, const QString &key,
                         const QString &value)
{
    if (!isValidSection(section) || !isValidKey(key))
        return fileText;
    LineReader reader(fileText);
    Line line;
    bool inSection = false;
    bool inFirstSection = false;
    qsizetype insertAt = -1;
    while (reader.next(line)) {
        if (line.kind == LineKind::Section) {
            inSection = sameName(fileText, line, section);
            inFirstSection = inSection && insertAt < 0;
            if (inFirstSection)
                insertAt = line.next;
        } else if (line.kind == LineKind::Setting && inSection) {
            if (sameName(fileText, line, key)) {
                QByteArray result = fileText.left(line.valueStart);
                result += encodeValue(value);
                result += QByteArrayView(fileText).sliced(line.end);
                return result;
            }
            if (inFirstSection)
                insertAt = line.next;
        }
    }

    const QByteArray lineEnd = lineEndOf(fileText);
    const QByteArray setting = key.toUtf8() + '=' + encodeValue(value) + lineEnd;
    QByteArray result = fileText;
    if (insertAt >= 0 && insertAt < result.size()) {
        result.insert(insertAt, setting);
        return result;
    }
    terminateLastLine(result, lineEnd);
    if (insertAt < 0)
        result += '[' + section.toUtf8() + ']' + lineEnd;
    result += setting;
    return result;
}

int parseProfileInteger(const QString &text, int def)
{
    if (text.size() > 2 && text.at(0) == u'0' && (text.at(1) == u'x' || text.at(1) == u'X'))
        return parseHex(text, 2).value_or(def);

    qsizetype i = 0;
    while (i < text.size() && isBlank(text.at(i)))
        ++i;
    if (i < text.size() && text.at(i) == u'$')
        return parseHex(text, i + 1).value_or(def);

    bool negative = false;
    if (i < text.size() && (text.at(i) == u'+' || text.at(i) == u'-')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    if (i == text.size())
        return def;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (u < u'0' || u > u'9')
            return def;
        value = value * 10 + (u - u'0');
        if (value > qint64(1) << 31)
            return def;
    }
    if (negative)
        value = -value;
    if (value > std::numeric_limits<int>::max())
        return def;
    return int(value);
}

IniFile::IniFile(const QString &bareName)
    : m_bareName(bareName)
{}

QString IniFile::fileName() const
{
    return m_bareName;
}

QString IniFile::path() const
{
    return settingsDirectory() + u'/' + m_bareName;
}

QByteArray IniFile::text() const
{
    QByteArray text;
    if (settingsDirectory().isEmpty() || readWholeFile(path(), text) != ReadStatus::Ok)
        return {};
    return text;
}

QString IniFile::readString(const QString &section, const QString &key, const QString &def) const
{
    return profileLookup(text(), section, key).value_or(def);
}

int IniFile::readInteger(const QString &section, const QString &key, int def) const
{
    return parseProfileInteger(readString(section, key, QString()), def);
}

bool IniFile::unreadable() const
{
    QByteArray text;
    return !settingsDirectory().isEmpty() && QFileInfo::exists(path())
           && readWholeFile(path(), text) != ReadStatus::Ok;
}

void IniFile::writeStrings(const QList<ProfileSetting> &settings)
{
    const QString directory = settingsDirectory();
    if (directory.isEmpty() || !QDir().mkpath(directory))
        throw writeError(m_bareName);
    const QString file = path();
    QByteArray text;
    switch (readWholeFile(file, text)) {
    case ReadStatus::Ok:
        break;
    case ReadStatus::CannotOpen:
        // A file that exists but cannot be read must not be replaced by a file holding only
        // these settings.
        if (QFileInfo(file).exists())
            throw writeError(m_bareName);
        text.clear();
        break;
    case ReadStatus::ReadFailed:
    case ReadStatus::TooLarge:
        throw writeError(m_bareName);
    }
    QByteArray updated = text;
    for (const ProfileSetting &setting : settings) {
        if (profileLookup(updated, setting.section, setting.key) == setting.value)
            continue;
        updated = profileUpdate(updated, setting.section, setting.key, setting.value);
        if (profileLookup(updated, setting.section, setting.key) != setting.value)
            throw writeError(m_bareName);
    }
    if (updated == text)
        return;
    if (writeFileAtomic(file, updated) != WriteStatus::Ok)
        throw writeError(m_bareName);
}

void IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    writeStrings({{section, key, value}});
}

void IniFile::writeInteger(const QString &section, const QString &key, int value)
{
    writeString(section, key, QString::number(value));
}

} // namespace qv
