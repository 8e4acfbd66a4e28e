#include "testutil.h"

#include "app/DocumentTools.h"
#include "platform/boxes.h"
#include "platform/textcontrol.h"

#include <QAction>
#include <QFontMetrics>

using namespace testutil;

namespace {

using Mark = qv::TextControl::LineMark;

// Compiles the active document with the real compiler and waits for the report.
bool compile()
{
    useRealCompiler();
    BoxRecorder recorder;
    MainForm->CompileItem->trigger();
    return recorder.waitForReports();
}

// The active document's caret as "line:column", both from 1.
QString caretOf(TMDIChild *document)
{
    qv::TextControl *edit = document->RichEdit1;
    const int line = edit->lineFromPosition(edit->selStart());
    const int column = edit->characterCount(edit->positionFromLine(line), edit->selStart()) + 1;
    return QStringLiteral("%1:%2").arg(line + 1).arg(column);
}

const QByteArray ThreeErrors = "class Three {\n"
                               "    void f() {\n"
                               "        int a = missingOne;\n"
                               "        String s = 42;\n"
                               "\t    missingTwo();\n"
                               "    }\n"
                               "}\n";

} // namespace

// The compiler's diagnostics lead to the code: from the output window, with Next and
// Previous Error, and as marks on the document's lines.
class tst_CompileMarks : public QObject
{
    Q_OBJECT

private slots:
    // Every test here compiles with the real compiler.
    void init()
    {
        NEED_JAVAC();
    }
    void cleanup() { QVERIFY(unexpectedModals().isEmpty()); }

    // A double-click or Enter on any line of a diagnostic shows its place: in the document
    // that was compiled, or in the file it names, opened when no window shows it.
    void chosenDiagnosticShowsItsPlace_data()
    {
        QTest::addColumn<QString>("outputLine");
        QTest::addColumn<bool>("enter");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("caret");
        QTest::newRow("double-click on the caret line")
            << QString(19, u' ') + u'^' << false << "Three.java" << "4:20";
        QTest::newRow("Enter on the message line")
            << "Three.java:5: error: cannot find symbol" << true << "Three.java" << "5:6";
        QTest::newRow("double-click on the source line of another file")
            << "        int b = \"other\";" << false << "Other.java" << "3:17";
    }

    void chosenDiagnosticShowsItsPlace()
    {
        QFETCH(QString, outputLine);
        QFETCH(bool, enter);
        QFETCH(QString, file);
        QFETCH(QString, caret);
        ShownSession session;
        QDir::setCurrent(session.dir());
        writeFile(session.file(QStringLiteral("Other.java")),
                  "class Other {\n    void g() {\n        int b = \"other\";\n    }\n}\n");
        QByteArray text = ThreeErrors;
        text.replace("int a = missingOne;", "Other o = null;");
        TMDIChild *document = openSavedDocument(QStringLiteral("Three.java"), text);
        QVERIFY(compile());
        TCompOutForm *output = outputWindowOf(document);
        QVERIFY(output);
        const QFontMetrics metrics(output->RichEdit1->textFont());
        QCOMPARE(metrics.horizontalAdvance(u'i'), metrics.horizontalAdvance(u'W'));

        qv::TextControl *shown = output->RichEdit1;
        const QByteArray all = shown->text();
        const qsizetype at = all.indexOf(outputLine.toUtf8() + '\n');
        QVERIFY2(at >= 0, all.constData());
        MainForm->ClientArea->activate(output);
        if (enter) {
            shown->setSelection(int(at) + 3, 0);
            QTest::keyClick(shown->view()->parentWidget(), Qt::Key_Return);
        } else {
            QTest::mouseDClick(shown->view(), Qt::LeftButton, {},
                               shown->pointOfPosition(int(at) + 2) + QPoint(1, 3));
        }
        QCOMPARE(shown->text(), all);
        TMDIChild *target = MainForm->activeDocument();
        QVERIFY(target);
        QCOMPARE(QFileInfo(target->caption()).fileName(), file);
        QCOMPARE(caretOf(target), caret);
    }

    // F8 goes through the last compile's errors in order and Shift+F8 back; past the last
    // one it only beeps. The commands follow the enabling rule.
    void nextAndPreviousErrorStepThroughTheCompile()
    {
        ShownSession session;
        QVERIFY(!MainForm->NextErrorItem->isEnabled());
        TMDIChild *document = openSavedDocument(session.file(QStringLiteral("Three.java")),
                                                ThreeErrors);
        QVERIFY(MainForm->PreviousErrorItem->isEnabled());
        QVERIFY(compile());
        QVERIFY(outputWindowOf(document));
        QCOMPARE(MainForm->NextErrorItem->shortcut(), QKeySequence(Qt::Key_F8));
        QCOMPARE(MainForm->PreviousErrorItem->shortcut(), QKeySequence(Qt::SHIFT | Qt::Key_F8));

        QStringList visited;
        for (int i = 0; i < 3; ++i) {
            MainForm->NextErrorItem->trigger();
            visited << caretOf(document);
        }
        QCOMPARE(visited, QStringList({"3:17", "4:20", "5:6"}));
        QCOMPARE(MainForm->activeDocument(), document);
        const int beeps = qv::beepCount();
        MainForm->NextErrorItem->trigger();
        QCOMPARE(qv::beepCount(), beeps + 1);
        QCOMPARE(caretOf(document), QStringLiteral("5:6"));
        MainForm->PreviousErrorItem->trigger();
        QCOMPARE(caretOf(document), QStringLiteral("4:20"));
    }

    // A failed compile marks each line it complains about, an error unlike a warning, with
    // the message under the line; the marks follow edits, and the next compile clears them.
    void compileMarksTheLinesItComplainsAbout()
    {
        ShownSession session;
        TMDIChild *document = openSavedDocument(
            session.file(QStringLiteral("Marks.java")),
            "class Marks {\n    Integer boxed = new Integer(5);\n    int wrong = \"text\";\n}\n");
        QVERIFY(compile());
        qv::TextControl *edit = document->RichEdit1;
        QCOMPARE(edit->lineMarks(0), QList<Mark>());
        QCOMPARE(edit->lineMarks(1), QList<Mark>{Mark::Warning});
        QCOMPARE(edit->lineMarks(2), QList<Mark>{Mark::Error});
        QVERIFY2(edit->lineMessage(1).startsWith("warning: [removal]"),
                 qPrintable(edit->lineMessage(1)));
        QCOMPARE(edit->lineMessage(2),
                 QStringLiteral("error: incompatible types: String cannot be converted to int"));

        edit->setSelection(0, 0);
        edit->replaceSelection("// moved\n");
        QCOMPARE(edit->lineMarks(3), QList<Mark>{Mark::Error});
        MainForm->NextErrorItem->trigger();
        MainForm->NextErrorItem->trigger();
        QCOMPARE(caretOf(document), QStringLiteral("4:17"));

        edit->setText("class Marks {\n    int right = 1;\n}\n");
        document->SaveDocument();
        QVERIFY(compile());
        for (int line = 0; line < 4; ++line) {
            QVERIFY(edit->lineMarks(line).isEmpty());
            QVERIFY(edit->lineMessage(line).isEmpty());
        }
    }
};

QTEST_MAIN(tst_CompileMarks)
#include "tst_compilemarks.moc"
