#include "stacktrace.h"

#include "programcontext.h"
#include "platform/files.h"
#include "platform/locations.h"

#include <algorithm>

QString StackFrame::packageName() const
{
    const qsizetype dot = className.lastIndexOf(u'.');
    return dot < 0 ? QString() : className.left(dot);
}

QString StackFrame::relativePath() const
{
    const QString package = packageName();
    return package.isEmpty() ? file : QString(package).replace(u'.', u'/') + u'/' + file;
}

bool readStackFrame(QStringView text, StackFrame &frame)
{
    text = text.trimmed();
    if (!text.startsWith(QLatin1String("at ")) || !text.endsWith(u')'))
        return false;
    text = text.mid(3);
    const qsizetype open = text.indexOf(u'(');
    if (open <= 0)
        return false;
    // "loader/module@version/pkg.Class.method": the names in front end with a "/".
    QStringView name = text.left(open);
    name = name.mid(name.lastIndexOf(u'/') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0 || dot + 1 == name.size() || name.contains(u' '))
        return false;
    frame.className = name.left(dot).toString();
    frame.method = name.mid(dot + 1).toString();

    const QStringView place = text.mid(open + 1, text.size() - open - 2);
    frame.file.clear();
    frame.line = 0;
    const qsizetype colon = place.lastIndexOf(u':');
    bool numbered = false;
    const int line = colon > 0 ? place.mid(colon + 1).toInt(&numbered) : 0;
    const QStringView file = numbered ? place.left(colon) : place;
    if (file.endsWith(QLatin1String(".java"))) {
        frame.file = file.toString();
        frame.line = numbered && line > 0 ? line : 0;
    }
    return true;
}

void StackTraceParser::feed(QByteArrayView chunk)
{
    m_lines.feed(chunk, [this](QByteArrayView line) { takeLine(line); });
}

void StackTraceParser::finish()
{
    m_lines.finish([this](QByteArrayView line) { takeLine(line); });
    m_inTrace = false;
}

void StackTraceParser::takeLine(QByteArrayView bytes)
{
    const int lineNumber = m_lineNumber++;
    // Most of a program's output is no frame; such a line is passed over without being
    // decoded.
    const qsizetype at = bytes.indexOf("at ");
    const bool mayBeFrame = at >= 0 && bytes.sliced(0, at).trimmed().isEmpty();
    StackFrame frame;
    if (!mayBeFrame || !readStackFrame(QString::fromUtf8(bytes), frame)) {
        // "... 3 more" continues the trace it ends.
        const QByteArrayView trimmed = bytes.trimmed();
        if (!(trimmed.startsWith("... ") && trimmed.endsWith(" more"))) {
            m_inTrace = false;
            // Only the line above a trace is kept, and of a long line its start.
            m_lastText = trimmed.first(std::min<qsizetype>(trimmed.size(), 500)).toByteArray();
        }
        return;
    }
    if (!m_inTrace) {
        ++m_trace;
        m_exception = QString::fromUtf8(m_lastText);
    }
    m_inTrace = true;
    frame.outputLine = lineNumber;
    frame.trace = m_trace;
    frame.exception = m_exception;
    // A program that prints traces without end must not fill the memory with them.
    if (m_frames.size() >= 2 * KeptFrames)
        m_frames.remove(0, m_frames.size() - KeptFrames);
    m_frames.append(frame);
}

QString frameSourcePath(const StackFrame &frame, const ProgramContext &context)
{
    if (!frame.hasPlace() || frame.file.contains(u'/'))
        return {};
    QString root = context.sourceRoot;
    if (!root.endsWith(qv::PathSeparator))
        root += qv::PathSeparator;
    QString path = root + QString(frame.relativePath()).replace(u'/', qv::PathSeparator);
    if (qv::fileExists(path))
        return path;
    if (!context.folderMatchesPackage && frame.packageName() == context.packageName) {
        path = root + frame.file;
        if (qv::fileExists(path))
            return path;
    }
    return {};
}

QList<StackFrame> parseStackTraces(QByteArrayView output)
{
    StackTraceParser parser;
    parser.feed(output);
    parser.finish();
    return parser.frames();
}
