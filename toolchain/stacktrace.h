#pragma once

#include "linesplitter.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

// One line "at pkg.Class.method(File.java:N)" of a stack trace a Java program printed.
struct StackFrame
{
    // The declaring class, qualified, without a class loader's or module's name in front.
    QString className;
    QString method;
    // The source file's name as the trace gives it ("Cart.java"); empty for a native method
    // or an unknown source.
    QString file;
    // 1-based; 0 when the trace names none.
    int line = 0;
    // The 0-based line of the output the frame is on.
    int outputLine = 0;
    // Counts the traces in the output, from 0: a "Caused by:" starts a new one, and so does
    // any first frame after other text.
    int trace = 0;
    // The line the trace begins under: the exception and its message, as printed
    // ("Exception in thread "main" java.lang...: ...", "Caused by: ..."); empty at the
    // output's start.
    QString exception;

    bool hasPlace() const { return line > 0 && !file.isEmpty(); }
    // The class's package: what comes before the class's last ".", or empty.
    QString packageName() const;
    // The source file's path below the source root: the package's folders and the file.
    QString relativePath() const;
};

// Reads a frame line; false when the line is none.
bool readStackFrame(QStringView text, StackFrame &frame);

// Reads a program's output as it arrives, for the frames of the stack traces it prints.
// Chunks may end anywhere; a line counts once its line break has arrived, or at finish().
class StackTraceParser
{
public:
    void feed(QByteArrayView chunk);
    // Takes the last line even without a line break.
    void finish();

    // The frames read, of a long output the last ones: between KeptFrames and twice as many.
    const QList<StackFrame> &frames() const { return m_frames; }
    static constexpr qsizetype KeptFrames = 10000;

private:
    void takeLine(QByteArrayView bytes);

    QList<StackFrame> m_frames;
    LineSplitter m_lines;
    int m_lineNumber = 0;
    int m_trace = -1;
    bool m_inTrace = false;
    QByteArray m_lastText;
    QString m_exception;
};

// All frames of a complete output.
QList<StackFrame> parseStackTraces(QByteArrayView output);

struct ProgramContext;

// The source file of the frame among the program's files: below the source root by the
// class's package, or, for a class of the program's own package when its folder does not
// match the package, beside the program's file. Empty when no such file exists (a class of
// the kit, a file without source).
QString frameSourcePath(const StackFrame &frame, const ProgramContext &context);
