#pragma once

#include <QString>

namespace qv {

// The path made absolute against folder when it is relative, and cleaned of "." and "..".
QString absolutePath(const QString &path, const QString &folder);

// True when both paths name the same file: compared with links resolved when both exist,
// otherwise as cleaned absolute paths (relative ones against the current directory).
bool sameFile(const QString &first, const QString &second);

} // namespace qv
