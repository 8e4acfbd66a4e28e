// The workbench's Java service: its frames read on both sides, and the client's handling of
// a service that fails.
#include "testutil.h"

#include "platform/process.h"
#include "toolchain/javaservice.h"

#include <QSignalSpy>

#include <csignal>

using testutil::javaFolder;

namespace {

ServiceMessage message(const QByteArray &kind, const QList<ServiceMessage::Field> &fields)
{
    ServiceMessage m;
    m.id = 7;
    m.kind = kind;
    m.fields = fields;
    return m;
}

QByteArray bigEndian(qint32 value)
{
    return QByteArray(1, char(value >> 24)) + char(value >> 16) + char(value >> 8) + char(value);
}

// A frame's bytes around a payload given as raw bytes.
QByteArray rawFrame(const QByteArray &payload)
{
    return bigEndian(qint32(payload.size())) + payload;
}

const QByteArray NonAscii = QStringLiteral("Grüße, 世界 😀").toUtf8();

} // namespace

Q_DECLARE_METATYPE(ServiceMessage)

class tst_JavaService : public QObject
{
    Q_OBJECT

private slots:
    void framesAreReadBack_data();
    void framesAreReadBack();
    void brokenFramesAreNoticed_data();
    void brokenFramesAreNoticed();
    void serviceEchoesFrames_data();
    void serviceEchoesFrames();
    void serviceEndsAtBrokenFrame_data();
    void serviceEndsAtBrokenFrame();
    void killedServiceIsStartedAgain();
    void serviceWithoutJavaIsOff_data();
    void serviceWithoutJavaIsOff();
};

void tst_JavaService::framesAreReadBack_data()
{
    QTest::addColumn<ServiceMessage>("sent");
    QTest::newRow("empty") << message("", {});
    QTest::newRow("empty string") << message("k", {QByteArray()});
    QTest::newRow("numbers") << message("n", {qint32(0), qint32(-1), qint32(0x7fffffff),
                                              qint32(-0x7fffffff - 1)});
    QTest::newRow("non-ASCII") << message(NonAscii, {NonAscii, qint32(3)});
    QTest::newRow("bytes of every value") << message("b", {[] {
        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all.append(char(i));
        return all;
    }()});
    QTest::newRow("large") << message("big", {QByteArray(5 << 20, 'x'), qint32(1)});
}

void tst_JavaService::framesAreReadBack()
{
    QFETCH(ServiceMessage, sent);
    const QByteArray frame = encodeFrame(sent) + encodeFrame(sent);
    // Whole, and in pieces that cut through every part of a frame.
    for (const qsizetype piece : {frame.size(), qsizetype(1), qsizetype(5), qsizetype(4099)}) {
        FrameDecoder decoder;
        QList<ServiceMessage> got;
        for (qsizetype at = 0; at < frame.size(); at += piece) {
            decoder.feed(QByteArrayView(frame).sliced(at, std::min(piece, frame.size() - at)));
            for (ServiceMessage m; decoder.next(m);)
                got.append(m);
        }
        QVERIFY(!decoder.broken());
        QCOMPARE(got.size(), 2);
        for (const ServiceMessage &m : got) {
            QCOMPARE(m.id, sent.id);
            QCOMPARE(m.kind, sent.kind);
            QVERIFY(m.fields == sent.fields);
        }
    }
}

void tst_JavaService::brokenFramesAreNoticed_data()
{
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray head = bigEndian(1) + bigEndian(1) + "k";
    QTest::newRow("length too small") << bigEndian(3) + "abc";
    QTest::newRow("negative length") << bigEndian(-5);
    QTest::newRow("length too large") << bigEndian(MaxServiceFrame + 1);
    QTest::newRow("kind past its frame") << rawFrame(bigEndian(1) + bigEndian(9) + "k");
    QTest::newRow("unknown tag") << rawFrame(head + "x" + bigEndian(1));
    QTest::newRow("number cut short") << rawFrame(head + "i" + "ab");
    QTest::newRow("negative string length") << rawFrame(head + "s" + bigEndian(-1));
    QTest::newRow("string past its frame") << rawFrame(head + "s" + bigEndian(10) + "abc");
}

void tst_JavaService::brokenFramesAreNoticed()
{
    QFETCH(QByteArray, bytes);
    FrameDecoder decoder;
    decoder.feed(encodeFrame(message("good", {})) + bytes);
    ServiceMessage m;
    QVERIFY(decoder.next(m));
    QCOMPARE(m.kind, QByteArray("good"));
    QVERIFY(!decoder.next(m));
    QVERIFY(decoder.broken());
    // Later bytes, even a good frame, do not revive the stream.
    decoder.feed(encodeFrame(message("good", {})));
    QVERIFY(!decoder.next(m));
}

void tst_JavaService::serviceEchoesFrames_data()
{
    framesAreReadBack_data();
}

void tst_JavaService::serviceEchoesFrames()
{
    NEED_JAVA();
    QFETCH(ServiceMessage, sent);
    JavaService service;
    service.start(javaFolder());
    sent.kind = "echo";
    std::optional<ServiceMessage> answer;
    int calls = 0;
    service.request(sent, this, [&](const ServiceMessage *got) {
        ++calls;
        if (got)
            answer = *got;
    });
    QTRY_COMPARE_WITH_TIMEOUT(calls, 1, 20000);
    QVERIFY(answer);
    QCOMPARE(answer->kind, QByteArray("echo"));
    QVERIFY(answer->fields == sent.fields);
    QVERIFY(service.isReady());
}

void tst_JavaService::serviceEndsAtBrokenFrame_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("status");
    const QByteArray head = bigEndian(1) + bigEndian(4) + "echo";
    QTest::newRow("end between frames") << QByteArray() << 0;
    QTest::newRow("end inside a frame") << bigEndian(40) + "abc" << 2;
    QTest::newRow("length too large") << bigEndian(MaxServiceFrame + 1) << 2;
    QTest::newRow("unknown tag") << rawFrame(head + "x") << 2;
    QTest::newRow("string past its frame") << rawFrame(head + "s" + bigEndian(10) + "abc") << 2;
}

void tst_JavaService::serviceEndsAtBrokenFrame()
{
    NEED_JAVA();
    QFETCH(QByteArray, bytes);
    QFETCH(int, status);
    qv::Pipe input;
    QVERIFY(qv::createPipe(input));
    qv::StartInfo info;
    info.arguments = QStringList{QDir(javaFolder()).filePath(QStringLiteral("java"))}
                     + JavaService::javaOptions()
                     + QStringList{QStringLiteral("-jar"), JavaService::jarPath()};
    info.setInput(input.read);
    const std::shared_ptr<qv::Process> service = qv::startProcess(info);
    input.read.close();
    QVERIFY(service);
    {
        qv::PipeWriter writer(std::move(input.write));
        writer.write(bytes);
    }
    QVERIFY(service->waitForEnd(20000));
    QCOMPARE(service->end().signalled, false);
    QCOMPARE(service->end().code, status);
}

void tst_JavaService::killedServiceIsStartedAgain()
{
    NEED_JAVA();
    JavaService service;
    QSignalSpy notes(&service, &JavaService::note);
    service.start(javaFolder());
    QTRY_VERIFY_WITH_TIMEOUT(service.isReady(), 20000);
    for (int round = 1; round <= 2; ++round) {
        const qint64 first = service.processId();
        bool failed = false;
        // Killed before the request goes out: a service as quick as an echo could otherwise
        // answer it before the signal lands.
        ::kill(pid_t(first), SIGKILL);
        service.request(message("echo", {}), this,
                        [&](const ServiceMessage *answer) { failed = !answer; });
        QTRY_VERIFY(failed);
        QTRY_VERIFY_WITH_TIMEOUT(service.isReady(), 20000);
        QVERIFY(service.processId() != first);
        bool echoed = false;
        service.request(message("echo", {NonAscii}), this, [&](const ServiceMessage *answer) {
            echoed = answer && answer->fields.value(0) == ServiceMessage::Field(NonAscii);
        });
        QTRY_VERIFY_WITH_TIMEOUT(echoed, 20000);
        QCOMPARE(service.restarts(), round);
    }
    // One note, however often it restarts.
    QCOMPARE(notes.size(), 1);
}

void tst_JavaService::serviceWithoutJavaIsOff_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QString>("reason");
    QTest::newRow("no java") << QByteArray() << QStringLiteral("there is no java in");
    QTest::newRow("too old") << QByteArray("#!/bin/sh\necho 'UnsupportedClassVersionError' >&2\n"
                                           "exit 1\n")
                             << QStringLiteral("needs Java 11 or later");
    QTest::newRow("garbage") << QByteArray("#!/bin/sh\necho 'Picked up options'\nsleep 30\n")
                             << QStringLiteral("needs Java 11 or later");
}

void tst_JavaService::serviceWithoutJavaIsOff()
{
    if (JavaService::jarPath().isEmpty())
        QSKIP("needs the built Java service");
    QFETCH(QByteArray, script);
    QFETCH(QString, reason);
    QTemporaryDir folder;
    if (!script.isEmpty()) {
        QFile java(folder.filePath(QStringLiteral("java")));
        QVERIFY(java.open(QIODevice::WriteOnly));
        java.write(script);
        java.close();
        java.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    JavaService service;
    QSignalSpy notes(&service, &JavaService::note);
    service.start(folder.path());
    QTRY_VERIFY_WITH_TIMEOUT(!service.offReason().isEmpty(), 20000);
    QVERIFY2(service.offReason().contains(reason), qPrintable(service.offReason()));
    QCOMPARE(notes.size(), 1);
    QVERIFY(notes.at(0).at(0).toString().startsWith(QStringLiteral("Live checking is off: ")));
    bool failed = false;
    service.request(message("echo", {}), this,
                    [&](const ServiceMessage *answer) { failed = !answer; });
    QTRY_VERIFY(failed);
}

QTEST_MAIN(tst_JavaService)
#include "tst_javaservice.moc"
