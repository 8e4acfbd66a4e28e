#include "files.h"

#include "errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <optional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace qv {

bool fileExists(const QString &path)
{
    if (path.isEmpty())
        return false;
    const QFileInfo info(path);
    return info.exists() && !info.isDir();
}

QString currentDirectory()
{
    return QDir::currentPath();
}

void setCurrentDirectory(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    if (native.isEmpty())
        throw InOutError(ENOENT);
    if (::chdir(native.constData()) != 0)
        throw InOutError(errno);
}

QString settingsDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

qint64 procValueKiB(const char *file, const QByteArray &key)
{
    QFile proc{QString::fromLatin1(file)};
    if (!proc.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : proc.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

namespace {

// Closes a descriptor when it goes out of scope.
struct Descriptor
{
    int fd = -1;
    ~Descriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

// The bytes that this process may still take: what the machine has free (memory that can be
// given back included, and swap) and what the process's own limits leave.
qint64 availableMemory()
{
    qint64 available = std::numeric_limits<qint64>::max();
    const qint64 free = procValueKiB("/proc/meminfo", "MemAvailable:");
    const qint64 swap = procValueKiB("/proc/meminfo", "SwapFree:");
    if (free >= 0)
        available = (free + std::max<qint64>(swap, 0)) * 1024;
    const std::pair<int, const char *> limits[] = {{RLIMIT_AS, "VmSize:"},
                                                   {RLIMIT_DATA, "VmData:"}};
    for (const auto &[resource, used] : limits) {
        rlimit limit{};
        if (::getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
            continue;
        const qint64 inUse = std::max<qint64>(procValueKiB("/proc/self/status", used), 0) * 1024;
        available = std::min(available, qint64(limit.rlim_cur) - inUse);
    }
    return std::max<qint64>(available, 0);
}

} // namespace

qint64 regularFileSize(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info{};
    if (native.isEmpty() || ::stat(native.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return -1;
    return info.st_size;
}

QString sizeProblem(qint64 size)
{
    if (size > MaxTextSize)
        return QStringLiteral("The editor holds files of less than 2 GB.");
    // Reading the file and handing it to the text control needs up to twice its size; a third
    // share leaves room for the control's own bookkeeping and for working on the text.
    if (size > availableMemory() / 3)
        return QStringLiteral("There is not enough free memory to hold it.");
    return {};
}

ReadStatus readFileInPieces(const QString &path, const std::function<void(qint64)> &opened,
                            const std::function<void(const char *, qsizetype)> &take)
{
    const QByteArray native = QFile::encodeName(path);
    if (native.isEmpty())
        return ReadStatus::CannotOpen;
    // Without O_NONBLOCK, opening a FIFO waits for a writer; its type is checked right after.
    const Descriptor file{::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
    struct stat info{};
    if (file.fd < 0 || ::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode))
        return ReadStatus::CannotOpen;
    if (info.st_size > MaxTextSize)
        return ReadStatus::TooLarge;
    ::fcntl(file.fd, F_SETFL, ::fcntl(file.fd, F_GETFL) & ~O_NONBLOCK);
    opened(qint64(info.st_size));
    const std::unique_ptr<char[]> piece(new char[ReadPieceSize]);
    qint64 total = 0;
    for (;;) {
        const ssize_t n = ::read(file.fd, piece.get(), ReadPieceSize);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return ReadStatus::ReadFailed;
        if (n == 0)
            return ReadStatus::Ok;
        total += n;
        if (total > MaxTextSize)
            return ReadStatus::TooLarge;
        take(piece.get(), qsizetype(n));
    }
}

ReadStatus readWholeFile(const QString &path, QByteArray &data)
{
    data.clear();
    const ReadStatus status = readFileInPieces(
        path, [&](qint64 size) { data.reserve(qsizetype(size)); },
        [&](const char *piece, qsizetype length) { data.append(piece, length); });
    if (status == ReadStatus::TooLarge)
        data.clear();
    return status;
}

namespace {

// Where a symbolic link leads: the resolved path, or for a link to nothing the place it names.
QString linkTargetOf(const QByteArray &link)
{
    if (char *resolved = ::realpath(link.constData(), nullptr)) {
        const QString target = QFile::decodeName(resolved);
        ::free(resolved);
        return target;
    }
    char named[4096];
    const ssize_t length = ::readlink(link.constData(), named, sizeof named - 1);
    if (length < 0)
        return {};
    const QString target = QFile::decodeName(QByteArray(named, length));
    return QDir::cleanPath(QFileInfo(QFile::decodeName(link)).absoluteDir().absoluteFilePath(target));
}

} // namespace

FileStamp fileStamp(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    FileStamp stamp;
    struct stat info{};
    if (native.isEmpty() || ::lstat(native.constData(), &info) != 0)
        return stamp;
    if (S_ISLNK(info.st_mode)) {
        stamp.isLink = true;
        stamp.linkTarget = linkTargetOf(native);
        if (::stat(native.constData(), &info) != 0)
            return stamp;
    }
    stamp.exists = true;
    stamp.device = quint64(info.st_dev);
    stamp.inode = quint64(info.st_ino);
    stamp.size = qint64(info.st_size);
    stamp.modifiedNs = qint64(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return stamp;
}

namespace {

bool writeAll(int fd, const QByteArray &data)
{
    const char *next = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, next, size_t(std::min<qsizetype>(left, 1 << 30)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        next += n;
        left -= n;
    }
    return true;
}

// The folder and the last component of a path in the system's bytes.
std::pair<QByteArray, QByteArray> splitPath(const QByteArray &path)
{
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return {QByteArray("."), path};
    return {path.left(slash), path.mid(slash + 1)};
}

// Temporaries that replace a file end in TemporarySuffix; one left behind by a crash is of no
// use, as the file it was to replace is whole. Full copies kept while a file is written in
// place end in KeptSuffix: after a crash they may hold the only whole text.
const QByteArray TemporarySuffix = ".tmp";
const QByteArray KeptSuffix = ".kept";
// The random part of their names: base-36 digits of a number below 2^30.
constexpr int RandomBound = 1 << 30;
constexpr qsizetype MaxRandomDigits = 6;
constexpr qsizetype MaxStemLength = 200;

// Creates a new file in folder named after the document, so that one left behind tells the
// user what it is: ".A.java.k2x9q.tmp". Returns its descriptor, or -1 with errno.
int createTemporary(const QByteArray &folder, const QByteArray &name, mode_t mode,
                    QByteArray &created, const QByteArray &suffix = TemporarySuffix)
{
    const QByteArray stem = folder + "/." + name.left(MaxStemLength) + '.';
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray candidate =
            stem + QByteArray::number(QRandomGenerator::global()->bounded(RandomBound), 36)
            + suffix;
        const int fd = ::open(candidate.constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd >= 0) {
            created = candidate;
            return fd;
        }
        if (errno != EEXIST)
            return -1;
    }
    return -1;
}

// Writes the data to a new file and flushes it to the disk; the file is removed on failure.
bool writeNewFile(int fd, const QByteArray &path, const QByteArray &data)
{
    const Descriptor file{fd};
    if (writeAll(file.fd, data) && ::fsync(file.fd) == 0)
        return true;
    ::unlink(path.constData());
    return false;
}

void syncFolder(const QByteArray &folder)
{
    const Descriptor directory{::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (directory.fd >= 0)
        ::fsync(directory.fd);
}

bool isRefusal(int error)
{
    return error == EACCES || error == EPERM || error == EROFS || error == ENAMETOOLONG
           || error == ENOSPC || error == EDQUOT;
}

// Replaces target by a new file made beside it. existing describes the file replaced (whose
// owner, group and mode the new one takes), or is null for a new file. No result means that
// the file should be written in place instead; nothing was changed then.
std::optional<WriteStatus> replaceFromBeside(const QByteArray &target, const QByteArray &data,
                                             const struct stat *existing)
{
    const auto [folder, name] = splitPath(target);
    QByteArray temporary;
    // A new file gets the usual permissions (the umask applies); a replacement starts private
    // and takes the old file's permissions before any data is in it.
    const int fd = createTemporary(folder, name, existing ? 0600 : 0666, temporary);
    if (fd < 0) {
        if (existing && isRefusal(errno))
            return std::nullopt;
        return WriteStatus::CannotCreate;
    }
    if (existing) {
        struct stat made{};
        const bool sameOwner = ::fstat(fd, &made) == 0 && made.st_uid == existing->st_uid
                               && made.st_gid == existing->st_gid;
        // Owner first: changing it clears the set-user-ID bits that the mode then restores.
        if ((!sameOwner && ::fchown(fd, existing->st_uid, existing->st_gid) != 0)
            || ::fchmod(fd, existing->st_mode & 07777) != 0) {
            ::close(fd);
            ::unlink(temporary.constData());
            return std::nullopt;
        }
    }
    if (!writeNewFile(fd, temporary, data))
        return WriteStatus::WriteFailed;
    if (::rename(temporary.constData(), target.constData()) != 0) {
        ::unlink(temporary.constData());
        return WriteStatus::WriteFailed;
    }
    syncFolder(folder);
    return WriteStatus::Ok;
}

// Writes a full copy of the data into a new private file: beside the target if possible, else
// in another folder on the same file system, else in the settings folder.
QByteArray writeSafeCopy(const QByteArray &target, dev_t device, const QByteArray &data)
{
    const auto [folder, name] = splitPath(target);
    const QByteArray settings = QFile::encodeName(settingsDirectory());
    const QByteArray temporary = QFile::encodeName(QDir::tempPath());
    QDir().mkpath(settingsDirectory());
    const auto onDevice = [device](const QByteArray &path) {
        struct stat info{};
        return ::stat(path.constData(), &info) == 0 && info.st_dev == device;
    };
    QList<QByteArray> folders{folder};
    for (const QByteArray &other : {settings, temporary}) {
        if (!other.isEmpty() && onDevice(other))
            folders.append(other);
    }
    if (!settings.isEmpty())
        folders.append(settings);
    for (const QByteArray &candidate : std::as_const(folders)) {
        QByteArray copy;
        const int fd = createTemporary(candidate, name, 0600, copy, KeptSuffix);
        if (fd >= 0 && writeNewFile(fd, copy, data))
            return copy;
    }
    return {};
}

WriteStatus writeInPlace(const QByteArray &target, const struct stat &existing,
                         const QByteArray &data, QString *safeCopy)
{
    // Never waits on a FIFO that took the file's place since it was looked at.
    const Descriptor file{
        ::open(target.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
    struct stat opened{};
    if (file.fd < 0 || ::fstat(file.fd, &opened) != 0 || !S_ISREG(opened.st_mode)
        || opened.st_ino != existing.st_ino || opened.st_dev != existing.st_dev)
        return WriteStatus::CannotCreate;
    const QByteArray copy = writeSafeCopy(target, existing.st_dev, data);
    if (copy.isEmpty())
        return WriteStatus::WriteFailed;
    if (writeAll(file.fd, data) && ::ftruncate(file.fd, off_t(data.size())) == 0
        && ::fsync(file.fd) == 0) {
        ::unlink(copy.constData());
        return WriteStatus::Ok;
    }
    if (safeCopy)
        *safeCopy = QFile::decodeName(copy);
    return WriteStatus::WriteFailed;
}

// Whether entry is a name createTemporary gives to a temporary of the file called name.
bool isTemporaryOf(const QByteArray &entry, const QByteArray &name)
{
    const QByteArray stem = '.' + name.left(MaxStemLength) + '.';
    if (!entry.startsWith(stem) || !entry.endsWith(TemporarySuffix))
        return false;
    const QByteArray random =
        entry.mid(stem.size(), entry.size() - stem.size() - TemporarySuffix.size());
    return !random.isEmpty() && random.size() <= MaxRandomDigits
           && std::all_of(random.begin(), random.end(), [](char c) {
                  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z');
              });
}

} // namespace

void removeStaleTemporaries(const QString &path)
{
    QByteArray target = QFile::encodeName(path);
    if (target.isEmpty())
        return;
    if (char *resolved = ::realpath(target.constData(), nullptr)) {
        target = resolved;
        ::free(resolved);
    }
    const auto [folder, name] = splitPath(target);
    const Descriptor directory{
        ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};
    if (directory.fd < 0)
        return;
    // The listing gets a descriptor of its own, which closedir closes.
    const int listed = ::dup(directory.fd);
    DIR *entries = listed >= 0 ? ::fdopendir(listed) : nullptr;
    if (!entries) {
        if (listed >= 0)
            ::close(listed);
        return;
    }
    QList<QByteArray> stale;
    const time_t now = ::time(nullptr);
    while (const dirent *entry = ::readdir(entries)) {
        const QByteArray entryName(entry->d_name);
        struct stat info{};
        if (isTemporaryOf(entryName, name)
            && ::fstatat(directory.fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0
            && S_ISREG(info.st_mode) && info.st_uid == ::geteuid()
            && now - info.st_mtim.tv_sec > 60)
            stale.append(entryName);
    }
    ::closedir(entries);
    for (const QByteArray &entry : std::as_const(stale))
        ::unlinkat(directory.fd, entry.constData(), 0);
}

WriteStatus writeFileAtomic(const QString &path, const QByteArray &data, QString *safeCopy)
{
    if (safeCopy)
        safeCopy->clear();
    QByteArray target = QFile::encodeName(path);
    if (target.isEmpty())
        return WriteStatus::CannotCreate;
    struct stat info{};
    const bool present = ::lstat(target.constData(), &info) == 0;
    // A name that came from bytes which are not text holds replacement characters; it names
    // some other file than the one the user meant, unless a file of exactly that name exists.
    if (!present && path.contains(QChar(QChar::ReplacementCharacter)))
        return WriteStatus::NameNotText;
    if (present && S_ISLNK(info.st_mode)) {
        char *resolved = ::realpath(target.constData(), nullptr);
        if (!resolved) {
            // A link to nothing yet: the file is made where the link points.
            const Descriptor file{::open(target.constData(),
                                         O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666)};
            if (file.fd < 0)
                return WriteStatus::CannotCreate;
            return writeAll(file.fd, data) && ::fsync(file.fd) == 0 ? WriteStatus::Ok
                                                                      : WriteStatus::WriteFailed;
        }
        target = resolved;
        ::free(resolved);
    }
    if (::stat(target.constData(), &info) != 0) {
        if (errno != ENOENT)
            return WriteStatus::CannotCreate;
        return *replaceFromBeside(target, data, nullptr);
    }
    // A read-only file is not replaced, even where its folder would allow it.
    if (!S_ISREG(info.st_mode) || ::faccessat(AT_FDCWD, target.constData(), W_OK, AT_EACCESS) != 0)
        return WriteStatus::CannotCreate;
    // Every name of a hard-linked file must see the new text.
    if (info.st_nlink <= 1) {
        if (const std::optional<WriteStatus> status = replaceFromBeside(target, data, &info))
            return *status;
    }
    return writeInPlace(target, info, data, safeCopy);
}

} // namespace qv
