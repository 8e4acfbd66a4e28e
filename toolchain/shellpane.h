#pragma once

#include "toolchain/toolwindow.h"

#include <QStringList>

#include <functional>

class JavaService;
class JavaShell;
class QCompleter;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTextCharFormat;
struct ShellPiece;

// What a shell starts with: the class path its snippets see, the source files whose
// declarations it takes in (classes of the unnamed package), and the folders whose sources
// the lines of its stack traces lead to.
struct ShellContext
{
    QString classPath;
    QStringList sources;
    QStringList sourceFolders;
};

// The caption of the shell window for a class path.
QString shellCaption(const QString &classPath);
// A typed input as the transcript shows it: its first line after "> ", the others indented.
QString echoedInput(const QString &input);

// The Java Shell window: a transcript in the fixed-pitch face above an input. Enter evaluates
// the input when it is complete; when it is not, the input takes another line. Up and Down
// walk the inputs given before, Ctrl+Space completes from what the shell knows, "/reset" or
// Reset starts a fresh shell, Stop (the button, or the Stop command) ends a running snippet.
// A stack trace's line that names a source found in the shell's folders leads to it on a
// double-click or Enter.
class TShellForm : public ToolWindow
{
    Q_OBJECT

public:
    // history: the inputs given, kept by the caller beyond the window's life.
    TShellForm(JavaService *service, QStringList *history);
    ~TShellForm() override;

    // Where a reset takes its context from: the current document's.
    std::function<ShellContext()> CurrentContext;

    QPlainTextEdit *Transcript = nullptr;
    QPlainTextEdit *Input = nullptr;
    QLabel *Prompt = nullptr;
    QPushButton *ResetButton = nullptr;
    QPushButton *StopButton = nullptr;

    JavaShell *shell() const { return m_shell; }
    // Starts a fresh shell in the context; what was declared before is gone.
    void startShell(const ShellContext &context);
    void reset();
    // Evaluates what the input holds, as Enter does.
    void submit();
    // Asks for the completions at the input's caret, as Ctrl+Space does.
    void complete();
    QCompleter *completer() const { return m_completer; }

    bool going() const override;
    void stop() override;
    QString stopQuestion() const override;
    bool queryClose() override { return stopBeforeClose(); }

    static constexpr int KeptLines = 100000;
    static constexpr int MaxInputLines = 10;

signals:
    // A stack trace's line was chosen: the source file and the line it names.
    void placeChosen(const QString &path, int line);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void formClose() override;

private:
    void append(const QString &text, const QTextCharFormat &format);
    void appendPieces(const QList<ShellPiece> &pieces);
    void appendTrace(const QString &text);
    void note(const QString &text);
    void accepted();
    void continueInput();
    void finished();
    void updateState();
    void fitInput();
    void walkHistory(int step);
    void showSuggestions(int anchor, const QStringList &texts);
    void insertCompletion(const QString &text);
    bool chooseLine(int blockNumber);
    QString sourceFor(int blockNumber) const;

    JavaShell *m_shell = nullptr;
    QStringList *m_history = nullptr;
    QStringList m_sourceFolders;
    QCompleter *m_completer = nullptr;
    // The input sent and not yet taken, and where its caret was.
    QString m_sent;
    int m_sentCaret = 0;
    bool m_taken = false;
    // Given while the shell was starting: evaluated once it has.
    QString m_waiting;
    // Where in the history Up and Down are, and what was typed before walking it.
    qsizetype m_historyAt = 0;
    QString m_draft;
    // The input and caret a completion was asked for, and where its texts start.
    QString m_suggestedFor;
    int m_suggestedCaret = -1;
    int m_anchor = 0;
    bool m_lost = false;
};
