#include "errors.h"

#include <cerrno>

namespace qv {

Error::Error(const QString &message)
    : m_message(message)
    , m_utf8(message.toUtf8())
{}

InOutError::InOutError(int errnoValue)
    : Error(ioErrorMessage(errnoValue))
    , m_code(errnoValue)
{}

QString ioErrorMessage(int errnoValue)
{
    switch (errnoValue) {
    case ENOENT: return QStringLiteral("File not found");
    case ENOTDIR: return QStringLiteral("Invalid filename");
    case EMFILE:
    case ENFILE: return QStringLiteral("Too many open files");
    case EACCES:
    case EPERM: return QStringLiteral("File access denied");
    case ENOSPC: return QStringLiteral("Disk full");
    default: return QStringLiteral("I/O error %1").arg(errnoValue);
    }
}

} // namespace qv
