#include "descriptors.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace qv {

Descriptor &Descriptor::operator=(Descriptor &&other) noexcept
{
    if (this != &other) {
        close();
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

void Descriptor::close()
{
    closeDescriptor(m_fd);
}

bool createPipe(Pipe &pipe)
{
    pipe.read.close();
    pipe.write.close();
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return false;
    pipe.read = Descriptor(fds[0]);
    pipe.write = Descriptor(fds[1]);
    return true;
}

void closeDescriptor(int &fd)
{
    if (fd >= 0) {
        // On Linux the descriptor is released even when close reports EINTR; never retry.
        ::close(fd);
        fd = -1;
    }
}

qint64 readPipe(int fd, char *buffer, qint64 size)
{
    if (size <= 0) {
        errno = EINVAL;
        return -1;
    }
    for (;;) {
        const ssize_t count = ::read(fd, buffer, static_cast<size_t>(size));
        if (count >= 0)
            return count;
        if (errno != EINTR)
            return -1;
    }
}

PipeWriter::PipeWriter(Descriptor pipe, QObject *parent)
    : QObject(parent)
    , m_pipe(std::move(pipe))
{
    // A write into a pipe whose reader has gone would otherwise end the whole workbench; it
    // fails with EPIPE instead. Started programs get the default back.
    static std::once_flag ignorePipeSignal;
    std::call_once(ignorePipeSignal, [] { ::signal(SIGPIPE, SIG_IGN); });
    if (!m_pipe.isOpen())
        return;
    const int fd = m_pipe.fd();
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    m_notifier->setEnabled(false);
    connect(m_notifier, &QSocketNotifier::activated, this, &PipeWriter::flush);
}

PipeWriter::~PipeWriter()
{
    closeNow();
}

void PipeWriter::write(const QByteArray &data)
{
    if (!m_pipe.isOpen() || m_closeRequested)
        return;
    m_pending += data;
    flush();
}

void PipeWriter::closeWhenWritten()
{
    m_closeRequested = true;
    flush();
}

void PipeWriter::flush()
{
    while (m_pipe.isOpen() && m_sent < m_pending.size()) {
        const ssize_t written = ::write(m_pipe.fd(), m_pending.constData() + m_sent,
                                        size_t(m_pending.size() - m_sent));
        if (written > 0) {
            m_sent += written;
            // What went out is dropped now and then, not after every write, so that a long
            // text costs in proportion to its length.
            if (m_sent >= m_pending.size() / 2) {
                m_pending.remove(0, m_sent);
                m_sent = 0;
            }
            continue;
        }
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            m_notifier->setEnabled(true);
            return;
        }
        // EPIPE: nobody reads any more.
        closeNow();
        return;
    }
    m_pending.clear();
    m_sent = 0;
    if (m_notifier)
        m_notifier->setEnabled(false);
    if (m_closeRequested)
        closeNow();
}

void PipeWriter::closeNow()
{
    delete m_notifier;
    m_notifier = nullptr;
    m_pending.clear();
    m_sent = 0;
    m_pipe.close();
}

} // namespace qv
