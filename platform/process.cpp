#include "process.h"

#include <QCoreApplication>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <mutex>
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
    int outCopy = -1;
    int errCopy = -1;

    ~SpawnResources()
    {
        if (actionsReady)
            posix_spawn_file_actions_destroy(&actions);
        if (attributesReady)
            posix_spawnattr_destroy(&attributes);
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

int prepareActions(posix_spawn_file_actions_t &actions, const QByteArray &directory, int out,
                   int err)
{
    int rc = 0;
    if (!directory.isEmpty())
        rc = posix_spawn_file_actions_addchdir_np(&actions, directory.constData());
    if (rc == 0)
        rc = posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
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
    // of one stream cannot overwrite the source of the other (or of itself, which would
    // leave it closed on exec).
    SpawnResources res;
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
        rc = prepareActions(res.actions, QFile::encodeName(info.workingDirectory), res.outCopy,
                            res.errCopy);
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
}

} // namespace qv
