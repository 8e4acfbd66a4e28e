#pragma once

#include "linesplitter.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// What the compiler said about a place in a source file, or about the compile as a whole.
struct Diagnostic
{
    enum Kind { Error, Warning, Note };

    Kind kind = Error;
    // The file as the compiler wrote it (relative to its working folder when not absolute);
    // empty for a diagnostic that names no place.
    QString file;
    // 1-based; 0 when no place is named.
    int line = 0;
    // 1-based, in characters; 0 when the compiler showed no caret.
    int column = 0;
    // The text after "error: " (or "warning: ", "Note: "), with the lines of detail that
    // follow the caret line, one per line.
    QString message;
    // The 0-based lines of the output that belong to it: the diagnostic's own line through
    // its source, caret and detail lines.
    int firstOutputLine = 0;
    int lastOutputLine = 0;

    bool hasPlace() const { return line > 0 && !file.isEmpty(); }
};

// Reads the compiler's output as it arrives. Chunks may end anywhere, also inside a line or
// a character; a line counts once its line break has arrived, or at finish(). Any text that
// is no diagnostic is passed over.
class DiagnosticParser
{
public:
    void feed(QByteArrayView chunk);
    // Takes the last line even without a line break.
    void finish();

    const QList<Diagnostic> &diagnostics() const { return m_diagnostics; }

private:
    enum State { Between, ExpectSource, ExpectCaret, InDetails };

    void takeLine(QByteArrayView bytes);

    QList<Diagnostic> m_diagnostics;
    LineSplitter m_lines;
    int m_lineNumber = 0;
    State m_state = Between;
    bool m_mayBeSource = false;
};

// All diagnostics of a complete output.
QList<Diagnostic> parseDiagnostics(QByteArrayView output);

// The diagnostic whose output lines hold outputLine, or nullptr.
const Diagnostic *diagnosticAtOutputLine(const QList<Diagnostic> &diagnostics, int outputLine);
