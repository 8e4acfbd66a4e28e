#include "diagnostics.h"

#include <utility>

namespace {

struct Header
{
    Diagnostic::Kind kind = Diagnostic::Error;
    QString file;
    int line = 0;
    QString message;
};

// "path:line: error: text" or "path:line: warning: text". A path may hold blanks and colons,
// so every place where the pattern fits is tried; one whose path names a Java source wins.
bool readPlacedHeader(const QString &text, Header &header)
{
    static const QString ErrorMark = QStringLiteral(": error: ");
    static const QString WarningMark = QStringLiteral(": warning: ");
    bool found = false;
    for (qsizetype at = text.indexOf(u':'); at > 0; at = text.indexOf(u':', at + 1)) {
        const bool error = QStringView(text).mid(at).startsWith(ErrorMark);
        if (!error && !QStringView(text).mid(at).startsWith(WarningMark))
            continue;
        qsizetype digits = at;
        while (digits > 0 && text[digits - 1].isDigit())
            --digits;
        if (digits == at || digits < 2 || text[digits - 1] != u':')
            continue;
        bool ok = false;
        const int line = QStringView(text).mid(digits, at - digits).toInt(&ok);
        if (!ok || line <= 0)
            continue;
        const QString file = text.left(digits - 1);
        const bool javaSource = file.endsWith(QLatin1String(".java"), Qt::CaseInsensitive);
        if (found && !javaSource)
            continue;
        header.kind = error ? Diagnostic::Error : Diagnostic::Warning;
        header.file = file;
        header.line = line;
        header.message = text.mid(at + (error ? ErrorMark : WarningMark).size());
        found = true;
        if (javaSource)
            break;
    }
    return found;
}

// "error: text", "warning: text" or "Note: text", about the compile as a whole.
bool readPlainHeader(const QString &text, Header &header)
{
    static const struct {
        QLatin1String prefix;
        Diagnostic::Kind kind;
    } prefixes[] = {{QLatin1String("error: "), Diagnostic::Error},
                    {QLatin1String("warning: "), Diagnostic::Warning},
                    {QLatin1String("Note: "), Diagnostic::Note}};
    for (const auto &p : prefixes) {
        if (text.startsWith(p.prefix)) {
            header.kind = p.kind;
            header.message = text.mid(p.prefix.size());
            return true;
        }
    }
    return false;
}

// The 1-based column a caret line points at, or 0 when the line is no caret line: blanks
// and tabs (the source line's own tabs, echoed), one "^", and nothing but blanks after it.
int caretColumn(const QString &text)
{
    const qsizetype caret = text.indexOf(u'^');
    if (caret < 0)
        return 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (i != caret && text[i] != u' ' && text[i] != u'\t')
            return 0;
    }
    return int(caret) + 1;
}

bool isDetail(const QString &text)
{
    return !text.isEmpty() && (text.front() == u' ' || text.front() == u'\t')
           && !text.trimmed().isEmpty();
}

} // namespace

void DiagnosticParser::feed(QByteArrayView chunk)
{
    m_lines.feed(chunk, [this](QByteArrayView line) { takeLine(line); });
}

void DiagnosticParser::finish()
{
    m_lines.finish([this](QByteArrayView line) { takeLine(line); });
    m_state = Between;
    m_mayBeSource = false;
}

void DiagnosticParser::takeLine(QByteArrayView bytes)
{
    const int lineNumber = m_lineNumber++;
    if (bytes.endsWith('\r'))
        bytes.chop(1);
    if (std::exchange(m_mayBeSource, false)) {
        // The line taken for a diagnostic was the source line of the one before: its caret
        // line follows.
        if (const int column = caretColumn(QString::fromUtf8(bytes))) {
            m_diagnostics.removeLast();
            Diagnostic &placed = m_diagnostics.last();
            placed.column = column;
            placed.lastOutputLine = lineNumber;
            m_state = InDetails;
            return;
        }
    }
    // Most of a long output is neither a diagnostic nor part of one; such a line is passed
    // over without being decoded.
    const bool mayBeHeader = bytes.contains(": error: ") || bytes.contains(": warning: ")
                             || bytes.startsWith("error: ") || bytes.startsWith("warning: ")
                             || bytes.startsWith("Note: ");
    if (!mayBeHeader && m_state == Between)
        return;
    const QString text = QString::fromUtf8(bytes);

    Header header;
    if (readPlacedHeader(text, header) || readPlainHeader(text, header)) {
        Diagnostic diagnostic;
        diagnostic.kind = header.kind;
        diagnostic.file = header.file;
        diagnostic.line = header.line;
        diagnostic.message = header.message;
        diagnostic.firstOutputLine = diagnostic.lastOutputLine = lineNumber;
        m_diagnostics.append(diagnostic);
        // Where the source line of a diagnostic is due, a line that reads like one may be
        // that source line; the next line tells.
        m_mayBeSource = m_state == ExpectSource;
        m_state = diagnostic.hasPlace() ? ExpectSource : Between;
        return;
    }

    switch (m_state) {
    case Between:
        return;
    case ExpectSource:
        m_diagnostics.last().lastOutputLine = lineNumber;
        m_state = ExpectCaret;
        return;
    case ExpectCaret:
        if (const int column = caretColumn(text)) {
            m_diagnostics.last().column = column;
            m_diagnostics.last().lastOutputLine = lineNumber;
            m_state = InDetails;
            return;
        }
        [[fallthrough]];
    case InDetails:
        if (!isDetail(text)) {
            m_state = Between;
            return;
        }
        m_diagnostics.last().message += u'\n' + text;
        m_diagnostics.last().lastOutputLine = lineNumber;
        m_state = InDetails;
        return;
    }
}

QList<Diagnostic> parseDiagnostics(QByteArrayView output)
{
    DiagnosticParser parser;
    parser.feed(output);
    parser.finish();
    return parser.diagnostics();
}

const Diagnostic *diagnosticAtOutputLine(const QList<Diagnostic> &diagnostics, int outputLine)
{
    for (const Diagnostic &diagnostic : diagnostics) {
        if (diagnostic.firstOutputLine <= outputLine && outputLine <= diagnostic.lastOutputLine)
            return &diagnostic;
    }
    return nullptr;
}
