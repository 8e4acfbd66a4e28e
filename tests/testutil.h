#pragma once

// What the tests and the benchmarks share: one driver that answers every modal window and box
// as it opens, a run of the workbench in private folders, and the Java kit found on the PATH.

#include "app/MainForm.h"
#include "app/Program.h"
#include "editor/Childwin.h"
#include "platform/mdiframe.h"
#include "toolchain/Compopt.h"
#include "toolchain/compunit.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

class QWidget;

namespace testutil {

// What a message box (or a box of error output) showed when it was answered.
struct BoxInfo
{
    bool seen = false;
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString defaultButton;
    // When it showed, on the clock of QDeadlineTimer::current(Qt::PreciseTimer).
    qint64 shownAtNs = 0;
};

// Every modal window is handled as soon as it opens (modal windows run nested event loops,
// so the handling runs from inside them): by the next queued action, else by the innermost
// live BoxRecorder when it is a message box, else it is closed at once and noted as
// unexpected. Boxes of error output, which are not modal, are answered by a BoxRecorder.

// Queues an action for the next modal window that opens.
void onNextModal(const std::function<void(QWidget *)> &action);
// Queues an answer for the next modal message box: records it, then presses the button
// whose text is button ("&Yes", "OK", ...).
std::shared_ptr<BoxInfo> answerBox(const QString &button = QStringLiteral("OK"));
// Queues an answer for the next file dialog: the name typed into it, or a null name to
// cancel it. Records the name it showed and its filters.
struct FileDialogVisit
{
    bool seen = false;
    QStringList filters;
    QString selectedFilter;
    QStringList modelPatterns;
    QString shownName;
    QString title;
    QString directory;
};
std::shared_ptr<FileDialogVisit> chooseFile(const QString &name);
// True when every queued action has run; waits for them up to timeoutMs.
bool allModalsHandled(int timeoutMs = 20000);
// Modal windows that opened with nothing to handle them. Reading the list clears it.
QStringList unexpectedModals();
// Forgets queued actions (after a failed test).
void resetModals();

// While it lives, answers every message box that no queued action is for, and every box of
// error output, with "OK" or the chosen button, and records them in the order answered.
class BoxRecorder
{
public:
    BoxRecorder();
    ~BoxRecorder();
    BoxRecorder(const BoxRecorder &) = delete;
    BoxRecorder &operator=(const BoxRecorder &) = delete;

    QList<BoxInfo> boxes;
    // Runs when a box is about to be answered (it is already in boxes).
    std::function<void()> beforeAnswer;
    // The text of the button to press; "OK" when not set.
    std::function<QString(const BoxInfo &)> chooseButton;
    // When set, a box is answered only once this holds (a user who takes time to read).
    std::function<bool()> ready;

    QStringList texts() const;
    // The boxes whose text contains the part.
    int countContaining(const QString &part) const;
    // The compiles' reports seen so far.
    int reports() const { return countContaining(QStringLiteral(" done compiling.")); }
    // Serves events until count reports have been seen; false after timeoutMs.
    bool waitForReports(int count = 1, int timeoutMs = 120000);
};

// Runs the event loop until done() holds or the deadline passes; returns done(). Unlike
// QTRY_*, which sleeps between rounds of events, this serves a stream of hand-overs at full
// speed.
bool runEventsUntil(const std::function<bool()> &done, int timeoutMs = 120000);

// One run of the workbench in a private settings folder: XDG_CONFIG_HOME points at a
// temporary folder, QUORVEL.INI holds iniText (no file when iniText is null), and the three
// windows are created with the arguments. show() runs the first show.
class Session
{
public:
    explicit Session(const QByteArray &iniText = QByteArrayLiteral("[Options]\n"),
                     const QStringList &arguments = {});
    ~Session();

    void show();
    QString configDir() const { return m_config.path(); }
    QString iniPath() const;
    QByteArray iniText() const;
    // A scratch folder for the test's files.
    QString dir() const { return m_files.path(); }
    QString file(const QString &name) const { return m_files.filePath(name); }

private:
    QTemporaryDir m_config;
    QTemporaryDir m_files;
    QString m_oldCurrent;
};

// A session whose main window has had its first show.
class ShownSession : public Session
{
public:
    explicit ShownSession(const QByteArray &iniText = QByteArrayLiteral("[Options]\n"),
                          const QStringList &arguments = {})
        : Session(iniText, arguments)
    {
        show();
    }
};

QByteArray readFile(const QString &path);
void writeFile(const QString &path, const QByteArray &data);
// An executable shell script with the given body, standing in for a program.
void writeScript(const QString &path, const QByteArray &body);

// Opens a document window for a new file with the given text, saved.
TMDIChild *openSavedDocument(const QString &path, const QByteArray &text);
// A new, empty document window, active.
TMDIChild *newDocument();

// The folder of the Java compiler on the PATH (links followed), or empty.
QString javaFolder();
// Whether both the Java compiler and the Java runtime are on the PATH.
bool javaKitFound();
// Whether the workbench's Java service has been built.
bool javaServiceBuilt();
// Compiles the sources with the javac on the PATH, in the folder; true when it succeeded.
bool compileJava(const QString &folder, const QStringList &sources);

// The stand-in compiler the tests build.
QString fakeCompiler();
// A folder "bin" in the session's scratch folder whose compiler file is the stand-in
// compiler; it becomes the compiler directory.
QString useFakeCompiler(const Session &session);
// Like useFakeCompiler, with a shell script of the given body as the compiler; its path.
QString useScriptCompiler(const Session &session, const QByteArray &body);
// Makes the folder of the real compiler on the PATH the compiler directory; false, and an
// empty directory, without one.
bool useRealCompiler();

// Whether any process is left in the group (zombies not yet collected count).
bool processGroupExists(qint64 group);

} // namespace testutil

// Skip the running test when what it needs of the Java kit is missing.
#define NEED_JAVAC()                                                                             \
    if (testutil::javaFolder().isEmpty())                                                        \
        QSKIP("no javac on PATH");
#define NEED_JAVA_KIT()                                                                          \
    if (!testutil::javaKitFound())                                                           \
        QSKIP("the Java kit is not installed");
#define NEED_JAVA()                                                                              \
    if (testutil::javaFolder().isEmpty() || !testutil::javaServiceBuilt())                       \
        QSKIP("needs a Java compiler and the built Java service");
// The same, and the running workbench's compiler directory becomes the compiler's folder.
#define USE_JAVA()                                                                               \
    if (!testutil::useRealCompiler() || !testutil::javaServiceBuilt())                           \
        QSKIP("needs a Java compiler and the built Java service");
