#pragma once

#include <QByteArray>
#include <QString>

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

enum class ReadStatus { Ok, CannotOpen, ReadFailed };
// Reads the file's bytes; on ReadFailed, data holds what was read before the failure.
ReadStatus readWholeFile(const QString &path, QByteArray &data);

enum class WriteStatus { Ok, CannotCreate, WriteFailed };
// Replaces the file atomically: the data goes to a temporary file in the same folder,
// which replaces the target only when everything was written. The target's permissions
// are kept. On failure the target is exactly as it was.
WriteStatus writeFileAtomic(const QString &path, const QByteArray &data);

} // namespace qv
