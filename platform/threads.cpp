#include "threads.h"

#include <QCoreApplication>

#include <atomic>
#include <exception>

namespace qv {

namespace {
std::atomic<int> runningThreads{0};
}

int Thread::runningCount()
{
    return runningThreads.load();
}

Thread::Thread()
{
    // Queued to the thread that owns this object, so the deletion happens there and only
    // after the thread's run() has returned.
    connect(this, &QThread::finished, this, [this] {
        if (m_freeOnTerminate)
            deleteLater();
    });
}

void Thread::setFreeOnTerminate(bool free)
{
    m_freeOnTerminate = free;
}

void Thread::setOnTerminate(std::function<void()> handler)
{
    m_onTerminate = std::move(handler);
}

void Thread::synchronize(const std::function<void()> &step)
{
    std::exception_ptr failure;
    const auto call = [&step, &failure] {
        try {
            step();
        } catch (...) {
            failure = std::current_exception();
        }
    };
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || QThread::currentThread() == app->thread())
        call();
    else
        QMetaObject::invokeMethod(app, call, Qt::BlockingQueuedConnection);
    if (failure)
        std::rethrow_exception(failure);
}

void Thread::run()
{
    ++runningThreads;
    // The end handler must run whatever became of the body: the program counts its running
    // threads through it, and a count that never drops would keep windows from closing.
    try {
        execute();
    } catch (...) {
    }
    if (m_onTerminate) {
        try {
            synchronize(m_onTerminate);
        } catch (...) {
        }
    }
    --runningThreads;
}

} // namespace qv
