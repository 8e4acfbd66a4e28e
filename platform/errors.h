#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace qv {

// An error that ends a command; the application's error box shows its message.
class Error : public std::exception
{
public:
    explicit Error(const QString &message = {});
    const QString &message() const { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// An I/O error carrying the system's error number (errno).
class InOutError : public Error
{
public:
    explicit InOutError(int errnoValue);
    int code() const { return m_code; }

private:
    int m_code;
};

// Ends a command that the user chose not to go on with; nothing is shown.
class Abort : public std::exception
{};

// The user-facing message for an errno value ("File not found", "I/O error 13", ...).
QString ioErrorMessage(int errnoValue);

} // namespace qv
