#include "platform/arguments.h"
#include "platform/process.h"
#include "platform/threads.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QMutex>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <stdexcept>
#include <thread>

namespace {

QString tool(const QString &name)
{
    return QStringLiteral(QUORVEL_TESTTOOLS "/") + name;
}

qv::StartInfo startInfo(const QStringList &arguments, const QString &directory = {}, int out = -1,
                        int err = -1)
{
    qv::StartInfo info;
    info.arguments = arguments;
    info.workingDirectory = directory;
    info.stdoutFd = out;
    info.stderrFd = err;
    return info;
}

bool processGone(qint64 pid)
{
    // A zombie keeps its /proc entry until it is reaped.
    return !QFileInfo::exists(QStringLiteral("/proc/%1/stat").arg(pid));
}

QStringList readLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(u'\n');
}

QByteArray drain(int fd, QList<qint64> *chunkSizes = nullptr)
{
    QByteArray all;
    char buffer[256];
    for (;;) {
        const qint64 count = qv::readPipe(fd, buffer, sizeof buffer);
        if (count < 0)
            return all + "<read error>";
        if (count == 0)
            return all;
        if (chunkSizes)
            chunkSizes->append(count);
        all.append(buffer, count);
    }
}

// Reads a pipe to its end on a thread of its own, so a test can wait for the end with a
// deadline instead of blocking for ever when a write end leaked.
struct BackgroundDrain
{
    explicit BackgroundDrain(int fd)
        : worker([this, fd] {
            data = drain(fd);
            done = true;
        })
    {}
    ~BackgroundDrain() { worker.join(); }
    QByteArray data;
    std::atomic<bool> done = false;
    std::thread worker;
};

// Kills a program that does not end by itself; reset pid once it was killed, since a reaped
// process id can be reused.
struct KillOnExit
{
    qint64 pid = -1;
    ~KillOnExit() { qv::killProcess(pid); }
};

class LambdaThread : public qv::Thread
{
public:
    explicit LambdaThread(std::function<void(LambdaThread &)> body)
        : m_body(std::move(body))
    {}
    using qv::Thread::synchronize;

protected:
    void execute() override { m_body(*this); }

private:
    std::function<void(LambdaThread &)> m_body;
};

} // namespace

class TestProcess : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void splitsCommandLineIntoWords_data();
    void splitsCommandLineIntoWords();

    void startedProgramGetsExactArgumentsDirectoryAndSession();
    void programNameWithoutSlashIsLookedUpInPath();
    void unredirectedStreamsAndInputAreNullDevice();
    void failedStartReportsErrno_data();
    void failedStartReportsErrno();

    void outputIsReadThroughPipesUntilEnd_data();
    void outputIsReadThroughPipesUntilEnd();
    void readsAreCutAtTheBufferSize();
    void writeEndDoesNotLeakIntoConcurrentProgram();
    void endedProgramIsReaped();

    void synchronizeRunsStepOnUiThreadAndBlocks();
    void terminateHandlerRunsOnceOnUiThreadWhileThreadWaits();
    void failingBodyOrStepStillEndsThroughHandler();
    void freeOnTerminateDeletesThread();
    void handOversAreServedWhileModalBoxIsOpen();
};

void TestProcess::cleanup()
{
    for (const char *name :
         {"QV_FAKE_JAVAC", "QV_FAKE_JAVAC_LOG", "QV_FAKE_JAVAC_PID", "QV_RECORD"})
        qunsetenv(name);
}

void TestProcess::splitsCommandLineIntoWords_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("words");

    QTest::newRow("tool setting") << "/usr/bin/java -cp ."
                                  << QStringList{"/usr/bin/java", "-cp", "."};
    QTest::newRow("runs of blanks and tabs") << " \t a \t\t b  " << QStringList{"a", "b"};
    QTest::newRow("empty") << "" << QStringList{};
    QTest::newRow("blanks only") << "  \t " << QStringList{};
    QTest::newRow("quoted word with blanks") << R"("/opt/my kit/javac" -d "out dir")"
                                             << QStringList{"/opt/my kit/javac", "-d", "out dir"};
    QTest::newRow("quoted part inside a word") << R"(-cp"a b"c d)" << QStringList{"-cpa bc", "d"};
    QTest::newRow("empty quotes are an empty word") << R"(a "" b)" << QStringList{"a", "", "b"};
    QTest::newRow("empty quotes inside a word vanish") << R"(a""b)" << QStringList{"ab"};
    QTest::newRow("doubled quote inside quotes")
        << R"("say ""hi"" now")" << QStringList{R"(say "hi" now)"};
    QTest::newRow("unbalanced quote runs to end") << R"(a "b c)" << QStringList{"a", "b c"};
    QTest::newRow("backslashes without quote are literal")
        << R"(C:\dir\ a\\b)" << QStringList{R"(C:\dir\)", R"(a\\b)"};
    QTest::newRow("odd backslashes give literal quote")
        << R"(a\"b \\\"c)" << QStringList{R"(a"b)", R"(\"c)"};
    QTest::newRow("even backslashes then quote toggles")
        << R"("a\\" b \\\\"c d")" << QStringList{R"(a\)", "b", R"(\\c d)"};
    QTest::newRow("trailing backslashes") << R"("dir\\\\")" << QStringList{R"(dir\\)"};
}

void TestProcess::splitsCommandLineIntoWords()
{
    QFETCH(QString, text);
    QFETCH(QStringList, words);
    QCOMPARE(qv::splitCommandLine(text), words);
}

void TestProcess::startedProgramGetsExactArgumentsDirectoryAndSession()
{
    QTemporaryDir work;
    QVERIFY(work.isValid());
    const QStringList arguments{"two words", R"(say "hi")",   "-dash",  "$(x)",
                                "",          R"(back\slash)", "*.java", "ünï;|&"};
    qint64 pid = -1;
    int error = -1;
    // Without QV_RECORD the record lands in the working directory.
    QVERIFY(qv::startDetached(startInfo(QStringList{tool("recorder")} + arguments, work.path()),
                              &error, &pid));
    QCOMPARE(error, 0);
    QVERIFY(pid > 0);

    const QString record = work.filePath("recorder.log");
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(record), 10000);
    const QStringList expected = QStringList{QDir(work.path()).canonicalPath()} + arguments
                                 + QStringList{"0 1 2", "session leader", ""};
    QCOMPARE(readLines(record), expected);
}

void TestProcess::programNameWithoutSlashIsLookedUpInPath()
{
    QTemporaryDir bin;
    QTemporaryDir work;
    QVERIFY(bin.isValid() && work.isValid());
    QVERIFY(QFile::link(tool("recorder"), bin.filePath("qv-recorder")));
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()) + ":" + oldPath);
    qputenv("QV_RECORD", QFile::encodeName(work.filePath("found.log")));
    const bool started = qv::startDetached(startInfo({"qv-recorder", "found"}, work.path()));
    qputenv("PATH", oldPath);
    QVERIFY(started);
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(work.filePath("found.log")), 10000);
    QCOMPARE(readLines(work.filePath("found.log")).value(1), "found");
}

void TestProcess::unredirectedStreamsAndInputAreNullDevice()
{
    QTemporaryDir work;
    QVERIFY(work.isValid());
    const QString pidFile = work.filePath("pid");
    qputenv("QV_FAKE_JAVAC", "hang");
    qputenv("QV_FAKE_JAVAC_PID", QFile::encodeName(pidFile));
    KillOnExit child;
    QVERIFY(qv::startDetached(startInfo({tool("fakejavac")}), nullptr, &child.pid));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(pidFile), 10000);
    QCOMPARE(readLines(pidFile).value(0), QString::number(child.pid));

    for (int fd : {0, 1, 2}) {
        const QString link = QStringLiteral("/proc/%1/fd/%2").arg(child.pid).arg(fd);
        QCOMPARE(QFileInfo(link).symLinkTarget(), "/dev/null");
    }
    // startDetached returned while the program still runs; once killed it is reaped too.
    QVERIFY(!processGone(child.pid));
    const qint64 pid = std::exchange(child.pid, -1);
    QVERIFY(qv::killProcess(pid));
    QTRY_VERIFY_WITH_TIMEOUT(processGone(pid), 10000);
}

void TestProcess::failedStartReportsErrno_data()
{
    // "@dir" stands for a fresh temporary folder holding a non-executable "plain.txt".
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("workingDirectory");
    QTest::addColumn<int>("stdoutFd");
    QTest::addColumn<int>("expected");

    const QString recorder = tool("recorder");
    QTest::newRow("missing program") << QStringList{"@dir/nothing"} << "" << -1 << ENOENT;
    QTest::newRow("missing from PATH")
        << QStringList{"qv-no-such-program-here"} << "" << -1 << ENOENT;
    QTest::newRow("directory") << QStringList{"@dir"} << "" << -1 << EACCES;
    QTest::newRow("not executable") << QStringList{"@dir/plain.txt"} << "" << -1 << EACCES;
    QTest::newRow("no arguments") << QStringList{} << "" << -1 << EINVAL;
    QTest::newRow("empty program name") << QStringList{""} << "" << -1 << ENOENT;
    QTest::newRow("zero character in argument")
        << QStringList{recorder, QStringLiteral("a") + QChar(0) + "b"} << "@dir" << -1 << EINVAL;
    QTest::newRow("missing working directory")
        << QStringList{recorder} << "@dir/gone" << -1 << ENOENT;
    QTest::newRow("closed output descriptor")
        << QStringList{recorder} << "@dir" << 987654 << EBADF;
}

void TestProcess::failedStartReportsErrno()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, workingDirectory);
    QFETCH(int, stdoutFd);
    QFETCH(int, expected);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QFile plain(dir.filePath("plain.txt"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.write("#!/bin/sh\necho hi\n");
    plain.close();
    arguments.replaceInStrings("@dir", dir.path());
    workingDirectory.replace("@dir", dir.path());

    const qv::StartInfo info = startInfo(arguments, workingDirectory, stdoutFd);
    int error = 0;
    qint64 pid = -1;
    QVERIFY(!qv::startDetached(info, &error, &pid));
    QCOMPARE(error, expected);
    QCOMPARE(pid, -1);
    QVERIFY(!QFileInfo::exists(dir.filePath("recorder.log")));
}

void TestProcess::outputIsReadThroughPipesUntilEnd_data()
{
    QTest::addColumn<QByteArray>("mode");
    QTest::addColumn<QByteArray>("out");
    QTest::addColumn<QByteArray>("err");

    QTest::newRow("silent") << QByteArray("silent") << QByteArray() << QByteArray();
    QTest::newRow("stdout escapes") << QByteArray(R"(stdout:one\ntwo\tthree\\)")
                                    << QByteArray("one\ntwo\tthree\\") << QByteArray();
    QTest::newRow("stderr") << QByteArray("stderr:bad\n") << QByteArray() << QByteArray("bad\n");
    QTest::newRow("both streams") << QByteArray("both")
                                  << QByteArray("out 1\nout 2\nout 3\nout 4\nout 5\n")
                                  << QByteArray("err 1\nerr 2\nerr 3\nerr 4\nerr 5\n");
    QTest::newRow("zero byte") << QByteArray("nul") << QByteArray("abc\0def error\n", 14)
                               << QByteArray();
    QTest::newRow("slow pieces")
        << QByteArray("slow")
        << QByteArray("part one\npart two\npart three\npart four\npart five\npart six\n"
                      "part seven\nerror\n")
        << QByteArray();
    QTest::newRow("errorfirst") << QByteArray("errorfirst")
                                << QByteArray("error: file not found: X.java\n") << QByteArray();
}

void TestProcess::outputIsReadThroughPipesUntilEnd()
{
    QFETCH(QByteArray, mode);
    QFETCH(QByteArray, out);
    QFETCH(QByteArray, err);

    QTemporaryDir work;
    QVERIFY(work.isValid());
    const QString log = work.filePath("javac.log");
    qputenv("QV_FAKE_JAVAC", mode);
    qputenv("QV_FAKE_JAVAC_LOG", QFile::encodeName(log));
    qv::Pipe outPipe;
    qv::Pipe errPipe;
    QVERIFY(qv::createPipe(outPipe));
    QVERIFY(qv::createPipe(errPipe));
    const QStringList arguments{tool("fakejavac"), "-g", "/src/My File.java"};
    const bool started
        = qv::startDetached(startInfo(arguments, work.path(), outPipe.write.fd(), errPipe.write.fd()));
    outPipe.write.close();
    errPipe.write.close();
    QVERIFY(!outPipe.write.isOpen());
    QVERIFY(started);

    QCOMPARE(drain(outPipe.read.fd()), out);
    QCOMPARE(drain(errPipe.read.fd()), err);
    outPipe.read.close();
    errPipe.read.close();
    QCOMPARE(readLines(log), (QStringList{QDir(work.path()).canonicalPath(), "-g",
                                          "/src/My File.java", "0 1 2", ""}));
}

void TestProcess::readsAreCutAtTheBufferSize()
{
    qputenv("QV_FAKE_JAVAC", "long");
    qv::Pipe pipe;
    QVERIFY(qv::createPipe(pipe));
    QVERIFY(qv::startDetached(startInfo({tool("fakejavac")}, {}, pipe.write.fd())));
    pipe.write.close();
    QList<qint64> sizes;
    const QByteArray text = drain(pipe.read.fd(), &sizes);
    pipe.read.close();
    QCOMPARE(text, QByteArray(254, 'x') + " error\n");
    // The word straddles the first read's end: " e" | "rror\n".
    QCOMPARE(sizes, (QList<qint64>{256, 5}));

    qputenv("QV_FAKE_JAVAC", "flood:200000");
    qv::Pipe outPipe;
    qv::Pipe errPipe;
    QVERIFY(qv::createPipe(outPipe) && qv::createPipe(errPipe));
    QVERIFY(qv::startDetached(startInfo({tool("fakejavac")}, {}, outPipe.write.fd(), errPipe.write.fd())));
    outPipe.write.close();
    errPipe.write.close();
    sizes.clear();
    const QByteArray flood = drain(outPipe.read.fd(), &sizes);
    QCOMPARE(flood.size(), 200000);
    QVERIFY(flood.startsWith("line 000001: "));
    QVERIFY(std::all_of(sizes.cbegin(), sizes.cend(), [](qint64 n) {
        return n <= 256;
    }));
    QCOMPARE(drain(errPipe.read.fd()), "flood note 1\nflood note 2\nflood note 3\n");
    outPipe.read.close();
    errPipe.read.close();
}

void TestProcess::writeEndDoesNotLeakIntoConcurrentProgram()
{
    // Both pipes exist before the first program starts, as when two compiles overlap: the
    // hanging program must not hold the second pipe's write end open.
    qv::Pipe first;
    qv::Pipe second;
    QVERIFY(qv::createPipe(first) && qv::createPipe(second));
    qputenv("QV_FAKE_JAVAC", "hang");
    KillOnExit hanger;
    QVERIFY(
        qv::startDetached(startInfo({tool("fakejavac")}, {}, first.write.fd()), nullptr, &hanger.pid));
    first.write.close();

    qputenv("QV_FAKE_JAVAC", "stdout:done");
    QVERIFY(qv::startDetached(startInfo({tool("fakejavac")}, {}, second.write.fd())));
    second.write.close();
    {
        BackgroundDrain reader(second.read.fd());
        // Destroyed before the reader: a leaked write end closes and the reader can end.
        KillOnExit unblock{hanger.pid};
        QTRY_VERIFY_WITH_TIMEOUT(reader.done, 10000);
        QCOMPARE(reader.data, "done");
    }
    const qint64 pid = std::exchange(hanger.pid, -1);
    QTRY_VERIFY_WITH_TIMEOUT(processGone(pid), 10000);
    QCOMPARE(drain(first.read.fd()), QByteArray());
    first.read.close();
    second.read.close();
}

void TestProcess::endedProgramIsReaped()
{
    qputenv("QV_FAKE_JAVAC", "silent");
    QList<qint64> pids;
    for (int i = 0; i < 5; ++i) {
        qint64 pid = -1;
        QVERIFY(qv::startDetached(startInfo({tool("fakejavac")}), nullptr, &pid));
        pids.append(pid);
    }
    for (const qint64 pid : pids)
        QTRY_VERIFY_WITH_TIMEOUT(processGone(pid), 10000);
}

void TestProcess::synchronizeRunsStepOnUiThreadAndBlocks()
{
    QThread *const ui = QThread::currentThread();
    QMutex mutex;
    QStringList events;
    const auto note = [&](const QString &event) {
        const QMutexLocker lock(&mutex);
        events.append(event);
    };
    bool allOnUi = true;
    LambdaThread thread([&](LambdaThread &self) {
        for (int i = 0; i < 3; ++i) {
            self.synchronize([&, i] {
                allOnUi = allOnUi && QThread::currentThread() == ui;
                note(QStringLiteral("step %1").arg(i));
            });
            note(QStringLiteral("after %1").arg(i));
        }
    });
    thread.start();
    QTRY_VERIFY_WITH_TIMEOUT(thread.isFinished(), 10000);
    QVERIFY(allOnUi);
    QCOMPARE(events, (QStringList{"step 0", "after 0", "step 1", "after 1", "step 2", "after 2"}));

    // On the user-interface thread itself the step runs at once instead of deadlocking.
    bool ran = false;
    thread.synchronize([&] {
        ran = true;
    });
    QVERIFY(ran);
}

void TestProcess::terminateHandlerRunsOnceOnUiThreadWhileThreadWaits()
{
    QThread *const ui = QThread::currentThread();
    std::atomic<bool> bodyEnded = false;
    int calls = 0;
    bool onUi = false;
    bool threadWaiting = false;
    LambdaThread thread([&](LambdaThread &) {
        bodyEnded = true;
    });
    thread.setOnTerminate([&] {
        ++calls;
        onUi = QThread::currentThread() == ui;
        threadWaiting = bodyEnded && thread.isRunning() && !thread.isFinished();
    });
    thread.start();
    QTRY_VERIFY_WITH_TIMEOUT(thread.isFinished(), 10000);
    QCoreApplication::processEvents();
    QCOMPARE(calls, 1);
    QVERIFY(onUi);
    QVERIFY(threadWaiting);
}

void TestProcess::failingBodyOrStepStillEndsThroughHandler()
{
    bool caughtInBody = false;
    int calls = 0;
    LambdaThread thread([&](LambdaThread &self) {
        try {
            self.synchronize([] {
                throw std::runtime_error("step failed");
            });
        } catch (const std::runtime_error &) {
            caughtInBody = true;
        }
        throw std::runtime_error("body failed");
    });
    thread.setOnTerminate([&] {
        ++calls;
    });
    thread.start();
    QTRY_VERIFY_WITH_TIMEOUT(thread.isFinished(), 10000);
    QVERIFY(caughtInBody);
    QCOMPARE(calls, 1);
}

void TestProcess::freeOnTerminateDeletesThread()
{
    bool handlerSawObject = false;
    auto *thread = new LambdaThread([](LambdaThread &) {});
    QPointer<QThread> guard(thread);
    thread->setFreeOnTerminate(true);
    thread->setOnTerminate([&] {
        handlerSawObject = !guard.isNull();
    });
    thread->start();
    QTRY_VERIFY_WITH_TIMEOUT(guard.isNull(), 10000);
    QVERIFY(handlerSawObject);
}

void TestProcess::handOversAreServedWhileModalBoxIsOpen()
{
    QMessageBox box(QMessageBox::NoIcon, "Quorvel", "waiting", QMessageBox::Ok);
    int stepsDuringModal = 0;
    bool endDuringModal = false;
    bool boxClosed = false;
    auto *thread = new LambdaThread([&](LambdaThread &self) {
        for (int i = 0; i < 3; ++i) {
            self.synchronize([&] {
                if (QApplication::activeModalWidget() == &box)
                    ++stepsDuringModal;
            });
        }
    });
    QPointer<QThread> guard(thread);
    thread->setFreeOnTerminate(true);
    thread->setOnTerminate([&] {
        endDuringModal = QApplication::activeModalWidget() == &box;
    });

    QTimer poll;
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, &box, [&] {
        if (!box.isVisible())
            return;
        if (guard && !thread->isRunning() && !thread->isFinished())
            thread->start();
        if (endDuringModal)
            box.done(QMessageBox::Ok);
    });
    QTimer::singleShot(0, &box, [&] {
        poll.start();
        box.exec();
        poll.stop();
        boxClosed = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(boxClosed, 10000);
    QCOMPARE(stepsDuringModal, 3);
    QVERIFY(endDuringModal);
    QTRY_VERIFY_WITH_TIMEOUT(guard.isNull(), 10000);
}

QTEST_MAIN(TestProcess)
#include "tst_process.moc"
