#pragma once

#include "platform/boxes.h"
#include "platform/errors.h"
#include "platform/descriptors.h"
#include "platform/process.h"
#include "toolchain/toolwindow.h"
#include "toolchain/diagnostics.h"

#include <QByteArray>
#include <QPointer>
#include <QStringList>

#include <memory>
#include <string_view>

class QTimer;
class TCompOutForm;

namespace qv {
class StatusPanels;
class TextControl;
} // namespace qv

// The program-wide count of compiler pipe readers still running; user-interface thread only.
// Every compile adds 2 when its compiler has started; each reader's end takes 1 away.
extern int RunningReaders;

class EQvExecFileGeneralFailure : public qv::Error
{
public:
    using qv::Error::Error;
};

// The compiler's arguments for the compile command's three pieces: the quoted compiler path,
// the option arguments the user's settings produced, and the quoted file name. The two quoted
// pieces lose their enclosing quotes and become exactly one argument each, whatever they
// hold, as does each option. A relative file name that begins with "-" or "@" gets "./" in
// front, so that the compiler cannot take it for an option or an argument file. A source
// path, when given, goes before the file name as "-sourcepath" and one argument, unless the
// options already name a source path.
QStringList compilerArguments(const QString &compiler, const QStringList &options,
                              const QString &fileName, const QString &sourcePath = {});

// True when the text holds "error" or "errors" (lower case) as a whole word anywhere: not
// preceded or followed by a letter, digit or underscore. The text's bytes are UTF-8 as far as
// they are valid; a byte that starts no valid character counts as no letter.
bool containsErrorWord(std::string_view text);

// One run of the compiler: the two pipes that carry its standard output and standard error.
// The write ends are closed as soon as the compiler has started; the read ends pass to the two
// readers, which close them when they end. A compiler still running when its runner goes is
// stopped.
class TJavaCompile
{
public:
    TJavaCompile() = default;
    ~TJavaCompile();
    TJavaCompile(const TJavaCompile &) = delete;
    TJavaCompile &operator=(const TJavaCompile &) = delete;

    qv::Descriptor ErrorRead;
    qv::Descriptor OutputRead;
    qv::Descriptor OutputWrite;
    qv::Descriptor ErrorWrite;
    // The compiler's process: how it ended, and the means to stop it.
    std::shared_ptr<qv::Process> Program;

    // Starts the compiler with its standard output and standard error on two pipes and the two
    // readers that deliver to form: standard output to its text, standard error to its text
    // and its box of error output, in reads of at most 256 bytes. Throws qv::Error (after a
    // box) when a pipe cannot be created, EQvExecFileGeneralFailure when the compiler cannot
    // be started, and qv::Error when a reader cannot be started; RunningReaders then counts
    // only readers that run.
    void StartCompiler(const QString &compiler, const QStringList &options,
                       const QString &fileName, const QString &sourcePath, TCompOutForm *form);
};

// The output window of one compile: shows the compiler's output and the completion report.
// The compiler's error output also shows in a box; while that box is open, more error output
// of the same compile is added to it instead of opening another.
class TCompOutForm : public ToolWindow
{
    Q_OBJECT

public:
    TCompOutForm();
    ~TCompOutForm() override;

    // A new output window whose compile has started; the compiler looks for
    // the program's other classes in sourcePath when it is given. On failure the window is
    // destroyed and the error passes on to the caller.
    static TCompOutForm *CreateAndCompile(const QString &compiler,
                                          const QStringList &options, const QString &fileName,
                                          const QString &sourcePath = {});

    qv::TextControl *RichEdit1 = nullptr;
    qv::StatusPanels *StatusBar1 = nullptr;
    std::unique_ptr<TJavaCompile> Runner;
    QString CompiledFile;
    // False when a clean compile goes on to run the program: it then closes its window with
    // compiledCleanly() instead of the " done compiling." box.
    bool ReportsSuccess = true;

    void UpdateCaretPanel();
    void FormErrorCloseQuery(bool &CanClose);
    void FormClose();
    void RichEdit1Change();
    void RichEdit1SelectionChange();
    // The end handler of each of this window's readers.
    void ReaderTerminated();
    // Adds a chunk of the compiler's output at the end of the text.
    void appendCompilerOutput(const QByteArray &chunk);
    // Adds a chunk of the compiler's error output to the text and to the compile's box of
    // error output, opened by the first chunk; returns without waiting for the box.
    void showErrorOutput(const QByteArray &chunk);
    qv::TextBox *errorBox() const { return m_errorBox; }

    bool going() const override;
    void stop() override;
    QString stopQuestion() const override;

    // This window's readers still running.
    int runningReaders() const { return m_runningReaders; }

    // The folder the compiler ran in: relative paths in its output start there.
    QString CompilerFolder;
    // The diagnostics of the compiler's output so far.
    const QList<Diagnostic> &diagnostics() const { return m_diagnostics.diagnostics(); }

signals:
    // The user chose a diagnostic that names a place: a double-click or Enter on its lines.
    void diagnosticChosen(const Diagnostic &diagnostic);
    // A compile that does not report its success has ended cleanly.
    void compiledCleanly();
    // The compiler has ended and these are all its diagnostics; relative paths in them start
    // from compilerFolder.
    void diagnosticsFinished(const QList<Diagnostic> &diagnostics, const QString &compilerFolder);

public:
    bool queryClose() override;

protected:
    void formClose() override;

private:
    friend class TJavaCompile;

    void closeAfterReport();
    void resumePainting();
    void setUpDiagnostics();
    void finishDiagnostics();
    bool chooseDiagnosticAt(int line);

    QTimer *m_paintPause = nullptr;
    QPointer<qv::TextBox> m_errorBox;
    bool m_errorBoxOpened = false;
    // The length of the text's last line, as the compiler's output left it.
    qsizetype m_column = 0;
    int m_runningReaders = 0;
    bool m_stopped = false;
    DiagnosticParser m_diagnostics;
};
