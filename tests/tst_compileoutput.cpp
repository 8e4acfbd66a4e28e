#include "testutil.h"

#include "app/DocumentTools.h"
#include "platform/textcontrol.h"

#include <QAction>
#include <QToolButton>

using namespace testutil;

namespace {

const QByteArray DocumentText = "class Demo {}\n";

// The standard output of the stand-in compiler's flood mode, without its notes.
QByteArray floodText(long bytes)
{
    QByteArray text;
    long line = 0;
    while (text.size() < bytes)
        text += QByteArray::number(++line).rightJustified(6, '0').prepend("line ")
                + ": the quick brown fox jumps\n";
    text.truncate(bytes);
    return text;
}

} // namespace

class tst_CompileOutput : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        qunsetenv("QV_FAKE_JAVAC");
        QCOMPARE(RunningReaders, 0);
        QVERIFY(unexpectedModals().isEmpty());
    }

    void errorWordCountsOnlyAsWholeLowerCaseWord_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("found");
        QTest::newRow("empty") << QByteArray() << false;
        QTest::newRow("at the very start") << QByteArray("error: file not found") << true;
        QTest::newRow("whole text") << QByteArray("error") << true;
        QTest::newRow("plural at the end") << QByteArray("2 errors") << true;
        QTest::newRow("javac summary")
            << QByteArray("A.java:3: error: ';' expected\n1 error\n") << true;
        QTest::newRow("after a zero byte") << QByteArray("abc\0def error\n", 14) << true;
        QTest::newRow("capitals") << QByteArray("Error ERROR Errors") << false;
        QTest::newRow("longer word") << QByteArray("errorless errorss") << false;
        QTest::newRow("inside a word") << QByteArray("xerror my_error 2error") << false;
        QTest::newRow("followed by digit or underscore") << QByteArray("error2 error_x") << false;
        QTest::newRow("punctuation around") << QByteArray("(error)") << true;
        QTest::newRow("later whole word after a partial one")
            << QByteArray("errorless, then error.") << true;
        // Octal escapes, since a hexadecimal one would swallow the "e" that follows.
        QTest::newRow("next to a non-ASCII letter")
            << QByteArray("\303\251rror \303\251error error\303\251") << false;
        QTest::newRow("next to a non-ASCII symbol") << QByteArray("\342\200\246error") << true;
        QTest::newRow("next to invalid bytes") << QByteArray("\377error\200") << true;
    }
    void errorWordCountsOnlyAsWholeLowerCaseWord()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, found);
        const std::string_view bytes(text.constData(), size_t(text.size()));
        QCOMPARE(containsErrorWord(bytes), found);
    }

    // Everything the compiler writes reaches the window as one stream, in order; standard
    // error also shows each chunk in a box; the report follows the text's words.
    void outputAndReport_data()
    {
        QTest::addColumn<QByteArray>("mode");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("errorBoxes");
        QTest::addColumn<bool>("possibleErrors");
        const QByteArray slow = "part one\npart two\npart three\npart four\npart five\n"
                                "part six\npart seven\nerror\n";
        QTest::newRow("no output")
            << QByteArray("silent") << QByteArray() << QStringList() << false;
        QTest::newRow("standard error only, a note")
            << QByteArray("stderr:Note: A.java uses unchecked operations.\\n")
            << QByteArray("Note: A.java uses unchecked operations.\n")
            << QStringList{"Note: A.java uses unchecked operations.\n"} << false;
        QTest::newRow("standard error only, an error")
            << QByteArray("stderr:A.java:1: error: ';' expected\\n")
            << QByteArray("A.java:1: error: ';' expected\n")
            << QStringList{"A.java:1: error: ';' expected\n"} << true;
        QTest::newRow("zero byte")
            << QByteArray("nul") << QByteArray("abc\0def error\n", 14) << QStringList() << true;
        QTest::newRow("line longer than 256 bytes")
            << QByteArray("long") << QByteArray(254, 'x') + " error\n"
            << QStringList() << true;
        QTest::newRow("slow small pieces") << QByteArray("slow") << slow << QStringList() << true;
        QTest::newRow("error as the first word")
            << QByteArray("errorfirst") << QByteArray("error: file not found: X.java\n")
            << QStringList() << true;
        QTest::newRow("failure status, no error word")
            << QByteArray("exit:3") << QByteArray() << QStringList() << true;
        QTest::newRow("child keeps the pipes open")
            << QByteArray("orphan") << QByteArray() << QStringList() << false;
    }
    void outputAndReport()
    {
        QFETCH(QByteArray, mode);
        QFETCH(QByteArray, text);
        QFETCH(QStringList, errorBoxes);
        QFETCH(bool, possibleErrors);
        ShownSession session;
        useFakeCompiler(session);
        qputenv("QV_FAKE_JAVAC", mode);
        const QString name = session.file(QStringLiteral("Demo.java"));
        TMDIChild *document = openSavedDocument(name, DocumentText);
        BoxRecorder recorder;
        QPointer<TCompOutForm> output;
        QByteArray shown;
        recorder.beforeAnswer = [&] {
            if (output)
                shown = output->RichEdit1->text();
        };
        MainForm->CompileItem->trigger();
        output = outputWindowOf(document);
        QVERIFY(output);
        QVERIFY(recorder.waitForReports(1, 20000));

        const QString compiled = u'"' + name + u'"';
        QStringList expectedBoxes = errorBoxes;
        expectedBoxes.append(compiled + QStringLiteral(" done compiling.")
                             + (possibleErrors ? QStringLiteral("\n\nPossible errors!") : ""));
        QCOMPARE(recorder.texts(), expectedBoxes);
        QCOMPARE(recorder.boxes.last().caption, QStringLiteral("Quorvel"));
        QCOMPARE(recorder.boxes.last().buttons, QStringList{"OK"});
        QCOMPARE(shown, text);
        QCOMPARE(RunningReaders, 0);
        if (possibleErrors) {
            QVERIFY(output);
            QCOMPARE(output->caption(), compiled + " done compiling.Possible errors!");
            QCOMPARE(output->RichEdit1->text(), text);
            QVERIFY(outputWindowOf(document) == output);
            QCOMPARE(MainForm->ClientArea->childCount(), 2);
        } else {
            QTRY_VERIFY(!output);
            QVERIFY(!outputWindowOf(document));
            QCOMPARE(MainForm->ClientArea->childCount(), 1);
        }
    }

    // Megabytes on standard output while standard error writes three notes: nothing lost,
    // nothing reordered, the notes in the compile's one box, and no hit in the search.
    void floodOfOutputArrivesWhole()
    {
        ShownSession session;
        useFakeCompiler(session);
        const long bytes = 3 * 1000 * 1000;
        qputenv("QV_FAKE_JAVAC", "flood:" + QByteArray::number(qlonglong(bytes)));
        TMDIChild *document = openSavedDocument(session.file("Flood.java"), DocumentText);
        BoxRecorder recorder;
        QPointer<TCompOutForm> output;
        QByteArray shown;
        recorder.ready = [&] { return output && output->runningReaders() == 0; };
        recorder.beforeAnswer = [&] {
            if (output && recorder.boxes.last().text.contains(" done compiling."))
                shown = output->RichEdit1->text();
        };
        MainForm->CompileBtn->click();
        output = outputWindowOf(document);
        QVERIFY(output);
        QVERIFY(recorder.waitForReports());
        QVERIFY(!recorder.boxes.last().text.contains("Possible errors!"));
        QCOMPARE(recorder.boxes.size(), 2);
        QCOMPARE(recorder.boxes.first().text,
                 QStringLiteral("flood note 1\nflood note 2\nflood note 3\n"));
        QCOMPARE(qlonglong(shown.size()), qlonglong(bytes + 3 * 13));
        for (const char *note : {"flood note 1\n", "flood note 2\n", "flood note 3\n"})
            QCOMPARE(shown.count(note), 1);
        shown.replace("flood note 1\n", "").replace("flood note 2\n", "");
        shown.replace("flood note 3\n", "");
        QVERIFY(shown == floodText(bytes));
        QTRY_VERIFY(!output);
    }

    // A hundred errors from the real compiler, read by a user who takes the time to: the
    // whole error output in one box that fits the screen, as plain text, then the report.
    void hundredErrorsGiveOneBox()
    {
        ShownSession session;
        if (!useRealCompiler())
            QSKIP("no javac on PATH");
        QByteArray source = "class Many {\n    void f() {\n";
        for (int i = 0; i < 150; ++i)
            source += "        java.util.List<String> a" + QByteArray::number(i) + " = 1;\n";
        source += "    }\n}\n";
        TMDIChild *document = openSavedDocument(session.file("Many.java"), source);
        BoxRecorder recorder;
        QPointer<TCompOutForm> output;
        recorder.ready = [&] { return output && output->runningReaders() == 0; };
        bool fits = false;
        recorder.beforeAnswer = [&] {
            if (QWidget *box = output ? output->errorBox() : nullptr)
                fits = box->screen()->availableGeometry().contains(box->frameGeometry());
        };
        MainForm->CompileItem->trigger();
        output = outputWindowOf(document);
        QVERIFY(output);
        QVERIFY(recorder.waitForReports());
        QCOMPARE(recorder.boxes.size(), 2);
        const QString errors = recorder.boxes.first().text;
        QVERIFY2(errors.contains("100 errors") && errors.contains("List<String>"),
                 qPrintable(errors.right(300)));
        QCOMPARE(errors, QString::fromUtf8(output->RichEdit1->text()));
        QVERIFY(fits);
    }

    // A compiler whose background child holds the pipes leaves no process behind: the child
    // goes once the compiler has ended, and the report follows.
    void compilerLeavesNoProcessBehind()
    {
        ShownSession session;
        useScriptCompiler(session, "sleep 1000 &\necho started\n");
        TMDIChild *document = openSavedDocument(session.file("Left.java"), DocumentText);
        BoxRecorder recorder;
        MainForm->CompileItem->trigger();
        const QPointer<TCompOutForm> output = outputWindowOf(document);
        QVERIFY(output && output->Runner && output->Runner->Program);
        const qint64 group = output->Runner->Program->id();
        QVERIFY(recorder.waitForReports(1, 20000));
        QTRY_VERIFY_WITH_TIMEOUT(!processGroupExists(group), 20000);
    }

    // A window destroyed while its compiler still writes receives nothing, and its readers
    // still end and leave the count.
    void readersOutliveADestroyedWindowSafely()
    {
        QPointer<TCompOutForm> output;
        {
            ShownSession session;
            useFakeCompiler(session);
            qputenv("QV_FAKE_JAVAC", "slow");
            TMDIChild *document = openSavedDocument(session.file("Gone.java"), DocumentText);
            MainForm->CompileItem->trigger();
            output = outputWindowOf(document);
            QVERIFY(output);
            QCOMPARE(RunningReaders, 2);
        }
        QVERIFY(!output);
        QTRY_COMPARE_WITH_TIMEOUT(RunningReaders, 0, 20000);
    }
};

QTEST_MAIN(tst_CompileOutput)
#include "tst_compileoutput.moc"
