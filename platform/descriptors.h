#pragma once

#include <QByteArray>
#include <QObject>

#include <utility>

class QSocketNotifier;

namespace qv {

// An open descriptor, such as one end of a pipe, that is closed when it goes. It moves from
// owner to owner and is never copied.
class Descriptor
{
public:
    Descriptor() = default;
    explicit Descriptor(int fd)
        : m_fd(fd)
    {}
    ~Descriptor() { close(); }
    Descriptor(Descriptor &&other) noexcept
        : m_fd(std::exchange(other.m_fd, -1))
    {}
    Descriptor &operator=(Descriptor &&other) noexcept;
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;

    // -1 when closed.
    int fd() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }
    void close();

private:
    int m_fd = -1;
};

struct Pipe
{
    Descriptor read;
    Descriptor write;
};

// Creates an anonymous pipe whose two ends are closed on exec. False (errno set, both ends
// left closed) on failure.
bool createPipe(Pipe &pipe);

// Closes fd when it is >= 0 and sets it to -1.
void closeDescriptor(int &fd);

// Reads at most size bytes, blocking until some arrive: the count, 0 at end of file (every
// write end closed), -1 on an error (errno set; size <= 0 is EINVAL). EINTR is retried.
qint64 readPipe(int fd, char *buffer, qint64 size);

// Writes to a pipe without ever blocking the user-interface thread: what does not fit now is
// kept and written, in order, when the pipe has room. A reader that has gone (the program
// ended or closed its input) makes the rest be dropped. Owns the descriptor.
class PipeWriter : public QObject
{
public:
    explicit PipeWriter(Descriptor pipe, QObject *parent = nullptr);
    ~PipeWriter() override;

    void write(const QByteArray &data);
    // Closes the pipe once everything written so far has gone out: the reader sees its end.
    void closeWhenWritten();
    bool isOpen() const { return m_pipe.isOpen(); }
    // Bytes written but not yet taken by the pipe.
    qsizetype pending() const { return m_pending.size() - m_sent; }

private:
    void flush();
    void closeNow();

    Descriptor m_pipe;
    QByteArray m_pending;
    // The leading bytes of m_pending that have gone out already.
    qsizetype m_sent = 0;
    bool m_closeRequested = false;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace qv
