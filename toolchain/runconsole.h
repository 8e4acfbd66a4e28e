#pragma once

#include "toolchain/stacktrace.h"
#include "toolchain/toolwindow.h"

#include <QStringDecoder>
#include <QStringList>

#include <functional>

#include <memory>

class QLineEdit;
class QPlainTextEdit;
class QTextBlock;
class QTextCharFormat;

namespace qv {
class PipeWriter;
class Process;
struct ProcessEnd;
} // namespace qv

// The caption of a run window while its program runs, and after it has ended.
QString runningCaption(const QString &className);
QString finishedCaption(const QString &className, const qv::ProcessEnd &end);

// The run window of one program: shows what the program writes to its standard output and
// standard error as it arrives, in the fixed-pitch face, and sends the lines typed into the
// input line under the text to its standard input; Ctrl+D there closes that input. A line of
// a stack trace in the text is chosen by a double-click or by Enter.
class TRunConsoleForm : public ToolWindow
{
    Q_OBJECT

public:
    TRunConsoleForm();
    ~TRunConsoleForm() override;

    // Starts the program (arguments[0]) in the current directory in a new run window
    // captioned with the class name. Null, and no window, when the program
    // could not be started.
    static TRunConsoleForm *run(const QStringList &arguments,
                                const QString &className);

    QPlainTextEdit *Output = nullptr;
    QLineEdit *Input = nullptr;
    QString ClassName;

    // The program's process id, which also names its process group.
    qint64 processId() const;
    bool hasEnded() const { return m_ended; }

    bool going() const override;
    void stop() override;
    QString stopQuestion() const override;
    bool queryClose() override { return stopBeforeClose(); }

    // Adds bytes the program wrote at the end of the text. Of a long text the last KeptLines
    // lines are kept, under a first line that says how many went.
    void appendOutput(const QByteArray &bytes);
    // Sends the input line and a line break to the program, and shows the line in the text.
    void sendInput();
    // Sends what is typed in the input line without a line end, then closes the program's
    // standard input once what was sent has gone out.
    void closeInput();

    static constexpr int KeptLines = 100000;
    // The end handler of the window's reader: the program has ended and all it wrote is shown.
    void programEnded();

    // The frames of the stack traces in all the program wrote.
    const QList<StackFrame> &frames() const { return m_traces.frames(); }
    // Finds the next (step 1) or previous (step -1) line of the text after the one chosen last
    // that is a frame which accept takes, and shows it chosen; false when there is none.
    bool stepFrame(int step, const std::function<bool(const StackFrame &)> &accept,
                   StackFrame &frame);

signals:
    void frameChosen(const StackFrame &frame);
    // The program has ended and all it wrote is shown.
    void finished();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void formClose() override;

private:
    QByteArray shownLines(const QByteArray &bytes);
    void appendText(QString text, const QTextCharFormat &format);
    void keepScrollBack();
    void sendText(const QString &text);
    void sendCompleteLines(const QString &text);
    // Chooses the line of the block when it is a frame; false when it is none.
    bool chooseLine(const QTextBlock &block);
    void showChosen(const QTextBlock &block);

    std::shared_ptr<qv::Process> m_program;
    qv::PipeWriter *m_input = nullptr;
    QStringDecoder m_decoder;
    // The length of the text's last line, and the lines dropped from its start.
    qsizetype m_column = 0;
    qlonglong m_droppedLines = 0;
    bool m_ended = false;
    StackTraceParser m_traces;
};
