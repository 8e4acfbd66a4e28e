#pragma once

#include <QThread>

#include <functional>

namespace qv {

// A thread with an end notification and a synchronous hand-over to the user-interface
// thread. Set the end handler and the free-on-end mark before start().
class Thread : public QThread
{
public:
    // Deletes the object on the user-interface thread once its thread has ended.
    void setFreeOnTerminate(bool free);
    // Runs on the user-interface thread once the body has ended, while this thread waits,
    // before the object frees itself. It runs even when the body ended by an exception.
    void setOnTerminate(std::function<void()> handler);

    // Threads whose body or end handler has not finished yet.
    static int runningCount();

protected:
    Thread();

    // The body, on this thread.
    virtual void execute() = 0;

    // Runs step on the user-interface thread and blocks until it returned. Hand-overs are
    // served also while a modal box (a nested event loop) is open there. Called on the
    // user-interface thread itself, it runs step at once. An exception thrown by step is
    // rethrown here.
    void synchronize(const std::function<void()> &step);

private:
    void run() override;

    std::function<void()> m_onTerminate;
    bool m_freeOnTerminate = false;
};

} // namespace qv
