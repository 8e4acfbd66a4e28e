// A stand-in browser or interpreter for tests. It writes a record of how it was started to
// the file named by QV_RECORD, or to "recorder.log" in its working directory when that is
// unset, and exits 0. The record's lines:
//   the working directory
//   each argument, one per line
//   the open descriptors, e.g. "0 1 2"
//   "session leader" or "not session leader"
// The record appears whole: it is written under a temporary name and then renamed.

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string openDescriptors()
{
    DIR *dir = ::opendir("/proc/self/fd");
    if (!dir)
        return "?";
    const int own = ::dirfd(dir);
    std::vector<int> numbers;
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.' && std::atoi(entry->d_name) != own)
            numbers.push_back(std::atoi(entry->d_name));
    }
    ::closedir(dir);
    std::sort(numbers.begin(), numbers.end());
    std::string list;
    for (const int fd : numbers)
        list += (list.empty() ? "" : " ") + std::to_string(fd);
    return list;
}

} // namespace

int main(int argc, char **argv)
{
    std::string record;
    char cwd[4096];
    record += ::getcwd(cwd, sizeof cwd) ? cwd : "?";
    record += '\n';
    for (int i = 1; i < argc; ++i)
        record += std::string(argv[i]) + '\n';
    record += openDescriptors() + '\n';
    record += ::getsid(0) == ::getpid() ? "session leader\n" : "not session leader\n";

    const char *target = std::getenv("QV_RECORD");
    const std::string path = target ? target : "recorder.log";
    const std::string temporary = path + ".part";
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return 1;
    for (size_t done = 0; done < record.size();) {
        const ssize_t n = ::write(fd, record.data() + done, record.size() - done);
        if (n < 0 && errno != EINTR)
            return 1;
        if (n > 0)
            done += static_cast<size_t>(n);
    }
    ::close(fd);
    return ::rename(temporary.c_str(), path.c_str()) == 0 ? 0 : 1;
}
