#include "compiletesting.h"

#include "platform/textcontrol.h"
#include "toolchain/runconsole.h"

#include <QInputDialog>
#include <QPlainTextEdit>
#include <QTest>

using namespace testutil;
using namespace compiletesting;

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
                return document->RunWindow
                       && document->RunWindow->Output->toPlainText().contains(text);
            },
            60000);
    }

private slots:
    void init()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("javac")).isEmpty()
            || QStandardPaths::findExecutable(QStringLiteral("java")).isEmpty())
            QSKIP("the Java kit is not installed");
    }

    void cleanup() { QVERIFY(unexpectedModals().isEmpty()); }

    // A class using another one beside it compiles with the workbench started elsewhere.
    void siblingClassesAreFound()
    {
        Session session;
        session.show();
        QVERIFY(useRealCompiler());
        writeProgram(session.dir(),
                     {"prog/Main.java",
                      "public class Main { public static void main(String[] a) { Helper.help(); } }\n",
                      "prog/Helper.java", "class Helper { static void help() {} }\n"});
        QDir::setCurrent(session.dir());
        MainForm->OpenDocument(session.file("prog/Main.java"), true);
        BoxRecorder recorder;
        const QString quotedName = u'"' + session.file("prog/Main.java") + u'"';
        QCOMPARE(compile(recorder), QStringList{quotedName + " done compiling."});
        QVERIFY(QFile::exists(session.file("prog/Helper.class")));
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
        Session session;
        session.show();
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
        QCOMPARE(document->RunWindow->ClassName, QStringLiteral("shop.App"));
    }

    // Arguments given once are split as typed, reach the program, and are used again by the
    // next run, also from the run window.
    void argumentsReachTheProgram()
    {
        Session session;
        session.show();
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
        QTRY_VERIFY_WITH_TIMEOUT(document->RunWindow->hasEnded(), 60000);
        const QPointer<TRunConsoleForm> first = document->RunWindow;
        MainForm->InterpreterItem->trigger();
        QTRY_VERIFY(!first);
        QVERIFY(consoleShows(document, "hi tinyW.txt,two words\n"));
    }

    // Other modified files of the program are offered for saving in one question before the
    // compile; Yes saves them, so the compiler reads the fix.
    void otherModifiedFilesAreOffered()
    {
        Session session;
        session.show();
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
