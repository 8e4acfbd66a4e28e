#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace qv {

// The compiler's file name inside the compiler directory, and the path separator.
inline const QString CompilerFileName = QStringLiteral("javac");
inline constexpr QChar PathSeparator = u'/';

// True when path names an existing entry that is not a directory.
bool fileExists(const QString &path);

QString currentDirectory();
// Throws InOutError with errno when the directory cannot be made current.
void setCurrentDirectory(const QString &path);

// The per-user directory that holds the settings file.
QString settingsDirectory();

// The text control counts positions in int, so a file must stay below 2 GB.
inline constexpr qint64 MaxTextSize = (qint64(1) << 31) - 2;
// Files larger than this are opened only after the user agreed.
inline constexpr qint64 LargeFileSize = qint64(256) << 20;

// The size of the regular file that path names, or -1 for anything else (missing, a folder,
// a FIFO, a device). Never opens the file.
qint64 regularFileSize(const QString &path);
// The kibibytes on the line of a /proc file that starts with key ("VmRSS:" of
// "/proc/self/status", "MemAvailable:" of "/proc/meminfo"), or -1.
qint64 procValueKiB(const char *file, const QByteArray &key);
// Why a file of that many bytes cannot be opened into the text control (its positions, or
// the memory that is left), as a sentence for the user; empty when it can.
QString sizeProblem(qint64 size);

enum class ReadStatus { Ok, CannotOpen, ReadFailed, TooLarge };
// How much of a file readFileInPieces hands over at a time (the last piece may be shorter).
inline constexpr qsizetype ReadPieceSize = qsizetype(1) << 20;
// Reads a regular file's bytes without ever holding more than one piece of them: opened gets
// the file's size once it is known to be readable, then take gets the bytes in order. Anything
// else (a FIFO, a device, a folder) is CannotOpen and never blocks; neither callback runs then,
// nor for a file already over MaxTextSize. A file that grows past MaxTextSize while it is read
// is TooLarge, after the pieces within the limit.
ReadStatus readFileInPieces(const QString &path, const std::function<void(qint64 size)> &opened,
                            const std::function<void(const char *, qsizetype)> &take);
// Reads a regular file's bytes; anything else (a FIFO, a device, a folder) is CannotOpen and
// never blocks. A file that grows past MaxTextSize while it is read is TooLarge. On
// ReadFailed, data holds what was read before the failure.
ReadStatus readWholeFile(const QString &path, QByteArray &data);

// What tells whether another program changed a file: its identity, size and modification
// time to the nanosecond, and whether its name is a symbolic link and to where. A missing file
// has exists false and nothing else, except for a link that leads nowhere yet.
struct FileStamp
{
    bool exists = false;
    quint64 device = 0;
    quint64 inode = 0;
    qint64 size = 0;
    qint64 modifiedNs = 0;
    bool isLink = false;
    // For a link: the file it leads to, as an absolute path; where it leads nowhere, the
    // place it names.
    QString linkTarget;
    bool operator==(const FileStamp &) const = default;
};
FileStamp fileStamp(const QString &path);

// Removes what saves that were cut short left beside the file that path names (or beside the
// file its link leads to): our own temporaries of it, owned by this user, untouched for a
// minute. Links are never followed and nothing else is touched.
void removeStaleTemporaries(const QString &path);

enum class WriteStatus { Ok, CannotCreate, WriteFailed, NameNotText };
// Replaces the file's contents. Normally the data goes to a temporary file beside it, which
// gets the target's owner, group and permissions and replaces it only when everything was
// written; on failure the target is exactly as it was. Where that would change the file's
// owner, break a hard link, or the folder cannot take a new file, the file is written in
// place instead, after a full copy of the data was written elsewhere: on a failure half-way
// that copy stays and safeCopy names it. A symbolic link stays; its target gets the data.
// Only regular files are written. A name that does not convert back to the bytes it came
// from is NameNotText, unless a file of that name exists.
WriteStatus writeFileAtomic(const QString &path, const QByteArray &data,
                            QString *safeCopy = nullptr);

} // namespace qv
