#include "spawning.h"

#include <QFile>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace qv {

namespace {

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

int spawnProgram(const StartInfo &info, pid_t &pid)
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

int spawn(const StartInfo &info, qint64 &pid)
{
    pid_t child = -1;
    const int rc = spawnProgram(info, child);
    pid = rc == 0 ? child : -1;
    return rc;
}

} // namespace qv
