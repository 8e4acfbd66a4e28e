#include "files.h"

#include "errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include <cerrno>
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

ReadStatus readWholeFile(const QString &path, QByteArray &data)
{
    data.clear();
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly))
        return ReadStatus::CannotOpen;
    const qint64 size = file.size();
    if (size > 0 && size < (qint64(1) << 31) - 1)
        data.reserve(size);
    char buffer[1 << 16];
    for (;;) {
        const qint64 n = file.read(buffer, sizeof buffer);
        if (n < 0)
            return ReadStatus::ReadFailed;
        if (n == 0)
            return ReadStatus::Ok;
        data.append(buffer, n);
    }
}

WriteStatus writeFileAtomic(const QString &path, const QByteArray &data)
{
    QSaveFile file(path);
    // QSaveFile gives the new file the permissions of the file it replaces.
    if (path.isEmpty() || QFileInfo(path).isDir() || !file.open(QIODevice::WriteOnly))
        return WriteStatus::CannotCreate;
    // QSaveFile::commit() renames the file even when the final flush wrote only part of the
    // data (a full disk, a file size limit), so the flush is checked here first.
    if (file.write(data) != data.size() || !file.flush()) {
        file.cancelWriting();
        return WriteStatus::WriteFailed;
    }
    return file.commit() ? WriteStatus::Ok : WriteStatus::WriteFailed;
}

} // namespace qv
