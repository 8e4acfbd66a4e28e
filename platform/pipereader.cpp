#include "pipereader.h"

#include <QPointer>
#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace qv {

PipeReader::PipeReader(Descriptor pipe, QObject *parent)
    : QObject(parent)
    , m_pipe(std::move(pipe))
{
    if (!m_pipe.isOpen())
        return;
    const int fd = m_pipe.fd();
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PipeReader::readAvailable);
}

PipeReader::~PipeReader()
{
    delete m_notifier;
}

void PipeReader::readAvailable()
{
    char buffer[65536];
    QByteArray arrived;
    for (;;) {
        const ssize_t count = ::read(m_pipe.fd(), buffer, sizeof buffer);
        if (count > 0) {
            arrived.append(buffer, count);
            // What a burst brings is handed on whole, but a writer that never pauses does
            // not keep the event loop here.
            if (arrived.size() < (1 << 20))
                continue;
            break;
        }
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        // The end, or a failed read. A receiver may delete the reader.
        const QPointer<PipeReader> self(this);
        if (!arrived.isEmpty())
            emit received(arrived);
        if (!self)
            return;
        close();
        emit ended();
        return;
    }
    if (!arrived.isEmpty())
        emit received(arrived);
}

void PipeReader::close()
{
    delete m_notifier;
    m_notifier = nullptr;
    m_pipe.close();
}

} // namespace qv
