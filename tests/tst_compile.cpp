#include "testutil.h"

#include "app/DocumentTools.h"
#include "platform/arguments.h"
#include "platform/process.h"
#include "platform/textcontrol.h"

#include <QAction>
#include <QCheckBox>
#include <QToolButton>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <vector>

using namespace testutil;

namespace {

const QByteArray DocumentText = "class Demo {}\n";

QString quoted(const QString &text)
{
    return u'"' + text + u'"';
}

QStringList logLines(const QString &path)
{
    QStringList lines = QString::fromUtf8(readFile(path)).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

int openDescriptorCount()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot).size());
}

// Leaves exactly `free` descriptor numbers that the process may still open, until destroyed.
class DescriptorSqueeze
{
public:
    explicit DescriptorSqueeze(int free)
    {
        ::getrlimit(RLIMIT_NOFILE, &m_old);
        int highest = 0;
        for (const QString &entry : QDir(QStringLiteral("/proc/self/fd")).entryList())
            highest = std::max(highest, entry.toInt());
        rlimit tight = m_old;
        tight.rlim_cur = rlim_t(highest + 64);
        ::setrlimit(RLIMIT_NOFILE, &tight);
        for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;)
            m_fillers.push_back(fd);
        for (int i = 0; i < free && !m_fillers.empty(); ++i) {
            ::close(m_fillers.back());
            m_fillers.pop_back();
        }
    }
    ~DescriptorSqueeze()
    {
        for (int fd : m_fillers)
            ::close(fd);
        ::setrlimit(RLIMIT_NOFILE, &m_old);
    }

private:
    rlimit m_old{};
    std::vector<int> m_fillers;
};

struct KillOnExit
{
    qint64 pid = -1;
    ~KillOnExit() { qv::killProcess(pid); }
};

// Compiles the active document with the stand-in compiler in a mode that never ends; returns
// the compiler's process id (which also names its process group) once it runs, -1 if it
// does not.
qint64 compileNeverEnding(const Session &session, const QByteArray &mode)
{
    const QString pidFile = session.file(QStringLiteral("pid"));
    QFile::remove(pidFile);
    qputenv("QV_FAKE_JAVAC", mode);
    qputenv("QV_FAKE_JAVAC_PID", QFile::encodeName(pidFile));
    MainForm->CompileItem->trigger();
    if (!QTest::qWaitFor([&] { return QFile::exists(pidFile); }, 20000))
        return -1;
    return readFile(pidFile).trimmed().toLongLong();
}

} // namespace

class tst_Compile : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        for (const char *name : {"QV_FAKE_JAVAC", "QV_FAKE_JAVAC_LOG", "QV_FAKE_JAVAC_PID"})
            qunsetenv(name);
        QCOMPARE(RunningReaders, 0);
        QVERIFY(unexpectedModals().isEmpty());
    }

    void nothingToCompileWithoutADocumentWindow_data()
    {
        QTest::addColumn<bool>("outputActive");
        QTest::newRow("no child window") << false;
        QTest::newRow("output window active") << true;
    }
    void nothingToCompileWithoutADocumentWindow()
    {
        QFETCH(bool, outputActive);
        ShownSession session;
        if (outputActive) {
            MainForm->FileNewItem->trigger();
            MainForm->ClientArea->addChild(new TCompOutForm);
        }
        const int children = MainForm->ClientArea->childCount();
        auto box = answerBox();
        // Without a child window the command is disabled; its handler still copes.
        if (outputActive)
            MainForm->CompileItem->trigger();
        else
            MainForm->CompileItemClick();
        QVERIFY(allModalsHandled());
        QCOMPARE(box->text, QStringLiteral("Nothing to compile!"));
        QCOMPARE(box->caption, QStringLiteral("Quorvel"));
        QCOMPARE(box->icon, QMessageBox::NoIcon);
        QCOMPARE(box->buttons, QStringList{"OK"});
        QCOMPARE(MainForm->ClientArea->childCount(), children);
    }

    // A second compile after a report with possible errors: the save question decides what
    // the compiler reads, and the old output window gives way to the new one unless the
    // question is cancelled.
    void saveQuestionBeforeCompilingAgain_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::newRow("yes saves, then compiles") << "&Yes";
        QTest::newRow("no compiles the file on disk") << "&No";
        QTest::newRow("cancel changes nothing") << "Cancel";
    }
    void saveQuestionBeforeCompilingAgain()
    {
        QFETCH(QString, answer);
        ShownSession session;
        useFakeCompiler(session);
        qputenv("QV_FAKE_JAVAC", "stdout:1 error\\n");
        const QString log = session.file(QStringLiteral("log"));
        qputenv("QV_FAKE_JAVAC_LOG", QFile::encodeName(log));
        const QString name = session.file(QStringLiteral("Again.java"));
        TMDIChild *document = openSavedDocument(name, "old");
        BoxRecorder recorder;
        recorder.chooseButton = [answer](const BoxInfo &box) {
            return box.caption == QStringLiteral("Confirm") ? answer : QStringLiteral("OK");
        };
        MainForm->CompileItem->trigger();
        const QPointer<TCompOutForm> first = outputWindowOf(document);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.boxes.size(), 1, 20000);
        QVERIFY(first);

        QFile::remove(log);
        document->RichEdit1->setText("new");
        QVERIFY(document->RichEdit1->modified());
        MainForm->ClientArea->activate(document);
        MainForm->CompileBtn->click();
        QCOMPARE(recorder.boxes.size(), 2);
        const BoxInfo question = recorder.boxes.at(1);
        QCOMPARE(question.text, name + " has been modified.  Save changes before compiling?");
        QCOMPARE(question.icon, QMessageBox::Question);
        QStringList buttons = question.buttons;
        buttons.sort();
        QCOMPARE(buttons, QStringList({"&No", "&Yes", "Cancel"}));

        if (answer == QStringLiteral("Cancel")) {
            QVERIFY(first);
            QVERIFY(outputWindowOf(document) == first);
            QVERIFY(!QFile::exists(log));
            QCOMPARE(readFile(name), QByteArray("old"));
            QVERIFY(document->RichEdit1->modified());
            QCOMPARE(RunningReaders, 0);
            return;
        }
        QTRY_VERIFY(!first);
        TCompOutForm *second = outputWindowOf(document);
        QVERIFY(second);
        QCOMPARE(second->caption(), "Compiling " + quoted(name) + " ...");
        QCOMPARE(MainForm->ClientArea->childCount(), 2);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.boxes.size(), 3, 20000);
        QCOMPARE(readFile(name), QByteArray(answer == QStringLiteral("&Yes") ? "new" : "old"));
        QCOMPARE(document->RichEdit1->modified(), answer == QStringLiteral("&No"));
        QCOMPARE(logLines(log).value(3), name);
    }

    // The compiler receives exactly its path, the option words, the source path and the file
    // name, in the workbench's current directory, with nothing but the three standard
    // descriptors.
    void compilerGetsExactArguments_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("classPath");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<bool>("trailingSlash");
        QTest::addColumn<QStringList>("options");
        const QStringList none;
        const QStringList flagAndPath{"-g", "-classpath", "lib:."};
        QTest::newRow("full path, no options") << "@dir/Plain.java"
                                               << "@dir/Plain.java" << "" << "" << false << none;
        QTest::newRow("options, directory ending in slash")
            << "@dir/Flags.java" << "@dir/Flags.java" << "lib:." << "" << true << flagAndPath;
        QTest::newRow("blanks and quotes") << "@dir/my \"odd\" name.java"
                                           << "@dir/my \"odd\" name.java" << "" << "" << false
                                           << none;
        QTest::newRow("leading dash") << "-d.java"
                                      << "./-d.java" << "lib:." << "" << false << flagAndPath;
        QTest::newRow("leading at") << "@opts"
                                    << "./@opts" << "" << "" << false << none;
        QTest::newRow("output folder and class path with blanks")
            << "@dir/Out.java" << "@dir/Out.java" << "my libs:lib2" << "my classes" << false
            << QStringList{"-g", "-d", "my classes", "-classpath", "my libs:lib2"};
    }
    void compilerGetsExactArguments()
    {
        QFETCH(QString, caption);
        QFETCH(QString, argument);
        QFETCH(QString, classPath);
        QFETCH(QString, folder);
        QFETCH(bool, trailingSlash);
        QFETCH(QStringList, options);
        ShownSession session;
        QDir::setCurrent(session.dir());
        const QString bin = useFakeCompiler(session);
        if (trailingSlash)
            CompileOptForm->JavaPath->setText(bin + u'/');
        CompileOptForm->CheckBox1->setChecked(!classPath.isEmpty());
        CompileOptForm->ClassPath->setText(classPath);
        CompileOptForm->DirectoryPath->setText(folder);
        const QString log = session.file(QStringLiteral("log"));
        qputenv("QV_FAKE_JAVAC_LOG", QFile::encodeName(log));
        caption.replace(QStringLiteral("@dir"), session.dir());
        argument.replace(QStringLiteral("@dir"), session.dir());
        TMDIChild *document = openSavedDocument(caption, DocumentText);
        QCOMPARE(document->caption(), caption);

        BoxRecorder recorder;
        MainForm->CompileItem->trigger();
        const QPointer<TCompOutForm> output = outputWindowOf(document);
        QVERIFY(output);
        QCOMPARE(MainForm->activeChild(), output.data());
        QCOMPARE(output->caption(), "Compiling " + quoted(caption) + " ...");
        QCOMPARE(output->CompiledFile, quoted(caption));
        QCOMPARE(RunningReaders, 2);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.texts(),
                                  QStringList{quoted(caption) + " done compiling."}, 20000);
        QTRY_VERIFY(!output);

        // The log holds the working directory, the arguments after the program, and the
        // open descriptors.
        QStringList expected{session.dir()};
        expected << options << QStringLiteral("-sourcepath") << session.dir() << argument << QStringLiteral("0 1 2");
        QCOMPARE(logLines(log), expected);
        // The options as shown keep their one line of words.
        QCOMPARE(MainForm->BuildCompilerOptions(), options.join(u' '));
    }

    void compilerThatCannotStartLeavesNoWindow_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::newRow("missing directory") << "missing";
        QTest::newRow("empty compiler directory") << "empty";
        QTest::newRow("directory named javac") << "directory";
        QTest::newRow("not executable") << "plain file";
    }
    void compilerThatCannotStartLeavesNoWindow()
    {
        QFETCH(QString, setup);
        ShownSession session;
        const QString bin = session.file(QStringLiteral("bin"));
        QDir().mkpath(bin);
        CompileOptForm->JavaPath->setText(bin);
        if (setup == QStringLiteral("missing")) {
            CompileOptForm->JavaPath->setText(session.file(QStringLiteral("nowhere")));
        } else if (setup == QStringLiteral("empty")) {
            if (QFileInfo::exists(QStringLiteral("/javac")))
                QSKIP("this machine has a /javac");
            CompileOptForm->JavaPath->setText(QString());
        } else if (setup == QStringLiteral("directory")) {
            QDir().mkpath(bin + QStringLiteral("/javac"));
        } else {
            writeFile(bin + QStringLiteral("/javac"), "#!/bin/sh\necho error\n");
        }
        TMDIChild *document = openSavedDocument(session.file("Never.java"), DocumentText);
        const int descriptors = openDescriptorCount();
        auto box = answerBox();
        MainForm->CompileItem->trigger();
        QVERIFY(allModalsHandled());
        QCOMPARE(box->text, QStringLiteral("CreateProcess failed."));
        QCOMPARE(box->caption, QStringLiteral("Quorvel"));
        QCOMPARE(box->icon, QMessageBox::Critical);
        QCOMPARE(RunningReaders, 0);
        QVERIFY(!outputWindowOf(document));
        QCOMPARE(MainForm->ClientArea->childCount(), 1);
        QCOMPARE(document->findChildren<TCompOutForm *>().size(), 0);
        QCOMPARE(openDescriptorCount(), descriptors);
    }

    void pipeThatCannotBeCreatedIsReported_data()
    {
        QTest::addColumn<int>("freeDescriptors");
        QTest::addColumn<QString>("message");
        QTest::newRow("output pipe") << 1 << "Error Creating output pipe";
        QTest::newRow("error pipe") << 3 << "Error Creating error pipe";
    }
    void pipeThatCannotBeCreatedIsReported()
    {
        QFETCH(int, freeDescriptors);
        QFETCH(QString, message);
        ShownSession session;
        useFakeCompiler(session);
        TMDIChild *document = openSavedDocument(session.file("Pipes.java"), DocumentText);
        // Whatever the windows load once (fonts, styles) is loaded before the squeeze.
        delete new TCompOutForm;
        const int descriptors = openDescriptorCount();
        auto plain = answerBox();
        auto error = answerBox();
        {
            DescriptorSqueeze squeeze(freeDescriptors);
            MainForm->CompileItem->trigger();
        }
        QVERIFY(allModalsHandled());
        QCOMPARE(plain->text, message);
        QCOMPARE(plain->icon, QMessageBox::NoIcon);
        QCOMPARE(error->text, QStringLiteral("."));
        QCOMPARE(error->icon, QMessageBox::Critical);
        QCOMPARE(RunningReaders, 0);
        QVERIFY(!outputWindowOf(document));
        QCOMPARE(MainForm->ClientArea->childCount(), 1);
        QCOMPARE(openDescriptorCount(), descriptors);
    }

    // While a compiler runs, closing its window, its document or the main window asks whether
    // to stop it; No and Cancel keep everything running. Further compiles run beside it,
    // each with its own report; a running previous window stays in place.
    void runningCompileAsksBeforeClosingAndRunsBesideOtherCompiles()
    {
        ShownSession session;
        const QString bin = useFakeCompiler(session);
        const QString nameA = session.file(QStringLiteral("A.java"));
        const QString nameB = session.file(QStringLiteral("B.java"));
        TMDIChild *documentB = openSavedDocument(nameB, DocumentText);
        TMDIChild *documentA = openSavedDocument(nameA, DocumentText);
        BoxRecorder recorder;
        int questions = 0;
        recorder.chooseButton = [&questions](const BoxInfo &box) {
            if (box.caption != QStringLiteral("Confirm"))
                return QStringLiteral("OK");
            return ++questions % 2 ? QStringLiteral("&No") : QStringLiteral("Cancel");
        };
        KillOnExit hanging{compileNeverEnding(session, "hang")};
        const QPointer<TCompOutForm> hung = outputWindowOf(documentA);
        QVERIFY(hung);
        QVERIFY(hanging.pid > 0);
        QCOMPARE(RunningReaders, 2);

        MainForm->FileCloseItem->trigger();
        MainForm->ClientArea->activate(documentA);
        MainForm->FileCloseItem->trigger();
        QVERIFY(!MainForm->close());
        QVERIFY(hung);
        QCOMPARE(MainForm->ClientArea->childCount(), 3);
        QVERIFY(MainForm->isVisible());
        const QString question = "Still compiling " + quoted(nameA)
                                 + ".  Stop the compiler and close?";
        QCOMPARE(recorder.texts(), QStringList(3, question));
        QCOMPARE(recorder.boxes.at(0).icon, QMessageBox::Question);
        QCOMPARE(::kill(pid_t(hanging.pid), 0), 0);
        recorder.boxes.clear();

        // The same document again: the running window stays, a new one takes its place.
        qputenv("QV_FAKE_JAVAC", "stdout:1 error\\n");
        MainForm->ClientArea->activate(documentA);
        MainForm->CompileItem->trigger();
        const QPointer<TCompOutForm> again = outputWindowOf(documentA);
        QVERIFY(again && again != hung);
        QCOMPARE(RunningReaders, 4);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.boxes.size(), 1, 20000);
        const QString report = quoted(nameA) + " done compiling.\n\nPossible errors!";
        QCOMPARE(recorder.boxes.at(0).text, report);
        QCOMPARE(RunningReaders, 2);
        QCOMPARE(again->caption(), quoted(nameA) + " done compiling.Possible errors!");
        QCOMPARE(hung->caption(), "Compiling " + quoted(nameA) + " ...");

        // Another document: its window reports and closes itself while the first still runs.
        qputenv("QV_FAKE_JAVAC", "silent");
        MainForm->ClientArea->activate(documentB);
        MainForm->CompileBtn->click();
        const QPointer<TCompOutForm> other = outputWindowOf(documentB);
        QVERIFY(other);
        QTRY_COMPARE_WITH_TIMEOUT(recorder.boxes.size(), 2, 20000);
        QCOMPARE(recorder.boxes.at(1).text, quoted(nameB) + " done compiling.");
        QTRY_VERIFY(!other);
        QVERIFY(!outputWindowOf(documentB));

        // A failed start: the finished previous window has closed all the same.
        CompileOptForm->JavaPath->setText(session.file(QStringLiteral("nowhere")));
        MainForm->ClientArea->activate(documentA);
        MainForm->CompileItem->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(recorder.boxes.size(), 3, 20000);
        QCOMPARE(recorder.boxes.at(2).text, QStringLiteral("CreateProcess failed."));
        QTRY_VERIFY(!again);
        QVERIFY(!outputWindowOf(documentA));
        CompileOptForm->JavaPath->setText(bin);

        // A compiler killed by a signal has not compiled cleanly, though it wrote nothing.
        QVERIFY(qv::killProcess(hanging.pid));
        hanging.pid = -1;
        QTRY_COMPARE_WITH_TIMEOUT(recorder.boxes.size(), 4, 20000);
        QCOMPARE(recorder.boxes.at(3).text, report);
        QCOMPARE(RunningReaders, 0);
        QVERIFY(hung);
        QCOMPARE(hung->caption(), quoted(nameA) + " done compiling.Possible errors!");
        MainForm->ClientArea->activate(hung);
        MainForm->FileCloseItem->trigger();
        QTRY_VERIFY(!hung);
        QCOMPARE(recorder.boxes.size(), 4);
    }

    // Yes to the question stops the compiler with its whole process group, and the window
    // closes: the output window itself, the document that owns it, or the main window.
    void closingWhileCompilingStopsOnYes_data()
    {
        QTest::addColumn<QString>("closed");
        QTest::newRow("output window") << "output";
        QTest::newRow("document") << "document";
        QTest::newRow("main window") << "main";
    }
    void closingWhileCompilingStopsOnYes()
    {
        QFETCH(QString, closed);
        ShownSession session;
        useFakeCompiler(session);
        TMDIChild *document = openSavedDocument(session.file("Stop.java"), DocumentText);
        BoxRecorder recorder;
        recorder.chooseButton = [](const BoxInfo &) { return QStringLiteral("&Yes"); };
        KillOnExit hanging{compileNeverEnding(session, "hang")};
        const QPointer<TCompOutForm> output = outputWindowOf(document);
        QVERIFY(hanging.pid > 0);

        if (closed == QStringLiteral("main")) {
            QVERIFY(MainForm->close());
            QVERIFY(!MainForm->isVisible());
        } else {
            MainForm->ClientArea->activate(closed == QStringLiteral("output")
                                               ? static_cast<QWidget *>(output)
                                               : document);
            MainForm->FileCloseItem->trigger();
            QTRY_VERIFY(!output);
        }
        QCOMPARE(recorder.boxes.size(), 1);
        QCOMPARE(recorder.boxes.at(0).caption, QStringLiteral("Confirm"));
        QTRY_VERIFY_WITH_TIMEOUT(!processGroupExists(hanging.pid), 20000);
        hanging.pid = -1;
        QTRY_COMPARE_WITH_TIMEOUT(RunningReaders, 0, 20000);
        // Only the one question (the closed main window's children live on until the end).
        QCOMPARE(recorder.countContaining(QStringLiteral("Stop the compiler")), 1);
    }

    // Stop ends the compile of the active document or output window: SIGTERM to its process
    // group, SIGKILL to a compiler that ignores it; the report then warns of possible errors.
    void stopEndsTheCompilerAndItsGroup_data()
    {
        QTest::addColumn<QByteArray>("mode");
        QTest::addColumn<bool>("fromDocument");
        QTest::newRow("ends on SIGTERM, document active") << QByteArray("hang") << true;
        QTest::newRow("ignores SIGTERM, output window active") << QByteArray("stubborn") << false;
    }
    void stopEndsTheCompilerAndItsGroup()
    {
        QFETCH(QByteArray, mode);
        QFETCH(bool, fromDocument);
        ShownSession session;
        useFakeCompiler(session);
        const QString name = session.file(QStringLiteral("Stop.java"));
        TMDIChild *document = openSavedDocument(name, DocumentText);
        BoxRecorder recorder;
        KillOnExit hanging{compileNeverEnding(session, mode)};
        const QPointer<TCompOutForm> output = outputWindowOf(document);
        QVERIFY(hanging.pid > 0);
        if (fromDocument) {
            MainForm->ClientArea->activate(document);
            MainForm->StopItem->trigger();
        } else {
            MainForm->StopBtn->click();
        }
        QTRY_COMPARE_WITH_TIMEOUT(recorder.boxes.size(), 1, 20000);
        QCOMPARE(recorder.boxes.at(0).text,
                 quoted(name) + " done compiling.\n\nPossible errors!");
        QVERIFY(!processGroupExists(hanging.pid));
        hanging.pid = -1;
        QVERIFY(output);
        QCOMPARE(output->caption(), quoted(name) + " done compiling.Possible errors!");
    }

    // The real compiler, end to end: a correct class, a syntax error, and a file that was
    // deleted after it was opened.
    void realCompiler_data()
    {
        QTest::addColumn<QByteArray>("source");
        QTest::addColumn<bool>("deleteFile");
        QTest::addColumn<bool>("possibleErrors");
        QTest::addColumn<QString>("shown");
        QTest::newRow("correct class")
            << QByteArray("public class Hello {\n    public static void main(String[] a) {\n"
                          "        System.out.println(\"hi\");\n    }\n}\n")
            << false << false << QString();
        QTest::newRow("syntax error")
            << QByteArray("public class Hello {\n    int x = 1\n}\n") << false << true
            << QStringLiteral("@file:2: error: ';' expected");
        QTest::newRow("deleted file") << QByteArray("public class Hello {}\n") << true << true
                                      << QStringLiteral("error: file not found: @file");
    }
    void realCompiler()
    {
        QFETCH(QByteArray, source);
        QFETCH(bool, deleteFile);
        QFETCH(bool, possibleErrors);
        QFETCH(QString, shown);
        ShownSession session;
        if (!useRealCompiler())
            QSKIP("no javac on PATH");
        const QString name = session.file(QStringLiteral("Hello.java"));
        TMDIChild *document = openSavedDocument(name, source);
        if (deleteFile)
            QFile::remove(name);
        BoxRecorder recorder;
        if (possibleErrors)
            MainForm->CompileBtn->click();
        else
            MainForm->CompileItem->trigger();
        const QPointer<TCompOutForm> output = outputWindowOf(document);
        QVERIFY(output);
        QVERIFY(recorder.waitForReports());
        const QString report = recorder.boxes.last().text;
        QCOMPARE(RunningReaders, 0);
        if (!possibleErrors) {
            QCOMPARE(report, quoted(name) + " done compiling.");
            QCOMPARE(recorder.boxes.size(), 1);
            QTRY_VERIFY(!output);
            QVERIFY(QFile::exists(session.file(QStringLiteral("Hello.class"))));
            return;
        }
        QCOMPARE(report, quoted(name) + " done compiling.\n\nPossible errors!");
        // The diagnostics came on standard error, a box per chunk, and stay in the window.
        QVERIFY(recorder.boxes.size() >= 2);
        QVERIFY(output);
        const QString text = QString::fromUtf8(output->RichEdit1->text());
        QVERIFY2(text.contains(shown.replace(QStringLiteral("@file"), name)), qPrintable(text));
        QCOMPARE(output->caption(), quoted(name) + " done compiling.Possible errors!");
        QVERIFY(!QFile::exists(session.file(QStringLiteral("Hello.class"))));
    }
};

QTEST_MAIN(tst_Compile)
#include "tst_compile.moc"
