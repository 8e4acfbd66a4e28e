#include "testutil.h"

#include "app/DocumentTools.h"
#include "platform/process.h"
#include "toolchain/runconsole.h"

#include <QAction>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QProcess>
#include <QToolButton>

using namespace testutil;

namespace {

// Greets each line it reads, on standard output and on standard error, until its input ends.
const QByteArray EchoSource = R"(public class Echo {
    public static void main(String[] args) throws Exception {
        var in = new java.io.BufferedReader(new java.io.InputStreamReader(System.in));
        System.out.println("name?");
        System.out.flush();
        int lines = 0;
        for (String line; (line = in.readLine()) != null; ++lines) {
            System.out.println("hello, " + line);
            System.out.flush();
            System.err.println("on standard error");
            System.err.flush();
        }
        System.out.println("lines: " + lines);
        System.exit(3);
    }
}
)";

const QByteArray LoopSource = R"(public class Loop {
    public static void main(String[] args) {
        System.out.println("looping");
        System.out.flush();
        for (long i = 0; ; ++i) {
        }
    }
}
)";

// Starts a child that would outlive it and returns at once.
const QByteArray SpawnerSource = R"(public class Spawner {
    public static void main(String[] args) throws Exception {
        new ProcessBuilder("sleep", "1000").start();
        System.out.println("started");
    }
}
)";

// Reads its whole input, then tells how many bytes came and a hash of them in order.
const QByteArray DigestSource = R"(public class Digest {
    public static void main(String[] args) throws Exception {
        byte[] all = System.in.readAllBytes();
        long hash = 0;
        for (byte b : all)
            hash = 31 * hash + (b & 0xff);
        System.out.println("bytes " + all.length + " hash " + hash);
    }
}
)";

QString digest(const QByteArray &bytes)
{
    quint64 hash = 0;
    for (const char b : bytes)
        hash = 31 * hash + quint8(b);
    return QStringLiteral("bytes %1 hash %2").arg(bytes.size()).arg(qint64(hash));
}

} // namespace

class tst_RunConsole : public QObject
{
    Q_OBJECT

    QTemporaryDir m_classes;
    QString m_java;

    // Runs the class of the saved source in a run window, as the Interpreter command does.
    TRunConsoleForm *runClass(const QString &name)
    {
        CompileOptForm->Interpreter->setText(u'"' + m_java + QStringLiteral("\" -cp ."));
        MainForm->OpenDocument(m_classes.filePath(name + QStringLiteral(".java")), true);
        TMDIChild *document = MainForm->activeDocument();
        MainForm->InterpreterBtn->click();
        return runWindowOf(document);
    }

private slots:
    void initTestCase()
    {
        NEED_JAVA_KIT();
        m_java = QStandardPaths::findExecutable(QStringLiteral("java"));
        writeFile(m_classes.filePath(QStringLiteral("Echo.java")), EchoSource);
        writeFile(m_classes.filePath(QStringLiteral("Loop.java")), LoopSource);
        writeFile(m_classes.filePath(QStringLiteral("Spawner.java")), SpawnerSource);
        writeFile(m_classes.filePath(QStringLiteral("Digest.java")), DigestSource);
        QVERIFY(compileJava(m_classes.path(),
                            {QStringLiteral("Echo.java"), QStringLiteral("Loop.java"),
                             QStringLiteral("Spawner.java"), QStringLiteral("Digest.java")}));
    }

    void cleanup() { QVERIFY(unexpectedModals().isEmpty()); }

    // What the program writes shows in order of writing; a typed line and Enter reach its
    // input; Ctrl+D ends that input; the caption tells how it ended; running the class again
    // replaces the finished window.
    void typedLinesReachTheProgram()
    {
        ShownSession session;
        const QPointer<TRunConsoleForm> console = runClass(QStringLiteral("Echo"));
        QVERIFY(console);
        QCOMPARE(console->caption(), QStringLiteral("Running Echo ..."));
        QCOMPARE(MainForm->activeChild(), console.data());
        QTRY_COMPARE_WITH_TIMEOUT(console->Output->toPlainText(), QStringLiteral("name?\n"),
                                  60000);
        QTest::keyClicks(console->Input, QStringLiteral("Ada"));
        QTest::keyClick(console->Input, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(
            console->Output->toPlainText().endsWith(QStringLiteral("on standard error\n")), 60000);
        QTest::keyClick(console->Input, Qt::Key_D, Qt::ControlModifier);
        QTRY_COMPARE_WITH_TIMEOUT(console->caption(),
                                  QStringLiteral("Running Echo ... finished (exit status 3)"),
                                  60000);
        QCOMPARE(console->Output->toPlainText(),
                 QStringLiteral("name?\nAda\nhello, Ada\non standard error\nlines: 1\n"));
        QVERIFY(!console->Input->isEnabled());
        QVERIFY(!console->going());

        TMDIChild *document = DocumentTools::ownerOf(console);
        MainForm->ClientArea->activate(document);
        MainForm->InterpreterItem->trigger();
        QTRY_VERIFY(!console);
        const QPointer<TRunConsoleForm> again = runWindowOf(document);
        QVERIFY(again);
        QTest::keyClick(again->Input, Qt::Key_D, Qt::ControlModifier);
        QTRY_COMPARE_WITH_TIMEOUT(again->Output->toPlainText(),
                                  QStringLiteral("name?\nlines: 0\n"), 60000);
    }

    // Stop ends a program that never ends by itself, with its whole process group.
    void stopEndsAnEndlessProgram()
    {
        ShownSession session;
        const QPointer<TRunConsoleForm> console = runClass(QStringLiteral("Loop"));
        QVERIFY(console);
        const qint64 group = console->processId();
        QTRY_COMPARE_WITH_TIMEOUT(console->Output->toPlainText(), QStringLiteral("looping\n"),
                                  60000);
        QVERIFY(console->going());
        MainForm->StopBtn->click();
        QTRY_VERIFY_WITH_TIMEOUT(console->hasEnded(), 20000);
        QCOMPARE(console->caption(), QStringLiteral("Running Loop ... stopped"));
        QVERIFY(!processGroupExists(group));
    }

    // Typed and pasted input reaches the program whole and in order: a paste of any length,
    // each line of a pasted text with its line end, and at Ctrl+D what is typed, without one.
    void inputReachesTheProgramWhole_data()
    {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("pasted");
        QTest::addColumn<QByteArray>("received");
        QString longLine;
        for (int i = 0; longLine.size() < 1000000; ++i)
            longLine += QStringLiteral("%1,").arg(i);
        QString lines;
        QByteArray linesReceived;
        for (int i = 0; i < 2000; ++i) {
            const QString line = QStringLiteral("line %1 ").arg(i) + QString(500, u'y');
            lines += line + (i % 2 ? QStringLiteral("\r\n") : QStringLiteral("\n"));
            linesReceived += line.toUtf8() + '\n';
        }
        QTest::newRow("partial line before Ctrl+D")
            << QStringList{"3 4", "10", "5"} << QString() << QByteArray("3 4\n10\n5");
        QTest::newRow("a megabyte pasted into one line")
            << QStringList{"", ""} << longLine << longLine.toUtf8() + '\n';
        QTest::newRow("many lines pasted, the last one unfinished")
            << QStringList{""} << lines + QStringLiteral("tail") << linesReceived + "tail";
    }
    void inputReachesTheProgramWhole()
    {
        QFETCH(QStringList, typed);
        QFETCH(QString, pasted);
        QFETCH(QByteArray, received);
        ShownSession session;
        const QPointer<TRunConsoleForm> console = runClass(QStringLiteral("Digest"));
        QVERIFY(console);
        // Lines typed with Enter between them; the paste goes after the first line's text.
        for (qsizetype i = 0; i < typed.size(); ++i) {
            if (i > 0)
                QTest::keyClick(console->Input, Qt::Key_Return);
            QTest::keyClicks(console->Input, typed.at(i));
            if (i == 0 && !pasted.isEmpty()) {
                QGuiApplication::clipboard()->setText(pasted);
                QTest::keyClick(console->Input, Qt::Key_V, Qt::ControlModifier);
            }
        }
        QTest::keyClick(console->Input, Qt::Key_D, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(console->hasEnded(), 60000);
        QVERIFY(console->Output->toPlainText().endsWith(digest(received) + u'\n'));
    }

    // What a program started goes with it when it ends by itself.
    void programLeavesNoProcessBehind()
    {
        ShownSession session;
        const QPointer<TRunConsoleForm> console = runClass(QStringLiteral("Spawner"));
        QVERIFY(console);
        const qint64 group = console->processId();
        QTRY_VERIFY_WITH_TIMEOUT(console->hasEnded(), 60000);
        QCOMPARE(console->caption(), QStringLiteral("Running Spawner ... finished (exit status 0)"));
        QTRY_VERIFY_WITH_TIMEOUT(!processGroupExists(group), 20000);
    }

    void captionSaysHowTheProgramEnded_data()
    {
        QTest::addColumn<bool>("signalled");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("stopped");
        QTest::addColumn<QString>("caption");
        QTest::newRow("exit status") << false << 3 << false << "Running A ... finished (exit status 3)";
        QTest::newRow("stopped, ended by the signal") << true << 15 << true << "Running A ... stopped";
        QTest::newRow("stopped, exit status of its own") << false << 143 << true
                                                        << "Running A ... stopped";
        QTest::newRow("killed from outside") << true << 9 << false
                                             << "Running A ... ended by signal 9 (Killed)";
    }
    void captionSaysHowTheProgramEnded()
    {
        QFETCH(bool, signalled);
        QFETCH(int, code);
        QFETCH(bool, stopped);
        qv::ProcessEnd end;
        end.ended = true;
        end.signalled = signalled;
        end.code = code;
        end.stopped = stopped;
        QTEST(finishedCaption(QStringLiteral("A"), end), "caption");
    }
};

QTEST_MAIN(tst_RunConsole)
#include "tst_runconsole.moc"
