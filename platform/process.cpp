#include "process.h"

#include "threads.h"

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <poll.h>
#include <set>
#include <system_error>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <vector>

namespace qv {

namespace {

// Children whose reaper thread could not be created; collected at later starts.
std::mutex unreapedMutex;
std::vector<pid_t> unreaped;

// Waits for the child to end (flags 0) or looks whether it has (WNOHANG). The child's pid
// once collected, with its status; 0 while it runs; -1 when it is no child to collect.
pid_t collect(pid_t pid, int &status, int flags)
{
    pid_t result;
    while ((result = ::waitpid(pid, &status, flags)) < 0 && errno == EINTR) {
    }
    return result;
}

void reapLeftovers()
{
    const std::lock_guard lock(unreapedMutex);
    std::erase_if(unreaped, [](pid_t pid) {
        int status = 0;
        return collect(pid, status, WNOHANG) != 0;
    });
}

// Collects the child's exit status on a thread of its own as soon as it ends, so that it
// never remains a zombie, and hands the status to ended there.
void reap(pid_t pid, std::function<void(int status)> ended)
{
    try {
        std::thread([pid, ended = std::move(ended)] {
            int status = 0;
            if (collect(pid, status, 0) == pid && ended)
                ended(status);
        }).detach();
    } catch (const std::system_error &) {
        const std::lock_guard lock(unreapedMutex);
        unreaped.push_back(pid);
    }
}

// The process groups of programs started by startProcess that may still have members, and
// those of them being ended. Never destroyed, so that the threads that watch them and the
// exit handler may use it until the very end.
struct Groups
{
    std::mutex mutex;
    std::set<pid_t> live;
    std::set<pid_t> ending;
};

Groups &groups()
{
    static auto *groups = new Groups;
    return *groups;
}

bool groupExists(pid_t group)
{
    return ::kill(-group, 0) == 0 || errno == EPERM;
}

void forgetGroup(pid_t group)
{
    Groups &all = groups();
    const std::lock_guard lock(all.mutex);
    all.live.erase(group);
    all.ending.erase(group);
}

// At exit nothing may be left running: a group still within its grace is killed now.
void killGroupsAtExit()
{
    Groups &all = groups();
    const std::lock_guard lock(all.mutex);
    for (const pid_t group : all.live)
        ::kill(-group, SIGKILL);
}

void watchGroup(pid_t group)
{
    static std::once_flag exitHandler;
    std::call_once(exitHandler, [] { std::atexit(killGroupsAtExit); });
    Groups &all = groups();
    const std::lock_guard lock(all.mutex);
    all.live.insert(group);
}

// SIGTERM to the whole group at once, SIGKILL to whatever of it is left after the grace.
void endGroup(pid_t group)
{
    {
        Groups &all = groups();
        const std::lock_guard lock(all.mutex);
        if (!all.ending.insert(group).second)
            return;
    }
    ::kill(-group, SIGTERM);
    const auto watch = [group] {
        const QDeadlineTimer grace(Process::StopGraceMs);
        while (groupExists(group) && !grace.hasExpired())
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (groupExists(group))
            ::kill(-group, SIGKILL);
        forgetGroup(group);
    };
    try {
        std::thread(watch).detach();
    } catch (const std::system_error &) {
        ::kill(-group, SIGKILL);
        forgetGroup(group);
    }
}

// The leader of the group has ended: what it started goes with it.
void leaderEnded(pid_t group)
{
    if (groupExists(group))
        endGroup(group);
    else
        forgetGroup(group);
}

} // namespace

bool startDetached(const StartInfo &info, int *error, qint64 *processId)
{
    reapLeftovers();
    qint64 pid = -1;
    const int rc = spawn(info, pid);
    if (error)
        *error = rc;
    if (rc != 0)
        return false;
    reap(pid_t(pid), nullptr);
    if (processId)
        *processId = pid;
    return true;
}

bool killProcess(qint64 processId)
{
    if (processId <= 0)
        return false;
    return ::kill(static_cast<pid_t>(processId), SIGKILL) == 0;
}

bool lowerGroupPriority(qint64 group, int steps)
{
    if (group <= 0)
        return false;
    errno = 0;
    const int own = ::getpriority(PRIO_PROCESS, 0);
    if (own == -1 && errno != 0)
        return false;
    // Linux applies a group's priority to each thread of each of its processes.
    return ::setpriority(PRIO_PGRP, id_t(group), std::min(own + steps, 19)) == 0;
}

QString signalName(int signal)
{
    const char *name = ::sigdescr_np(signal);
    return name ? QString::fromLatin1(name) : QString();
}

ProcessEnd Process::end() const
{
    const std::lock_guard lock(m_mutex);
    return m_end;
}

bool Process::waitForEnd(int timeoutMs) const
{
    std::unique_lock lock(m_mutex);
    if (timeoutMs < 0) {
        m_endedSignal.wait(lock, [this] { return m_end.ended; });
        return true;
    }
    return m_endedSignal.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [this] { return m_end.ended; });
}

void Process::stop()
{
    {
        const std::lock_guard lock(m_mutex);
        if (m_stopRequested)
            return;
        m_stopRequested = true;
    }
    // The program leads its own group; the group takes along whatever it started.
    endGroup(pid_t(m_pid));
}

bool Process::stopRequested() const
{
    const std::lock_guard lock(m_mutex);
    return m_stopRequested;
}

void Process::setEnded(int status)
{
    {
        const std::lock_guard lock(m_mutex);
        m_end.ended = true;
        m_end.signalled = WIFSIGNALED(status);
        m_end.code = m_end.signalled ? WTERMSIG(status) : WEXITSTATUS(status);
        m_end.stopped = m_stopRequested;
        m_endedAt = std::chrono::steady_clock::now();
    }
    m_endedSignal.notify_all();
    m_endWrite.close();
}

std::optional<std::chrono::steady_clock::time_point> Process::endedAt() const
{
    const std::lock_guard lock(m_mutex);
    if (!m_end.ended)
        return std::nullopt;
    return m_endedAt;
}

std::shared_ptr<Process> startProcess(const StartInfo &info, int *error)
{
    reapLeftovers();
    std::shared_ptr<Process> process(new Process);
    Pipe endPipe;
    if (!createPipe(endPipe)) {
        if (error)
            *error = errno;
        return nullptr;
    }
    process->m_endRead = std::move(endPipe.read);
    process->m_endWrite = std::move(endPipe.write);
    const int rc = spawn(info, process->m_pid);
    if (error)
        *error = rc;
    if (rc != 0)
        return nullptr;
    const auto group = pid_t(process->m_pid);
    watchGroup(group);
    // When the reaper cannot be made, the program's end stays unknown; it is collected at a
    // later start.
    // The rest of the group is sent on its way before the end is told, so that those who
    // wait for the end find the handle let go of soon after.
    reap(group, [process, group](int status) {
        leaderEnded(group);
        process->setEnded(status);
    });
    return process;
}

qint64 readProgramPipe(int fd, char *buffer, qint64 size, const Process &program, int graceMs)
{
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {program.m_endRead.fd(), POLLIN, 0}};
        nfds_t count = 2;
        int timeout = -1;
        if (const auto endedAt = program.endedAt()) {
            const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(
                std::chrono::steady_clock::now() - *endedAt);
            timeout = std::max<int>(0, graceMs - int(waited.count()));
            count = 1;
        }
        const int ready = ::poll(fds, count, timeout);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return -1;
        }
        // The program has ended, and for the whole grace nothing came.
        if (ready == 0)
            return 0;
        if (fds[0].revents != 0)
            return readPipe(fd, buffer, size);
        // The program has just ended: wait out the grace from here.
    }
}

void finishPrograms(int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    Groups &all = groups();
    std::set<pid_t> left;
    {
        const std::lock_guard lock(all.mutex);
        left = all.live;
    }
    for (const pid_t group : left)
        endGroup(group);
    const auto noGroups = [&all] {
        const std::lock_guard lock(all.mutex);
        return all.live.empty();
    };
    while ((!noGroups() || Thread::runningCount() > 0) && !deadline.hasExpired()) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    killGroupsAtExit();
}

} // namespace qv
