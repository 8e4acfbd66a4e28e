#include "locations.h"

#include <QDir>
#include <QFileInfo>

namespace qv {

QString absolutePath(const QString &path, const QString &folder)
{
    return QDir::cleanPath(QDir(folder).absoluteFilePath(path));
}

bool sameFile(const QString &first, const QString &second)
{
    const QFileInfo a(first);
    const QFileInfo b(second);
    if (a.exists() && b.exists())
        return a.canonicalFilePath() == b.canonicalFilePath();
    return QDir::cleanPath(a.absoluteFilePath()) == QDir::cleanPath(b.absoluteFilePath());
}

} // namespace qv
