#include "testutil.h"

#include "app/DocumentTools.h"
#include "platform/textcontrol.h"
#include "toolchain/runconsole.h"

#include <QInputDialog>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QToolButton>

using namespace testutil;

namespace {

// Files of a program, "path", "text", ..., below a folder.
void writeProgram(const QString &folder, const QStringList &files)
{
    for (qsizetype i = 0; i + 1 < files.size(); i += 2) {
        const QString path = folder + u'/' + files[i];
        QDir().mkpath(path.section(u'/', 0, -2));
        writeFile(path, files[i + 1].toUtf8());
    }
}

const QStringList PackageProgram{
    "src/shop/App.java",
    "package shop;\npublic class App {\n    public static void main(String[] args) {\n"
    "        System.out.println(Util.greet(String.join(\",\", args)));\n    }\n}\n",
    "src/shop/Util.java",
    "package shop;\nclass Util {\n    static String greet(String who) { return \"hi \" + who; }\n}\n"};

// Util throws from inside the kit's Integer.parseInt, called from App.
const QStringList FailingProgram{
    "src/shop/App.java",
    "package shop;\npublic class App {\n    public static void main(String[] args) {\n"
    "        System.out.println(Util.parse(\"x\"));\n    }\n}\n",
    "src/shop/Util.java",
    "package shop;\nclass Util {\n    static int parse(String s) { return Integer.parseInt(s); }\n}\n"};

// The line of the run window's text that holds the part.
QTextBlock lineWith(TRunConsoleForm *console, const QString &part)
{
    for (QTextBlock block = console->Output->document()->firstBlock(); block.isValid();
         block = block.next()) {
        if (block.text().contains(part))
            return block;
    }
    return {};
}

} // namespace

// Programs of several files, in packages, with arguments, compiled and run by the real kit.
class tst_Programs : public QObject
{
    Q_OBJECT

    // Compiles the active document's program; the report boxes.
    QStringList compile(BoxRecorder &recorder)
    {
        const qsizetype before = recorder.boxes.size();
        MainForm->CompileItem->trigger();
        if (!QTest::qWaitFor([&] { return recorder.boxes.size() > before; }, 120000))
            return {};
        return recorder.texts().mid(before);
    }

    // Waits for the run window of the document to show the text.
    bool consoleShows(TMDIChild *document, const QString &text)
    {
        return QTest::qWaitFor(
            [&] {
                return runWindowOf(document)
                       && runWindowOf(document)->Output->toPlainText().contains(text);
            },
            60000);
    }

private slots:
    void init()
    {
        NEED_JAVA_KIT();
    }

    void cleanup() { QVERIFY(unexpectedModals().isEmpty()); }

    // A class using another one beside it compiles with the workbench started elsewhere.
    void siblingClassesAreFound()
    {
        ShownSession session;
        QVERIFY(useRealCompiler());
        writeProgram(session.dir(),
                     {"prog/Till.java",
                      "public class Till { public static void main(String[] a) { Purse.help(); } }\n",
                      "prog/Purse.java", "class Purse { static void help() {} }\n"});
        QDir::setCurrent(session.dir());
        MainForm->OpenDocument(session.file("prog/Till.java"), true);
        BoxRecorder recorder;
        const QString quotedName = u'"' + session.file("prog/Till.java") + u'"';
        QCOMPARE(compile(recorder), QStringList{quotedName + " done compiling."});
        QVERIFY(QFile::exists(session.file("prog/Purse.class")));
    }

    // A two-file package compiles and runs, with its classes beside the sources or in an
    // output folder.
    void packageProgramRuns_data()
    {
        QTest::addColumn<QString>("outputFolder");
        QTest::newRow("classes beside the sources") << "";
        QTest::newRow("output folder") << "out";
    }

    void packageProgramRuns()
    {
        QFETCH(QString, outputFolder);
        ShownSession session;
        QVERIFY(useRealCompiler());
        CompileOptForm->FillInInstalledCompiler();
        writeProgram(session.dir(), PackageProgram);
        if (!outputFolder.isEmpty())
            QDir(session.dir()).mkpath(outputFolder);
        QDir::setCurrent(session.dir());
        CompileOptForm->DirectoryPath->setText(outputFolder);
        MainForm->OpenDocument(session.file("src/shop/App.java"), true);
        TMDIChild *document = MainForm->activeDocument();
        BoxRecorder recorder;
        QVERIFY(compile(recorder).value(0).endsWith(" done compiling."));
        MainForm->ClientArea->activate(document);
        MainForm->InterpreterItem->trigger();
        QVERIFY(consoleShows(document, "hi \n"));
        QCOMPARE(runWindowOf(document)->ClassName, QStringLiteral("shop.App"));
    }

    // Arguments given once are split as typed, reach the program, and are used again by the
    // next run, also from the run window.
    void argumentsReachTheProgram()
    {
        ShownSession session;
        QVERIFY(useRealCompiler());
        CompileOptForm->FillInInstalledCompiler();
        writeProgram(session.dir(), PackageProgram);
        MainForm->OpenDocument(session.file("src/shop/App.java"), true);
        TMDIChild *document = MainForm->activeDocument();
        BoxRecorder recorder;
        QVERIFY(compile(recorder).value(0).endsWith(" done compiling."));
        MainForm->ClientArea->activate(document);
        onNextModal([](QWidget *modal) {
            auto *dialog = qobject_cast<QInputDialog *>(modal);
            QVERIFY(dialog);
            dialog->setTextValue(QStringLiteral("tinyW.txt \"two words\""));
            dialog->accept();
        });
        MainForm->RunWithArgumentsItemClick();
        QVERIFY(allModalsHandled());
        QVERIFY(consoleShows(document, "hi tinyW.txt,two words\n"));
        QTRY_VERIFY_WITH_TIMEOUT(runWindowOf(document)->hasEnded(), 60000);
        const QPointer<TRunConsoleForm> first = runWindowOf(document);
        MainForm->InterpreterItem->trigger();
        QTRY_VERIFY(!first);
        QVERIFY(consoleShows(document, "hi tinyW.txt,two words\n"));
    }

    // A stack trace marks the innermost line of the program's own files; its lines lead to
    // the code by a double-click, Enter and F8, opening a file that is not open, while the
    // kit's lines lead nowhere. Compiling from the run window compiles its document and
    // takes the mark away.
    void stackTraceLeadsToTheCode()
    {
        ShownSession session;
        QVERIFY(useRealCompiler());
        CompileOptForm->FillInInstalledCompiler();
        writeProgram(session.dir(), FailingProgram);
        MainForm->OpenDocument(session.file("src/shop/Util.java"), true);
        TMDIChild *util = MainForm->activeDocument();
        MainForm->OpenDocument(session.file("src/shop/App.java"), true);
        TMDIChild *app = MainForm->activeDocument();
        BoxRecorder recorder;
        QVERIFY(compile(recorder).value(0).endsWith(" done compiling."));
        MainForm->ClientArea->activate(app);
        MainForm->InterpreterItem->trigger();
        QVERIFY(consoleShows(app, "at shop.App.main(App.java:4)"));
        TRunConsoleForm *console = runWindowOf(app);
        QTRY_VERIFY_WITH_TIMEOUT(console->hasEnded(), 60000);
        using Mark = qv::TextControl::LineMark;
        QCOMPARE(util->RichEdit1->lineMarks(2), QList<Mark>{Mark::Error});
        QVERIFY(util->RichEdit1->lineMessage(2).contains("java.lang.NumberFormatException"));
        QVERIFY(app->RichEdit1->lineMarks(3).isEmpty());

        QWidget *utilFrame = qv::MdiFrame::frameOf(util);
        utilFrame->close();
        QTRY_VERIFY(!MainForm->ClientArea->childWindows().contains(util));
        MainForm->ClientArea->activate(console);
        const int windows = MainForm->ClientArea->childCount();
        const QTextBlock kit = lineWith(console, "at java.base/java.lang.Integer.parseInt");
        QVERIFY(kit.isValid());
        console->Output->setTextCursor(QTextCursor(kit));
        console->Output->setFocus();
        QTest::keyClick(console->Output, Qt::Key_Return);
        QCOMPARE(MainForm->ClientArea->childCount(), windows);
        QCOMPARE(MainForm->activeChild(), console);

        const QTextBlock own = lineWith(console, "at shop.Util.parse(Util.java:3)");
        const QPoint place = console->Output->cursorRect(QTextCursor(own)).center();
        QTest::mouseDClick(console->Output->viewport(), Qt::LeftButton, {}, place);
        TMDIChild *opened = MainForm->activeDocument();
        QVERIFY(opened);
        QCOMPARE(opened->caption(), session.file("src/shop/Util.java"));
        QCOMPARE(opened->RichEdit1->lineFromPosition(opened->RichEdit1->selStart()), 2);
        QCOMPARE(opened->RichEdit1->lineMarks(2), QList<Mark>{Mark::Error});

        // F8 walks the program's own frames from the document the trace led to.
        const int beeps = qv::beepCount();
        MainForm->NextErrorItem->trigger();
        QCOMPARE(MainForm->activeDocument(), app);
        QCOMPARE(app->RichEdit1->lineFromPosition(app->RichEdit1->selStart()), 3);
        MainForm->NextErrorItem->trigger();
        QCOMPARE(qv::beepCount(), beeps + 1);
        MainForm->PreviousErrorItem->trigger();
        QCOMPARE(MainForm->activeDocument(), opened);

        MainForm->ClientArea->activate(console);
        const QStringList boxes = compile(recorder);
        QCOMPARE(boxes.value(0), u'"' + app->caption() + "\" done compiling.");
    }

    // A document never saved is named before it is compiled: its public class's file name is
    // proposed in the folder last used, a name typed without suffix gets ".java", and Cancel
    // ends the command with nothing written.
    void newDocumentIsNamedBeforeCompiling_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("named") << false;
        QTest::newRow("cancelled") << true;
    }

    void newDocumentIsNamedBeforeCompiling()
    {
        QFETCH(bool, cancel);
        ShownSession session;
        QVERIFY(useRealCompiler());
        const QString folder = QDir(session.dir()).canonicalPath() + "/work";
        QDir().mkpath(folder);
        MainForm->FileNewItem->trigger();
        chooseFile(folder + "/notes.txt");
        MainForm->FileSaveAsItem->trigger();
        QVERIFY(allModalsHandled());
        TMDIChild *document = newDocument();
        document->RichEdit1->setText("public class Hello { }\n");
        const QString caption = document->caption();
        auto visit = chooseFile(cancel ? QString() : QStringLiteral("Hello"));
        BoxRecorder recorder;
        MainForm->CompileItem->trigger();
        QVERIFY(allModalsHandled());
        QCOMPARE(visit->shownName, QStringLiteral("Hello.java"));
        QCOMPARE(visit->directory, folder);
        if (cancel) {
            QCOMPARE(document->caption(), caption);
            QVERIFY(!outputWindowOf(document));
            QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{"notes.txt"});
            QVERIFY(QDir(session.dir()).entryList({"NONAME*"}).isEmpty());
            return;
        }
        QCOMPARE(document->caption(), folder + "/Hello.java");
        QTRY_COMPARE_WITH_TIMEOUT(recorder.boxes.size(), 1, 120000);
        QCOMPARE(recorder.texts().at(0), "\"" + folder + "/Hello.java\" done compiling.");
        QVERIFY(QFile::exists(folder + "/Hello.class"));
    }

    // Compile and Run, from the button after Stop, runs a program that compiles without the
    // compile's report; one that does not compile ends with the report and runs nothing.
    void compileAndRunRunsWhatCompiles_data()
    {
        QTest::addColumn<bool>("broken");
        QTest::newRow("good") << false;
        QTest::newRow("broken") << true;
    }

    void compileAndRunRunsWhatCompiles()
    {
        QFETCH(bool, broken);
        ShownSession session;
        QVERIFY(useRealCompiler());
        CompileOptForm->FillInInstalledCompiler();
        writeProgram(session.dir(), PackageProgram);
        if (broken)
            writeFile(session.file("src/shop/Util.java"), "package shop;\nclass Util { }\n");
        MainForm->OpenDocument(session.file("src/shop/App.java"), true);
        TMDIChild *document = MainForm->activeDocument();
        BoxRecorder recorder;
        MainForm->CompileAndRunBtn->click();
        if (!broken) {
            QVERIFY(consoleShows(document, "hi \n"));
            QVERIFY(recorder.boxes.isEmpty());
            QTRY_VERIFY(!outputWindowOf(document));
            return;
        }
        QTRY_COMPARE_WITH_TIMEOUT(recorder.countContaining("done compiling.\n\nPossible errors!"),
                                  1, 120000);
        QVERIFY(outputWindowOf(document));
        QVERIFY(!runWindowOf(document));
        // From the output window, once the other file is mended, it runs its document.
        writeProgram(session.dir(), PackageProgram);
        MainForm->ClientArea->activate(outputWindowOf(document));
        MainForm->CompileAndRunItem->trigger();
        QVERIFY(consoleShows(document, "hi \n"));
    }

    // Other modified files of the program are offered for saving in one question before the
    // compile; Yes saves them, so the compiler reads the fix.
    void otherModifiedFilesAreOffered()
    {
        ShownSession session;
        QVERIFY(useRealCompiler());
        writeProgram(session.dir(), PackageProgram);
        writeFile(session.file("src/shop/Util.java"), "package shop;\nclass Util { broken }\n");
        MainForm->OpenDocument(session.file("src/shop/Util.java"), true);
        MainForm->activeDocument()->RichEdit1->setText(PackageProgram[3].toUtf8());
        MainForm->OpenDocument(session.file("src/shop/App.java"), true);
        BoxRecorder recorder;
        recorder.chooseButton = [](const BoxInfo &) { return QStringLiteral("&Yes"); };
        const QStringList boxes = compile(recorder);
        QCOMPARE(boxes.value(0), "These files of the same program have been modified:\n    "
                                     + session.file("src/shop/Util.java")
                                     + "\n\nSave them before compiling?");
        QTRY_COMPARE_WITH_TIMEOUT(recorder.boxes.size(), 2, 120000);
        QVERIFY(recorder.texts().at(1).endsWith("App.java\" done compiling."));
        QCOMPARE(readFile(session.file("src/shop/Util.java")), PackageProgram[3].toUtf8());
    }
};

QTEST_MAIN(tst_Programs)
#include "tst_programs.moc"
