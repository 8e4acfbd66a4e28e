#include "testutil.h"

#include "app/DocumentTools.h"
#include "platform/textcontrol.h"
#include "toolchain/runconsole.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QToolButton>

using namespace testutil;

// Programs that write more than anyone reads: the windows stay usable and nothing is lost
// without a word.
class tst_LongOutput : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        QCOMPARE(RunningReaders, 0);
        QVERIFY(unexpectedModals().isEmpty());
    }

    // Output without line breaks costs as much to add at its end as at its start, in the
    // output window and in the run console. The work of adding a piece is the length of the
    // line it lands on, which the control lays out again.
    void outputWithoutLineBreaksStaysLinear_data()
    {
        QTest::addColumn<bool>("compiler");
        QTest::newRow("output window") << true;
        QTest::newRow("run console") << false;
    }
    void outputWithoutLineBreaksStaysLinear()
    {
        QFETCH(bool, compiler);
        ShownSession session;
        const QString writer
            = useScriptCompiler(session, "head -c 4200000 /dev/zero | tr '\\0' x\n");
        constexpr qint64 Megabyte = 1000 * 1000;
        QList<qint64> workAtMegabyte;
        qint64 work = 0;
        const auto count = [&](qint64 length, qint64 lastLine) {
            work += lastLine;
            if (length >= (workAtMegabyte.size() + 1) * Megabyte)
                workAtMegabyte.append(work);
        };
        BoxRecorder recorder;
        if (compiler) {
            TMDIChild *document = openSavedDocument(session.file("Wide.java"), "class Wide {}\n");
            MainForm->CompileItem->trigger();
            qv::TextControl *text = outputWindowOf(document)->RichEdit1;
            connect(text, &qv::TextControl::changed, this, [&, text] {
                count(text->length(), text->length() - text->positionFromLine(text->lineCount() - 1));
            });
        } else {
            TRunConsoleForm *console = TRunConsoleForm::run({writer}, "Wide");
            QVERIFY(console);
            MainForm->ClientArea->addChild(console);
            QTextDocument *text = console->Output->document();
            connect(text, &QTextDocument::contentsChanged, this, [&, text] {
                count(text->characterCount(), text->lastBlock().length());
            });
        }
        QVERIFY(runEventsUntil([&] { return workAtMegabyte.size() >= 4; }, 120000));
        const qint64 first = workAtMegabyte[0];
        const qint64 last = workAtMegabyte[3] - workAtMegabyte[2];
        QVERIFY2(last < 3 * first, qPrintable(QStringLiteral("first %1, last %2").arg(first).arg(last)));
        QTRY_COMPARE_WITH_TIMEOUT(RunningReaders, 0, 60000);
    }

    // The run console keeps its last lines and says in its first how many went before them.
    void runConsoleSaysHowManyLinesWentBefore()
    {
        ShownSession session;
        TRunConsoleForm console;
        constexpr int Extra = 1234;
        QByteArray chunk;
        for (int line = 1; line <= TRunConsoleForm::KeptLines + Extra; ++line) {
            chunk += "line " + QByteArray::number(line) + '\n';
            if (chunk.size() >= 4096) {
                console.appendOutput(chunk);
                chunk.clear();
            }
        }
        console.appendOutput(chunk);
        const QTextDocument *text = console.Output->document();
        // The empty line after the last line break counts as one of the kept lines.
        QCOMPARE(text->blockCount(), TRunConsoleForm::KeptLines + 1);
        QCOMPARE(text->firstBlock().text(), QStringLiteral("... 1,235 earlier lines not shown"));
        QCOMPARE(text->findBlockByNumber(1).text(), QStringLiteral("line 1236"));
        QCOMPARE(text->lastBlock().previous().text(),
                 QStringLiteral("line %1").arg(TRunConsoleForm::KeptLines + Extra));
    }

    // A compiler that floods its error output can be stopped while its box is open: the box
    // is not modal and keeps the first and the last part of the text, while the window gets
    // every line.
    void errorFloodCanBeStopped()
    {
        ShownSession session;
        useScriptCompiler(session, "i=0\nwhile :; do i=$((i+1)); "
                                   "echo \"A.java:$i: error: flood $i\"; done >&2\n");
        TMDIChild *document = openSavedDocument(session.file("A.java"), "class A {}\n");
        BoxRecorder recorder;
        bool stopped = false;
        QPointer<TCompOutForm> output;
        // The box is read once all has arrived.
        recorder.ready = [&] { return stopped && output && output->runningReaders() == 0; };
        MainForm->CompileItem->trigger();
        output = outputWindowOf(document);
        QVERIFY(output);
        QVERIFY(runEventsUntil([&] { return output->RichEdit1->length() > 3000000; }, 120000));
        QVERIFY(output->errorBox() && output->errorBox()->isVisible());
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(MainForm->activeChild(), output.data());
        MainForm->StopBtn->click();
        stopped = true;
        QVERIFY(recorder.waitForReports(1, 60000));
        QCOMPARE(recorder.boxes.size(), 2);
        QVERIFY(recorder.boxes.last().text.contains("Possible errors!"));

        const QString box = recorder.boxes.first().text;
        QVERIFY2(box.size() < 1100000, qPrintable(QString::number(box.size())));
        QVERIFY(box.startsWith("A.java:1: error: flood 1\nA.java:2: error: flood 2\n"));
        const qsizetype notice = box.indexOf(" bytes left out ...\n");
        QVERIFY(notice > 0);
        const QString tail = box.mid(notice + 20);
        QVERIFY(tail.startsWith("A.java:"));
        const QByteArray shown = output->RichEdit1->text();
        QVERIFY(shown.endsWith(tail.toUtf8()));
        // Every line, in order, up to where the compiler was stopped.
        const QList<QByteArray> lines = shown.split('\n');
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            const QByteArray expected = "A.java:" + QByteArray::number(i + 1) + ": error: flood "
                                        + QByteArray::number(i + 1);
            if (lines[i] != expected)
                QFAIL(qPrintable("line " + QByteArray::number(i + 1) + ": " + lines[i]));
        }
    }
};

QTEST_MAIN(tst_LongOutput)
#include "tst_longoutput.moc"
