#pragma once

#include "toolchain/toolwindow.h"

#include <QStringDecoder>
#include <QStringList>

#include <memory>

class QLineEdit;
class QPlainTextEdit;
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
// input line under the text to its standard input; Ctrl+D there closes that input.
class TRunConsoleForm : public ToolWindow
{
    Q_OBJECT

public:
    explicit TRunConsoleForm(TMDIChild *owner);
    ~TRunConsoleForm() override;

    // Starts the program (arguments[0]) in the current directory in a new run window owned
    // by owner and captioned with the class name. Null, and no window, when the program
    // could not be started.
    static TRunConsoleForm *run(TMDIChild *owner, const QStringList &arguments,
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

    // Adds bytes the program wrote at the end of the text.
    void appendOutput(const QByteArray &bytes);
    // Sends the input line and a line break to the program, and shows the line in the text.
    void sendInput();
    // Closes the program's standard input once what was sent has gone out.
    void closeInput();
    // The end handler of the window's reader: the program has ended and all it wrote is shown.
    void programEnded();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void formClose() override;

private:
    void appendText(const QString &text, const QTextCharFormat &format);

    std::shared_ptr<qv::Process> m_program;
    qv::PipeWriter *m_input = nullptr;
    QStringDecoder m_decoder;
    bool m_ended = false;
};
