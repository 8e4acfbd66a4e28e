// A stand-in compiler for tests. The environment chooses what it does:
//   QV_FAKE_JAVAC      the mode, one of
//                        silent          no output (also when the variable is unset)
//                        stdout:<text>   the text on standard output ("\n", "\t", "\\" expanded)
//                        stderr:<text>   the text on standard error
//                        nul             "abc\0def error\n" on standard output
//                        long            254 "x", a blank, "error", "\n" in one write, so the
//                                        word straddles the 256-byte boundary
//                        slow            8 pieces 20 ms apart: "part one\n" ... "part seven\n",
//                                        then "error\n"
//                        errorfirst      "error: file not found: X.java\n" on standard output
//                        flood:<bytes>   that many bytes of text lines on standard output,
//                                        and three lines "flood note N\n" on standard error
//                        errflood:<bytes> the same text lines on standard error only
//                        hang            writes its pid to $QV_FAKE_JAVAC_PID, sleeps until killed
//                        stubborn        the same, but ignores SIGTERM
//                        exit:<n>        no output, exit status n
//                        orphan          leaves a child holding both pipes and exits at once;
//                                        the child ends when the pipes' reader has gone
//                        both            "out N\n" on standard output and "err N\n" on standard
//                                        error, alternately, N = 1 to 5
//   QV_FAKE_JAVAC_LOG  when set, written first: the working directory, each argument on a line
//                      of its own, then the open descriptors ("0 1 2") on the last line
// Unknown modes write a message to standard error and exit 2; otherwise the exit code is 0.
// Asked for its version (a last argument "-version"), it answers at once, whatever the
// environment says, and accepts every flag: the workbench asks so before it uses a flag.

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

void writeAll(int fd, const std::string &data)
{
    const char *p = data.data();
    size_t left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            std::exit(3);
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
}

// Writes the file whole under a temporary name first, so a reader never sees half of it.
void writeFileAtomically(const char *path, const std::string &data)
{
    const std::string temporary = std::string(path) + ".part";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        std::exit(4);
    writeAll(fd, data);
    ::close(fd);
    if (::rename(temporary.c_str(), path) != 0)
        std::exit(4);
}

std::string openDescriptors()
{
    DIR *dir = ::opendir("/proc/self/fd");
    if (!dir)
        return "?";
    const int own = ::dirfd(dir);
    std::vector<int> numbers;
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        const int fd = std::atoi(entry->d_name);
        if (fd != own)
            numbers.push_back(fd);
    }
    ::closedir(dir);
    std::sort(numbers.begin(), numbers.end());
    std::string list;
    for (const int fd : numbers) {
        if (!list.empty())
            list += ' ';
        list += std::to_string(fd);
    }
    return list;
}

void writeLog(const char *path, int argc, char **argv)
{
    std::string log;
    char cwd[4096];
    log += ::getcwd(cwd, sizeof cwd) ? cwd : "?";
    log += '\n';
    for (int i = 1; i < argc; ++i) {
        log += argv[i];
        log += '\n';
    }
    log += openDescriptors();
    log += '\n';
    writeFileAtomically(path, log);
}

std::string unescape(const char *text)
{
    std::string out;
    for (const char *p = text; *p; ++p) {
        if (*p == '\\' && p[1]) {
            ++p;
            out += *p == 'n' ? '\n' : *p == 't' ? '\t' : *p;
        } else {
            out += *p;
        }
    }
    return out;
}

void pause20ms()
{
    timespec delay{0, 20 * 1000 * 1000};
    while (::nanosleep(&delay, &delay) != 0 && errno == EINTR) {
    }
}

// That many bytes of numbered text lines to fd, in writes of about 4 KB; notes tells when.
void floodLines(int fd, long bytes, void (*notes)(long written, long chunk, long bytes))
{
    std::string chunk;
    long written = 0;
    long line = 0;
    while (written < bytes) {
        chunk.clear();
        while (chunk.size() < 4096 && written + static_cast<long>(chunk.size()) < bytes) {
            char text[64];
            std::snprintf(text, sizeof text, "line %06ld: the quick brown fox jumps\n", ++line);
            chunk += text;
        }
        const long room = bytes - written;
        if (static_cast<long>(chunk.size()) > room)
            chunk.resize(static_cast<size_t>(room));
        writeAll(fd, chunk);
        written += static_cast<long>(chunk.size());
        if (notes)
            notes(written, static_cast<long>(chunk.size()), bytes);
    }
}

void flood(long bytes)
{
    writeAll(2, "flood note 1\n");
    floodLines(1, bytes, [](long written, long chunk, long bytes) {
        if (written >= bytes / 2 && written - chunk < bytes / 2)
            writeAll(2, "flood note 2\n");
    });
    writeAll(2, "flood note 3\n");
}

bool startsWith(const char *text, const char *prefix)
{
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 2 && std::strcmp(argv[argc - 1], "-version") == 0) {
        writeAll(1, "javac 0 (stand-in)\n");
        return 0;
    }
    if (const char *log = std::getenv("QV_FAKE_JAVAC_LOG"))
        writeLog(log, argc, argv);

    const char *mode = std::getenv("QV_FAKE_JAVAC");
    if (!mode || std::strcmp(mode, "silent") == 0)
        return 0;
    if (startsWith(mode, "stdout:")) {
        writeAll(1, unescape(mode + 7));
    } else if (startsWith(mode, "stderr:")) {
        writeAll(2, unescape(mode + 7));
    } else if (std::strcmp(mode, "nul") == 0) {
        writeAll(1, std::string("abc\0def error\n", 14));
    } else if (std::strcmp(mode, "long") == 0) {
        writeAll(1, std::string(254, 'x') + " error\n");
    } else if (std::strcmp(mode, "slow") == 0) {
        const char *pieces[] = {"part one\n",  "part two\n", "part three\n", "part four\n",
                                "part five\n", "part six\n", "part seven\n", "error\n"};
        for (int i = 0; i < 8; ++i) {
            if (i > 0)
                pause20ms();
            writeAll(1, pieces[i]);
        }
    } else if (std::strcmp(mode, "errorfirst") == 0) {
        writeAll(1, "error: file not found: X.java\n");
    } else if (startsWith(mode, "flood:")) {
        flood(std::atol(mode + 6));
    } else if (startsWith(mode, "errflood:")) {
        floodLines(2, std::atol(mode + 9), nullptr);
    } else if (std::strcmp(mode, "hang") == 0 || std::strcmp(mode, "stubborn") == 0) {
        if (std::strcmp(mode, "stubborn") == 0)
            std::signal(SIGTERM, SIG_IGN);
        if (const char *pidFile = std::getenv("QV_FAKE_JAVAC_PID"))
            writeFileAtomically(pidFile, std::to_string(::getpid()) + "\n");
        for (;;)
            ::pause();
    } else if (startsWith(mode, "exit:")) {
        return std::atoi(mode + 5);
    } else if (std::strcmp(mode, "orphan") == 0) {
        if (::fork() == 0) {
            // A write end reports an error once no reader is left.
            pollfd out{1, 0, 0};
            ::poll(&out, 1, 60 * 1000);
            return 0;
        }
    } else if (std::strcmp(mode, "both") == 0) {
        for (int n = 1; n <= 5; ++n) {
            writeAll(1, "out " + std::to_string(n) + "\n");
            writeAll(2, "err " + std::to_string(n) + "\n");
        }
    } else {
        writeAll(2, std::string("fakejavac: unknown mode ") + mode + "\n");
        return 2;
    }
    return 0;
}
