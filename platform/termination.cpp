#include "termination.h"

#include <QApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace qv {

namespace {

// A hang-up (the terminal closed, the session logged out) ends the program as SIGTERM does.
constexpr int WatchedSignals[] = {SIGTERM, SIGINT, SIGHUP};

bool signalClosing = false;

// Read and write ends of the pipe through which the signal handler wakes the event loop;
// the handler may only use async-signal-safe calls, so it writes one byte and nothing more.
int wakeRead = -1;
int wakeWrite = -1;

extern "C" void onTerminationSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeWrite, &byte, 1);
    errno = savedErrno;
}

class TerminationWatcher : public QObject
{
public:
    explicit TerminationWatcher(QWidget *mainWindow)
        : QObject(mainWindow)
        , m_window(mainWindow)
    {
        m_notifier = new QSocketNotifier(wakeRead, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, [this] {
            drainPipe();
            m_pending = true;
            serve();
        });
        m_retry.setInterval(100);
        connect(&m_retry, &QTimer::timeout, this, [this] { serve(); });

        struct sigaction action = {};
        action.sa_handler = onTerminationSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (size_t i = 0; i < std::size(WatchedSignals); ++i)
            ::sigaction(WatchedSignals[i], &action, &m_previous[i]);
        s_current = this;
    }

    ~TerminationWatcher() override
    {
        for (size_t i = 0; i < std::size(WatchedSignals); ++i)
            ::sigaction(WatchedSignals[i], &m_previous[i], nullptr);
        delete m_notifier;
        ::close(wakeRead);
        ::close(wakeWrite);
        wakeRead = wakeWrite = -1;
        if (s_current == this)
            s_current = nullptr;
    }

    static TerminationWatcher *s_current;

private:
    void drainPipe()
    {
        char buffer[64];
        while (::read(wakeRead, buffer, sizeof buffer) > 0) {
        }
    }

    // A window that is not shown yet, or one blocked by a modal window, cannot be closed by
    // the user either; the request is served once that has passed.
    void serve()
    {
        if (!m_pending || !m_window)
            return;
        if (!m_window->isVisible() || QApplication::activeModalWidget()) {
            m_retry.start();
            return;
        }
        m_retry.stop();
        m_pending = false;
        signalClosing = true;
        m_window->close();
        signalClosing = false;
    }

    QPointer<QWidget> m_window;
    QSocketNotifier *m_notifier = nullptr;
    QTimer m_retry;
    bool m_pending = false;
    struct sigaction m_previous[std::size(WatchedSignals)] = {};
};

TerminationWatcher *TerminationWatcher::s_current = nullptr;

} // namespace

bool closingOnSignal()
{
    return signalClosing;
}

void closeOnTerminationSignals(QWidget *mainWindow)
{
    delete TerminationWatcher::s_current;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    wakeRead = ends[0];
    wakeWrite = ends[1];
    new TerminationWatcher(mainWindow);
}

} // namespace qv
