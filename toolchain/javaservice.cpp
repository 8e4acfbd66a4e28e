#include "javaservice.h"

#include "platform/pipereader.h"
#include "platform/process.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <utility>

namespace {

const QString JarName = QStringLiteral("quorvel-service.jar");

} // namespace

JavaService::JavaService(QObject *parent)
    : QObject(parent)
    , m_watch(new QTimer(this))
{
    m_watch->setInterval(200);
    connect(m_watch, &QTimer::timeout, this, &JavaService::checkDeadlines);
}

JavaService::~JavaService()
{
    // Nobody is told: those waiting are going too.
    m_pending.clear();
    endProcess();
}

QString JavaService::jarPath()
{
    const QDir binary(QCoreApplication::applicationDirPath());
    // The build tree keeps it beside the program (tests and benchmarks run one folder
    // deeper); an installed program finds it in the data folder beside its own.
    for (const QString &candidate :
         {binary.filePath(JarName), binary.filePath(QStringLiteral("../") + JarName),
          binary.filePath(QStringLiteral("../share/quorvel/") + JarName)}) {
        if (QFileInfo(candidate).isFile())
            return QFileInfo(candidate).canonicalFilePath();
    }
    return {};
}

QStringList JavaService::javaOptions()
{
    return {QStringLiteral("-XX:+UseSerialGC"), QStringLiteral("-XX:TieredStopAtLevel=1"),
            QStringLiteral("-Xms8m"), QStringLiteral("-Xmx256m"),
            QStringLiteral("-XX:ReservedCodeCacheSize=48m"), QStringLiteral("-XX:-UsePerfData"),
            QStringLiteral("-Xshare:auto")};
}

void JavaService::start(const QString &javaFolder)
{
    if (javaFolder == m_javaFolder && m_state != State::Stopped)
        return;
    endProcess();
    m_javaFolder = javaFolder;
    m_restarts = 0;
    m_restartNoted = false;
    m_offReason.clear();
    launch();
}

qint64 JavaService::processId() const
{
    return m_process ? m_process->id() : -1;
}

void JavaService::launch()
{
    const QString jar = jarPath();
    if (jar.isEmpty()) {
        turnOff(QStringLiteral("the Java service is not installed"));
        return;
    }
    if (m_javaFolder.isEmpty()) {
        turnOff(QStringLiteral("no Java compiler folder is set (Java Options)"));
        return;
    }
    const QString java = QDir(m_javaFolder).filePath(QStringLiteral("java"));
    if (!QFileInfo(java).isExecutable()) {
        turnOff(QStringLiteral("there is no java in %1").arg(m_javaFolder));
        return;
    }
    qv::Pipe input;
    qv::Pipe output;
    if (!qv::createPipe(input) || !qv::createPipe(output)) {
        turnOff(QStringLiteral("no pipe for the Java service"));
        return;
    }
    qv::StartInfo info;
    info.arguments = QStringList{java} + javaOptions()
                     + QStringList{QStringLiteral("-jar"), jar};
    info.workingDirectory = QDir::tempPath();
    info.setInput(input.read);
    info.setOutput(output.write);
    int error = 0;
    m_process = qv::startProcess(info, &error);
    input.read.close();
    output.write.close();
    if (!m_process) {
        turnOff(QStringLiteral("%1 could not be started").arg(java));
        return;
    }
    // Checks yield to typing: the service runs a little below the workbench, and so do the
    // threads it has started by the time it greets.
    qv::lowerGroupPriority(m_process->id(), Niceness);
    m_state = State::Starting;
    m_decoder = FrameDecoder();
    m_writer = new qv::PipeWriter(std::move(input.write), this);
    m_reader = new qv::PipeReader(std::move(output.read), this);
    connect(m_reader, &qv::PipeReader::received, this, &JavaService::received);
    connect(m_reader, &qv::PipeReader::ended, this, &JavaService::failed);
    // A slow machine may take a while to start a Java machine; the greeting gets the
    // deadline any request has.
    ServiceMessage hello;
    hello.kind = "hello";
    const qint32 id = m_nextId++;
    send(id, hello, {this, [this](const ServiceMessage *answer) { greeted(answer); },
                     QDeadlineTimer(DeadlineMs)});
}

void JavaService::greeted(const ServiceMessage *answer)
{
    if (!answer)
        return;
    FieldReader fields(*answer);
    fields.text();
    const bool compiler = fields.integer() != 0;
    if (answer->kind != "hello" || fields.failed()) {
        failed();
        return;
    }
    if (!compiler) {
        turnOff(QStringLiteral("the Java in %1 has no compiler").arg(m_javaFolder));
        return;
    }
    qv::lowerGroupPriority(m_process->id(), Niceness);
    m_state = State::Ready;
    emit readyChanged(true);
}

qint32 JavaService::request(ServiceMessage message, QObject *context, Handler handler,
                            int deadlineMs)
{
    const qint32 id = m_nextId++;
    Pending pending{context, std::move(handler),
                    deadlineMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever)
                                   : QDeadlineTimer(deadlineMs)};
    if (m_state != State::Starting && m_state != State::Ready) {
        // Answered as failed, but never from inside the call.
        QTimer::singleShot(0, this, [pending = std::move(pending)] {
            if (pending.context)
                pending.handler(nullptr);
        });
        return id;
    }
    send(id, std::move(message), std::move(pending));
    return id;
}

void JavaService::send(qint32 id, ServiceMessage message, Pending pending)
{
    message.id = id;
    m_pending.insert(id, std::move(pending));
    m_writer->write(encodeFrame(message));
    m_watch->start();
}

void JavaService::drop(qint32 id)
{
    m_pending.remove(id);
}

void JavaService::received(const QByteArray &bytes)
{
    m_decoder.feed(bytes);
    ServiceMessage message;
    while (m_decoder.next(message)) {
        answered(message);
        // A handler may have restarted the service.
        if (!m_reader)
            return;
    }
    if (m_decoder.broken())
        failed();
}

void JavaService::answered(const ServiceMessage &message)
{
    // An answer nobody waits for any more (dropped, or overtaken by a deadline) is stale.
    const auto found = m_pending.find(message.id);
    if (found == m_pending.end())
        return;
    const Pending pending = found.value();
    // Part of an answer still to come: the handler hears it and the request stays out.
    if (message.kind == "more") {
        if (pending.context)
            pending.handler(&message);
        return;
    }
    m_pending.erase(found);
    if (m_pending.isEmpty())
        m_watch->stop();
    if (pending.context)
        pending.handler(&message);
}

void JavaService::checkDeadlines()
{
    for (const Pending &pending : std::as_const(m_pending)) {
        if (pending.deadline.hasExpired()) {
            failed();
            return;
        }
    }
}

void JavaService::failed()
{
    if (m_state != State::Starting && m_state != State::Ready)
        return;
    const bool wasReady = m_state == State::Ready;
    endProcess();
    if (!wasReady) {
        turnOff(QStringLiteral("%1 could not run the Java service (it needs Java 11 or later)")
                    .arg(QDir(m_javaFolder).filePath(QStringLiteral("java"))));
        return;
    }
    if (m_restarts >= MaxRestarts) {
        turnOff(QStringLiteral("the Java service failed %1 times").arg(m_restarts + 1));
        return;
    }
    ++m_restarts;
    if (!m_restartNoted) {
        m_restartNoted = true;
        emit note(QStringLiteral("The Java service stopped and has been started again"));
    }
    launch();
}

void JavaService::endProcess()
{
    const bool wasReady = m_state == State::Ready;
    m_state = State::Stopped;
    // Either may be what is calling: they go once it has returned.
    if (m_reader) {
        m_reader->disconnect(this);
        m_reader->deleteLater();
        m_reader = nullptr;
    }
    if (m_writer) {
        // Its input closing ends the service; should it not end, it is killed.
        m_writer->closeWhenWritten();
        m_writer->deleteLater();
        m_writer = nullptr;
    }
    if (m_process)
        m_process->stop();
    m_process.reset();
    m_watch->stop();
    // Whoever waits hears of the failure; a handler may send again, to the next service.
    const QHash<qint32, Pending> pending = std::exchange(m_pending, {});
    for (const Pending &each : pending) {
        if (each.context)
            each.handler(nullptr);
    }
    if (wasReady)
        emit readyChanged(false);
}

void JavaService::turnOff(const QString &reason)
{
    endProcess();
    m_state = State::Off;
    m_offReason = reason;
    emit note(QStringLiteral("Live checking is off: ") + reason);
}
