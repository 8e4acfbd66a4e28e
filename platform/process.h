#pragma once

#include "descriptors.h"
#include "spawning.h"

#include <QString>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

namespace qv {

// Starts the program detached and returns at once: as spawn does, in a session of its own
// (so it outlives the workbench and its terminal), with standard input from /dev/null unless
// given. Returns false, with the errno value in *error, when the program could not be
// started. On success *processId, when given, receives the program's process id. The program
// is never waited for by the caller; a reaper thread collects its exit status so that it does
// not remain a zombie.
bool startDetached(const StartInfo &info, int *error = nullptr, qint64 *processId = nullptr);

// Ends a program started by startDetached at once (SIGKILL). False when no such process
// could be signalled. For tidying up after a program that does not end by itself.
bool killProcess(qint64 processId);

// Gives every thread in the process group a niceness steps above the workbench's own (the
// threads they start later inherit it), so that the group's work yields to the workbench's.
bool lowerGroupPriority(qint64 group, int steps);

// How a program ended.
struct ProcessEnd
{
    bool ended = false;
    // Ended by a signal; code is then the signal's number, otherwise the exit status.
    bool signalled = false;
    int code = 0;
    // It was asked to stop before it ended, whatever it then did.
    bool stopped = false;

    // Ended with a non-zero exit status or by a signal.
    bool failed() const { return ended && (signalled || code != 0); }
};

// The system's name of a signal ("Killed" for 9), not translated; empty for an unknown one.
QString signalName(int signal);

// A program started by startProcess. It leads a process group of its own, knows whether and
// how it ended, and can be stopped together with its group. Whatever of its group is left
// when it ends is ended as stop() ends it, and so is every group still there when the
// workbench ends. Shared between the user-interface thread and the threads that read its
// pipes.
class Process
{
public:
    ~Process() = default;
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
    Descriptor m_endRead;
    Descriptor m_endWrite;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_endedSignal;
    ProcessEnd m_end;
    std::chrono::steady_clock::time_point m_endedAt;
    bool m_stopRequested = false;
};

// Starts the program as spawn does, in a session and process group of its own, and returns
// its handle; null (with the errno value in *error) when it could not be started.
std::shared_ptr<Process> startProcess(const StartInfo &info, int *error = nullptr);

// Reads like readPipe from a pipe that program writes, and also gives 0 (the end) once the
// program has ended and the pipe then stayed open without data for graceMs: some child of
// the program holds its write end.
qint64 readProgramPipe(int fd, char *buffer, qint64 size, const Process &program,
                       int graceMs = 2000);

// Ends every group of a program started by startProcess that is still there, and waits
// until they have gone (or been killed) and every Thread has ended, serving their hand-overs,
// for at most timeoutMs. For the end of the workbench, so that it leaves no process behind
// and no thread hands over to a destroyed application.
void finishPrograms(int timeoutMs);

} // namespace qv
