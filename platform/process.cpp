#include "process.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <set>
#include <spawn.h>
#include <system_error>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace qv {

QStringList splitCommandLine(const QString &text)
{
    QStringList words;
    QString word;
    bool inWord = false;
    bool quoted = false;
    const qsizetype length = text.size();
    qsizetype i = 0;
    while (i < length) {
        const QChar c = text.at(i);
        if (!quoted && (c == u' ' || c == u'\t')) {
            if (inWord) {
                words.append(word);
                word.clear();
                inWord = false;
            }
            ++i;
            continue;
        }
        inWord = true;
        if (c == u'\\') {
            qsizetype count = 0;
            while (i < length && text.at(i) == u'\\') {
                ++count;
                ++i;
            }
            if (i < length && text.at(i) == u'"') {
                word.append(QString(count / 2, u'\\'));
                if (count % 2 == 1) {
                    word.append(u'"');
                    ++i;
                }
                // With an even count the quote is left for the next round to toggle quoting.
            } else {
                word.append(QString(count, u'\\'));
            }
            continue;
        }
        if (c == u'"') {
            if (quoted && i + 1 < length && text.at(i + 1) == u'"') {
                word.append(u'"');
                i += 2;
                continue;
            }
            quoted = !quoted;
            ++i;
            continue;
        }
        word.append(c);
        ++i;
    }
    if (inWord)
        words.append(word);
    return words;
}

bool createPipe(PipeEnds &ends)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        ends = PipeEnds{};
        return false;
    }
    ends.read = fds[0];
    ends.write = fds[1];
    return true;
}

QString plainArgument(const QString &name)
{
    if (name.startsWith(u'-') || name.startsWith(u'@'))
        return QStringLiteral("./") + name;
    return name;
}

void closeDescriptor(int &fd)
{
    if (fd >= 0) {
        // On Linux the descriptor is released even when close reports EINTR; never retry.
        ::close(fd);
        fd = -1;
    }
}

qint64 readPipe(int fd, char *buffer, qint64 size)
{
    if (size <= 0) {
        errno = EINVAL;
        return -1;
    }
    for (;;) {
        const ssize_t count = ::read(fd, buffer, static_cast<size_t>(size));
        if (count >= 0)
            return count;
        if (errno != EINTR)
            return -1;
    }
}

namespace {

// Children whose reaper thread could not be created; collected at later starts.
std::mutex unreapedMutex;
std::vector<pid_t> unreaped;

void reapLeftovers()
{
    const std::lock_guard lock(unreapedMutex);
    std::erase_if(unreaped, [](pid_t pid) {
        int status = 0;
        const pid_t result = ::waitpid(pid, &status, WNOHANG);
        return result == pid || (result < 0 && errno == ECHILD);
    });
}

void reapInBackground(pid_t pid)
{
    try {
        std::thread([pid] {
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error &) {
        const std::lock_guard lock(unreapedMutex);
        unreaped.push_back(pid);
    }
}

struct SpawnResources
{
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    bool actionsReady = false;
    bool attributesReady = false;
    int inCopy = -1;
    int outCopy = -1;
    int errCopy = -1;

    ~SpawnResources()
    {
        if (actionsReady)
            posix_spawn_file_actions_destroy(&actions);
        if (attributesReady)
            posix_spawnattr_destroy(&attributes);
        closeDescriptor(inCopy);
        closeDescriptor(outCopy);
        closeDescriptor(errCopy);
    }
};

int prepareAttributes(posix_spawnattr_t &attributes)
{
    sigset_t empty;
    sigemptyset(&empty);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int sig : {SIGPIPE, SIGHUP, SIGINT, SIGQUIT, SIGTERM, SIGCHLD, SIGALRM, SIGUSR1, SIGUSR2,
                    SIGTSTP, SIGTTIN, SIGTTOU, SIGXFSZ})
        sigaddset(&defaults, sig);
    int rc = posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK
                                                       | POSIX_SPAWN_SETSIGDEF);
    if (rc == 0)
        rc = posix_spawnattr_setsigmask(&attributes, &empty);
    if (rc == 0)
        rc = posix_spawnattr_setsigdefault(&attributes, &defaults);
    return rc;
}

int prepareActions(posix_spawn_file_actions_t &actions, const QByteArray &directory, int in,
                   int out, int err)
{
    int rc = 0;
    if (!directory.isEmpty())
        rc = posix_spawn_file_actions_addchdir_np(&actions, directory.constData());
    if (rc == 0) {
        rc = in >= 0 ? posix_spawn_file_actions_adddup2(&actions, in, 0)
                     : posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    }
    if (rc == 0) {
        rc = out >= 0 ? posix_spawn_file_actions_adddup2(&actions, out, 1)
                      : posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    }
    if (rc == 0) {
        rc = err >= 0 ? posix_spawn_file_actions_adddup2(&actions, err, 2)
                      : posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
    if (rc == 0)
        rc = posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    return rc;
}

int spawn(const StartInfo &info, pid_t &pid)
{
    if (info.arguments.isEmpty())
        return EINVAL;
    std::vector<QByteArray> encoded;
    encoded.reserve(info.arguments.size());
    for (const QString &argument : info.arguments) {
        // A zero character would silently cut the argument short.
        if (argument.contains(QChar(0)))
            return EINVAL;
        encoded.push_back(QFile::encodeName(argument));
    }
    if (encoded.front().isEmpty())
        return ENOENT;
    if (info.workingDirectory.contains(QChar(0)))
        return EINVAL;
    std::vector<char *> argv;
    for (QByteArray &argument : encoded)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    // The streams are copied to descriptors numbered 3 or higher, so that the dup2 action
    // of one stream cannot overwrite the source of another (or of itself, which would
    // leave it closed on exec).
    SpawnResources res;
    if (info.stdinFd >= 0 && (res.inCopy = ::fcntl(info.stdinFd, F_DUPFD_CLOEXEC, 3)) < 0)
        return errno;
    if (info.stdoutFd >= 0 && (res.outCopy = ::fcntl(info.stdoutFd, F_DUPFD_CLOEXEC, 3)) < 0)
        return errno;
    if (info.stderrFd >= 0 && (res.errCopy = ::fcntl(info.stderrFd, F_DUPFD_CLOEXEC, 3)) < 0)
        return errno;

    int rc = posix_spawn_file_actions_init(&res.actions);
    if (rc != 0)
        return rc;
    res.actionsReady = true;
    rc = posix_spawnattr_init(&res.attributes);
    if (rc != 0)
        return rc;
    res.attributesReady = true;
    rc = prepareAttributes(res.attributes);
    if (rc == 0)
        rc = prepareActions(res.actions, QFile::encodeName(info.workingDirectory), res.inCopy,
                            res.outCopy, res.errCopy);
    if (rc != 0)
        return rc;
    // posix_spawnp searches PATH only for a name without "/", and glibc reports a failed
    // exec (or chdir) as its result; it never falls back to running the file with a shell.
    return posix_spawnp(&pid, argv.front(), &res.actions, &res.attributes, argv.data(), environ);
}

} // namespace

bool startDetached(const StartInfo &info, int *error, qint64 *processId)
{
    reapLeftovers();
    pid_t pid = -1;
    const int rc = spawn(info, pid);
    if (error)
        *error = rc;
    if (rc != 0)
        return false;
    reapInBackground(pid);
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

namespace {

// Process groups that were asked to stop and may still have members; each is watched by a
// thread of its own until it has gone or has been killed. Never destroyed, so that those
// threads and the exit handler may use it until the very end.
struct StoppedGroups
{
    std::mutex mutex;
    std::condition_variable changed;
    std::set<pid_t> groups;
};

StoppedGroups &stoppedGroups()
{
    static auto *groups = new StoppedGroups;
    return *groups;
}

bool groupExists(pid_t group)
{
    return ::kill(-group, 0) == 0 || errno == EPERM;
}

// At exit nothing may be left running: a group still within its grace is killed now.
void killStoppedGroupsAtExit()
{
    StoppedGroups &stopped = stoppedGroups();
    const std::lock_guard lock(stopped.mutex);
    for (const pid_t group : stopped.groups)
        ::kill(-group, SIGKILL);
}

void killAfterGrace(pid_t group)
{
    static std::once_flag exitHandler;
    std::call_once(exitHandler, [] { std::atexit(killStoppedGroupsAtExit); });
    StoppedGroups &stopped = stoppedGroups();
    {
        const std::lock_guard lock(stopped.mutex);
        stopped.groups.insert(group);
    }
    const auto watch = [group] {
        StoppedGroups &stopped = stoppedGroups();
        const QDeadlineTimer grace(Process::StopGraceMs);
        while (groupExists(group) && !grace.hasExpired())
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (groupExists(group))
            ::kill(-group, SIGKILL);
        const std::lock_guard lock(stopped.mutex);
        stopped.groups.erase(group);
        stopped.changed.notify_all();
    };
    try {
        std::thread(watch).detach();
    } catch (const std::system_error &) {
        ::kill(-group, SIGKILL);
        const std::lock_guard lock(stopped.mutex);
        stopped.groups.erase(group);
    }
}

std::atomic<int> runningThreads{0};

} // namespace

Process::~Process()
{
    closeDescriptor(m_endRead);
    closeDescriptor(m_endWrite);
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
    const auto group = static_cast<pid_t>(m_pid);
    ::kill(-group, SIGTERM);
    killAfterGrace(group);
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
        m_endedAt = std::chrono::steady_clock::now();
    }
    m_endedSignal.notify_all();
    closeDescriptor(m_endWrite);
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
    PipeEnds endPipe;
    if (!createPipe(endPipe)) {
        if (error)
            *error = errno;
        return nullptr;
    }
    process->m_endRead = endPipe.read;
    process->m_endWrite = endPipe.write;
    pid_t pid = -1;
    const int rc = spawn(info, pid);
    if (error)
        *error = rc;
    if (rc != 0)
        return nullptr;
    process->m_pid = pid;
    try {
        std::thread([process] {
            int status = 0;
            pid_t result;
            while ((result = ::waitpid(static_cast<pid_t>(process->m_pid), &status, 0)) < 0
                   && errno == EINTR) {
            }
            if (result > 0)
                process->setEnded(status);
        }).detach();
    } catch (const std::system_error &) {
        // Its end stays unknown; it is collected at a later start.
        const std::lock_guard lock(unreapedMutex);
        unreaped.push_back(pid);
    }
    return process;
}

qint64 readProgramPipe(int fd, char *buffer, qint64 size, const Process &program, int graceMs)
{
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {program.m_endRead, POLLIN, 0}};
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
    StoppedGroups &stopped = stoppedGroups();
    const auto noGroups = [&stopped] {
        const std::lock_guard lock(stopped.mutex);
        return stopped.groups.empty();
    };
    while ((!noGroups() || Thread::runningCount() > 0) && !deadline.hasExpired()) {
        if (QCoreApplication::instance())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    killStoppedGroupsAtExit();
}

PipeWriter::PipeWriter(int fd, QObject *parent)
    : QObject(parent)
    , m_fd(fd)
{
    // A write into a pipe whose reader has gone would otherwise end the whole workbench; it
    // fails with EPIPE instead. Started programs get the default back.
    static std::once_flag ignorePipeSignal;
    std::call_once(ignorePipeSignal, [] { ::signal(SIGPIPE, SIG_IGN); });
    if (m_fd < 0)
        return;
    ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Write, this);
    m_notifier->setEnabled(false);
    connect(m_notifier, &QSocketNotifier::activated, this, &PipeWriter::flush);
}

PipeWriter::~PipeWriter()
{
    closeNow();
}

void PipeWriter::write(const QByteArray &data)
{
    if (m_fd < 0 || m_closeRequested)
        return;
    m_pending += data;
    flush();
}

void PipeWriter::closeWhenWritten()
{
    m_closeRequested = true;
    flush();
}

void PipeWriter::flush()
{
    while (m_fd >= 0 && !m_pending.isEmpty()) {
        const ssize_t written = ::write(m_fd, m_pending.constData(), size_t(m_pending.size()));
        if (written > 0) {
            m_pending.remove(0, written);
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            m_notifier->setEnabled(true);
            return;
        }
        // EPIPE: nobody reads any more.
        m_pending.clear();
        closeNow();
        return;
    }
    if (m_notifier)
        m_notifier->setEnabled(false);
    if (m_closeRequested)
        closeNow();
}

void PipeWriter::closeNow()
{
    delete m_notifier;
    m_notifier = nullptr;
    closeDescriptor(m_fd);
}

int Thread::runningCount()
{
    return runningThreads.load();
}

Thread::Thread()
{
    // Queued to the thread that owns this object, so the deletion happens there and only
    // after the thread's run() has returned.
    connect(this, &QThread::finished, this, [this] {
        if (m_freeOnTerminate)
            deleteLater();
    });
}

void Thread::setFreeOnTerminate(bool free)
{
    m_freeOnTerminate = free;
}

void Thread::setOnTerminate(std::function<void()> handler)
{
    m_onTerminate = std::move(handler);
}

void Thread::synchronize(const std::function<void()> &step)
{
    std::exception_ptr failure;
    const auto call = [&step, &failure] {
        try {
            step();
        } catch (...) {
            failure = std::current_exception();
        }
    };
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread())
        call();
    else
        QMetaObject::invokeMethod(app, call, Qt::BlockingQueuedConnection);
    if (failure)
        std::rethrow_exception(failure);
}

void Thread::run()
{
    ++runningThreads;
    // The end handler must run whatever became of the body: the program counts its running
    // threads through it, and a count that never drops would keep windows from closing.
    try {
        execute();
    } catch (...) {
    }
    if (m_onTerminate) {
        try {
            synchronize(m_onTerminate);
        } catch (...) {
        }
    }
    --runningThreads;
}

} // namespace qv
