#pragma once

#include <QByteArray>
#include <QObject>
#include <QStringList>
#include <QThread>

#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

class QSocketNotifier;

namespace qv {

// Splits text the user typed (an options string, a tool setting such as
// `/usr/bin/java -cp .`) into words the way a Windows program's start-up code splits its
// command line:
// - blanks and tabs outside double quotes separate words; runs of them count as one;
// - a double quote starts or ends a quoted part and is removed; a word may mix quoted and
//   unquoted parts (`a"b c"d` is one word `ab cd`), and `""` alone is an empty word;
// - inside a quoted part, `""` gives one literal double quote and the part goes on;
// - backslashes are literal except before a double quote: 2n backslashes and a quote give
//   n backslashes and the quote starts or ends quoting; 2n+1 backslashes and a quote give
//   n backslashes and a literal quote;
// - an unbalanced quote runs to the end of the text.
// An empty text, or one of blanks only, gives no words.
QStringList splitCommandLine(const QString &text);

struct PipeEnds
{
    int read = -1;
    int write = -1;
};

// Creates an anonymous pipe whose two ends are closed on exec. False (errno set, both ends
// left at -1) on failure.
bool createPipe(PipeEnds &ends);

// A name that begins with "-" or "@", given to a program as an argument, could be taken for an
// option or an argument file; such a name gets "./" in front, so that it stays a name.
QString plainArgument(const QString &name);

// Closes fd when it is >= 0 and sets it to -1.
void closeDescriptor(int &fd);

// Reads at most size bytes, blocking until some arrive: the count, 0 at end of file (every
// write end closed), -1 on an error (errno set; size <= 0 is EINVAL). EINTR is retried.
qint64 readPipe(int fd, char *buffer, qint64 size);

struct StartInfo
{
    // The program first; each entry reaches the program as exactly one argument, whatever
    // characters it holds. A program name without "/" is looked up in PATH; a relative path
    // with "/" is taken relative to the working directory below.
    QStringList arguments;
    // Empty: the workbench's current directory at the moment of the start.
    QString workingDirectory;
    // The descriptor that becomes the program's standard input; -1 means /dev/null.
    int stdinFd = -1;
    // Descriptors that become the program's standard output and standard error; the caller
    // keeps its own copies and may close them as soon as startDetached returns. -1 means
    // /dev/null: a program started without redirection writes to nowhere, as a windowed
    // program's child does, and never into the workbench's own terminal or log.
    int stdoutFd = -1;
    int stderrFd = -1;
};

// Starts the program detached and returns at once: no shell, a session of its own (so it
// outlives the workbench and its terminal), standard input from /dev/null, the workbench's
// environment, default signal handling, and no descriptor but 0, 1 and 2.
// Returns false, with the errno value in *error, when the program could not be started:
// ENOENT (missing program or working directory, empty program name), EACCES (not
// executable, a directory), EINVAL (no arguments, or an argument holding a zero
// character), EBADF (a given descriptor is not open), or whatever the system reported.
// On success *processId, when given, receives the program's process id. The program is
// never waited for by the caller; a reaper thread collects its exit status so that it does
// not remain a zombie.
bool startDetached(const StartInfo &info, int *error = nullptr, qint64 *processId = nullptr);

// Ends a program started by startDetached at once (SIGKILL). False when no such process
// could be signalled. For tidying up after a program that does not end by itself.
bool killProcess(qint64 processId);

// How a program ended.
struct ProcessEnd
{
    bool ended = false;
    // Ended by a signal; code is then the signal's number, otherwise the exit status.
    bool signalled = false;
    int code = 0;

    // Ended with a non-zero exit status or by a signal.
    bool failed() const { return ended && (signalled || code != 0); }
};

// A program started by startProcess. It leads a process group of its own, knows whether and
// how it ended, and can be stopped together with its group. Shared between the
// user-interface thread and the threads that read its pipes.
class Process
{
public:
    ~Process();
    Process(const Process &) = delete;
    Process &operator=(const Process &) = delete;

    qint64 id() const { return m_pid; }
    ProcessEnd end() const;
    // Blocks until the program has ended or timeoutMs have passed (-1: no limit); whether it
    // has ended.
    bool waitForEnd(int timeoutMs) const;

    // Ends the program and its process group: SIGTERM at once, SIGKILL StopGraceMs later to
    // whatever of the group is still there. Later calls do nothing.
    void stop();
    bool stopRequested() const;

    static constexpr int StopGraceMs = 2000;

private:
    friend std::shared_ptr<Process> startProcess(const StartInfo &, int *);
    friend qint64 readProgramPipe(int, char *, qint64, const Process &, int);
    Process() = default;
    void setEnded(int status);
    std::optional<std::chrono::steady_clock::time_point> endedAt() const;

    qint64 m_pid = -1;
    // Readable (at end of file) once the program has ended: its write end is closed then.
    int m_endRead = -1;
    int m_endWrite = -1;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_endedSignal;
    ProcessEnd m_end;
    std::chrono::steady_clock::time_point m_endedAt;
    bool m_stopRequested = false;
};

// Starts the program as startDetached does, in a session and process group of its own, and
// returns its handle; null (with the errno value in *error) when it could not be started.
std::shared_ptr<Process> startProcess(const StartInfo &info, int *error = nullptr);

// Reads like readPipe from a pipe that program writes, and also gives 0 (the end) once the
// program has ended and the pipe then stayed open without data for graceMs: some child of
// the program holds its write end.
qint64 readProgramPipe(int fd, char *buffer, qint64 size, const Process &program,
                       int graceMs = 2000);

// Waits until every stopped program's group has gone (or been killed) and every Thread has
// ended, serving their hand-overs, for at most timeoutMs. For the end of the program, so that
// it leaves no process behind and no thread hands over to a destroyed application.
void finishPrograms(int timeoutMs);

// Writes to a pipe without ever blocking the user-interface thread: what does not fit now is
// kept and written when the pipe has room. A reader that has gone (the program ended or closed
// its input) makes the rest be dropped. Owns the descriptor.
class PipeWriter : public QObject
{
public:
    explicit PipeWriter(int fd, QObject *parent = nullptr);
    ~PipeWriter() override;

    void write(const QByteArray &data);
    // Closes the pipe once everything written so far has gone out: the reader sees its end.
    void closeWhenWritten();
    bool isOpen() const { return m_fd >= 0; }

private:
    void flush();
    void closeNow();

    int m_fd = -1;
    QByteArray m_pending;
    bool m_closeRequested = false;
    QSocketNotifier *m_notifier = nullptr;
};

// A thread with an end notification and a synchronous hand-over to the user-interface
// thread. Set the end handler and the free-on-end mark before start().
class Thread : public QThread
{
public:
    // Deletes the object on the user-interface thread once its thread has ended.
    void setFreeOnTerminate(bool free);
    // Runs on the user-interface thread once the body has ended, while this thread waits,
    // before the object frees itself. It runs even when the body ended by an exception.
    void setOnTerminate(std::function<void()> handler);

    // Threads whose body or end handler has not finished yet.
    static int runningCount();

protected:
    Thread();

    // The body, on this thread.
    virtual void execute() = 0;

    // Runs step on the user-interface thread and blocks until it returned. Hand-overs are
    // served also while a modal box (a nested event loop) is open there. Called on the
    // user-interface thread itself, it runs step at once. An exception thrown by step is
    // rethrown here.
    void synchronize(const std::function<void()> &step);

private:
    void run() override;

    std::function<void()> m_onTerminate;
    bool m_freeOnTerminate = false;
};

} // namespace qv
