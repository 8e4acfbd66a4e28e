#pragma once

#include "toolchain/serviceframes.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QDeadlineTimer>

#include <functional>
#include <memory>

class QTimer;

namespace qv {
class PipeReader;
class PipeWriter;
class Process;
} // namespace qv

// The workbench's resident Java process (javaservice/): one for the whole workbench, started
// with the java of the compiler folder. Requests go out at once and their answers come back
// later, in any order, each to the handler it was sent with; nothing ever waits for the
// service. A service that dies, stops answering within a request's deadline or sends what
// cannot be read is started again, a few times at most. The service ends when its input
// closes, which happens when this object goes (or the workbench dies); it is killed if it
// does not.
class JavaService : public QObject
{
    Q_OBJECT

public:
    explicit JavaService(QObject *parent = nullptr);
    ~JavaService() override;

    // The service's program: beside the workbench's binary in a build tree, or in the
    // installed data folder. Empty when neither holds it.
    static QString jarPath();
    // The Java machine's options: a small heap, the serial collector and the quick compiler
    // keep the resident process small and warm soon.
    static QStringList javaOptions();

    // Starts the service with javaFolder's java, unless it already runs with it; another
    // folder restarts it, and gives it its restarts back.
    void start(const QString &javaFolder);
    // Asked to start, whether it runs by now or is off.
    bool started() const { return m_state != State::Stopped; }
    // The service has answered its greeting and takes requests.
    bool isReady() const { return m_state == State::Ready; }
    // The service is off for good: why (for the status line), else empty.
    QString offReason() const { return m_offReason; }
    qint64 processId() const;
    int restarts() const { return m_restarts; }

    // The answer, or null when the service failed or the deadline passed first; before the
    // answer, any messages of kind "more" that belong to it. Not called once context has gone.
    using Handler = std::function<void(const ServiceMessage *answer)>;
    // Sends the request (its id is set here) and returns the id. deadlineMs < 0: none.
    qint32 request(ServiceMessage message, QObject *context, Handler handler,
                   int deadlineMs = DeadlineMs);
    // The answer to the request is no longer wanted.
    void drop(qint32 id);

    static constexpr int DeadlineMs = 10000;
    static constexpr int MaxRestarts = 3;
    // How far below the workbench's the service's scheduling priority is.
    static constexpr int Niceness = 5;

signals:
    // A note for the status line: why the service is off, or that it was started again.
    void note(const QString &text);
    void readyChanged(bool ready);

private:
    enum class State { Stopped, Starting, Ready, Off };
    struct Pending
    {
        QPointer<QObject> context;
        Handler handler;
        QDeadlineTimer deadline;
    };

    void launch();
    void received(const QByteArray &bytes);
    void answered(const ServiceMessage &message);
    void greeted(const ServiceMessage *answer);
    void checkDeadlines();
    // The service died, hung or spoke garbage.
    void failed();
    void endProcess();
    void turnOff(const QString &reason);
    void send(qint32 id, ServiceMessage message, Pending pending);

    State m_state = State::Stopped;
    QString m_javaFolder;
    QString m_offReason;
    int m_restarts = 0;
    bool m_restartNoted = false;
    qint32 m_nextId = 1;
    std::shared_ptr<qv::Process> m_process;
    qv::PipeWriter *m_writer = nullptr;
    qv::PipeReader *m_reader = nullptr;
    FrameDecoder m_decoder;
    QHash<qint32, Pending> m_pending;
    QTimer *m_watch = nullptr;
};
