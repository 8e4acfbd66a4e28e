#include "testutil.h"

#include "app/MainForm.h"
#include "app/Tools.h"
#include "editor/Childwin.h"
#include "platform/textcontrol.h"
#include "toolchain/Compopt.h"

#include <QAction>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QToolButton>

using namespace testutil;

namespace {

const QString Recorder = QStringLiteral(QUORVEL_TESTTOOLS "/recorder");

// The recorder's record: working directory, then the arguments (the last two lines are its
// descriptors and its session state).
QStringList recordedRun(const QString &record)
{
    QStringList lines = QString::fromUtf8(readFile(record)).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines.mid(0, lines.size() - 2);
}

// Starts the browser setting (the recorder) on the active document and waits for its run to
// end; a run started before it has had its chance to show.
void witnessRunEnds(const Session &session)
{
    const QString witness = session.file(QStringLiteral("witness.txt"));
    qputenv("QV_RECORD", QFile::encodeName(witness));
    CompileOptForm->BrowserPath->setText(Recorder);
    MainForm->BrowserItem->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(witness), 20000);
}

} // namespace

class tst_Tools : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        qunsetenv("QV_RECORD");
        QVERIFY(unexpectedModals().isEmpty());
    }

    void captionParts_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("directory");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("className");
        QTest::newRow("page") << "/work/Hello.html" << "/work/" << "Hello.html" << "Hello";
        QTest::newRow("root") << "/Hello.html" << "/" << "Hello.html" << "Hello";
        QTest::newRow("no extension") << "/work/Hello" << "/work/" << "Hello" << "Hello";
        QTest::newRow("several dots") << "/work/Hello.old.java" << "/work/" << "Hello.old.java"
                                      << "Hello.old";
        QTest::newRow("new document") << "NONAME1" << "" << "NONAME1" << "NONAME1";
        QTest::newRow("colon is ordinary") << "/a:b/c.d/E.java" << "/a:b/c.d/" << "E.java"
                                           << "E";
        QTest::newRow("dot directory") << "./.hidden" << "./" << ".hidden" << "";
    }
    void captionParts()
    {
        QFETCH(QString, caption);
        QFETCH(QString, directory);
        QFETCH(QString, file);
        QFETCH(QString, className);
        QCOMPARE(captionDirectory(caption), directory);
        QCOMPARE(captionFileName(caption), file);
        QCOMPARE(captionClassName(caption), className);
    }

    // The page reaches the browser as one argument, however its name looks, and the browser
    // runs in the page's folder; no shell ever sees the name, and it is never an option or an
    // argument file.
    void browserGetsThePageNameInItsFolder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("argument");
        QTest::newRow("blank") << "My Page.html" << "My Page.html";
        QTest::newRow("semicolon") << "a;rm -rf x.html" << "a;rm -rf x.html";
        QTest::newRow("command substitution") << "$(touch y).html" << "$(touch y).html";
        QTest::newRow("leading dash") << "-x.html" << "./-x.html";
        QTest::newRow("leading at") << "@args" << "./@args";
        QTest::newRow("quote") << "say \"hi\".html" << "say \"hi\".html";
    }
    void browserGetsThePageNameInItsFolder()
    {
        QFETCH(QString, name);
        QFETCH(QString, argument);
        ShownSession session;
        const QString record = session.file(QStringLiteral("record.txt"));
        qputenv("QV_RECORD", QFile::encodeName(record));
        const QString folder = session.file(QStringLiteral("pages"));
        QDir().mkpath(folder);
        writeFile(folder + u'/' + name, "<html></html>");
        CompileOptForm->BrowserPath->setText(Recorder);
        const QString before = QDir::currentPath();
        MainForm->OpenDocument(folder + u'/' + name, true);
        MainForm->BrowserBtn->click();
        QCOMPARE(QDir::currentPath(), before);
        QTRY_VERIFY(QFile::exists(record));
        QCOMPARE(recordedRun(record), QStringList({folder, argument}));
        QVERIFY(!QFile::exists(folder + QStringLiteral("/y")));
        QVERIFY(!QFile::exists(before + QStringLiteral("/y")));
    }

    // The setting is split into words; the class name is never an option or argument file.
    void interpreterGetsSettingWordsAndClassName_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("argument");
        QTest::newRow("class") << "Hello.java" << "Hello";
        QTest::newRow("leading dash") << "-version.java" << "./-version";
        QTest::newRow("leading at") << "@args.java" << "./@args";
    }
    void interpreterGetsSettingWordsAndClassName()
    {
        QFETCH(QString, file);
        QFETCH(QString, argument);
        ShownSession session;
        const QString record = session.file(QStringLiteral("record.txt"));
        qputenv("QV_RECORD", QFile::encodeName(record));
        writeFile(session.file(file), "class Hello {}");
        CompileOptForm->Interpreter->setText(u'"' + Recorder + QStringLiteral("\" -cp ."));
        MainForm->OpenDocument(session.file(file), true);
        MainForm->InterpreterItem->trigger();
        QTRY_VERIFY(QFile::exists(record));
        QCOMPARE(recordedRun(record),
                 QStringList({QDir(session.dir()).canonicalPath(), "-cp", ".", argument}));
    }

    // A caption that holds no folder cannot be made current: the error box, nothing started.
    void captionWithoutFolderStartsNothing_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("message");
        QTest::newRow("new document") << "" << "File not found.";
        QTest::newRow("missing folder") << "/no/such/folder/A.java" << "File not found.";
        QTest::newRow("output window caption")
            << "Compiling \"/tmp/x/A.java\" ..." << "File not found.";
    }
    void captionWithoutFolderStartsNothing()
    {
        QFETCH(QString, caption);
        QFETCH(QString, message);
        ShownSession session;
        const QString record = session.file(QStringLiteral("record.txt"));
        qputenv("QV_RECORD", QFile::encodeName(record));
        CompileOptForm->BrowserPath->setText(Recorder);
        CompileOptForm->Interpreter->setText(Recorder);
        MainForm->FileNewItem->trigger();
        if (!caption.isEmpty())
            MainForm->activeDocument()->setCaption(caption);
        const QString before = QDir::currentPath();
        for (QAction *command : {MainForm->BrowserItem, MainForm->InterpreterItem}) {
            auto box = answerBox();
            command->trigger();
            QVERIFY(allModalsHandled());
            QCOMPARE(box->text, message);
            QCOMPARE(box->icon, QMessageBox::Critical);
            QCOMPARE(box->caption, QStringLiteral("Quorvel"));
        }
        QCOMPARE(QDir::currentPath(), before);
        // A run that is started afterwards has ended, and nothing was started before it.
        writeFile(session.file(QStringLiteral("page.html")), "<html></html>");
        MainForm->activeDocument()->setCaption(session.file(QStringLiteral("page.html")));
        witnessRunEnds(session);
        QVERIFY(!QTest::currentTestFailed());
        QVERIFY(!QFile::exists(record));
    }

    // An empty setting starts nothing rather than taking the document for a program.
    void emptySettingStartsNothing()
    {
        ShownSession session;
        const QString page = session.file(QStringLiteral("page.html"));
        writeFile(page, "#!/bin/sh\ntouch started\n");
        QFile::setPermissions(page, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        CompileOptForm->BrowserPath->setText(QString());
        MainForm->OpenDocument(page, true);
        MainForm->BrowserItem->trigger();
        witnessRunEnds(session);
        QVERIFY(!QTest::currentTestFailed());
        QVERIFY(!QFile::exists(session.file(QStringLiteral("started"))));
    }

    // Interpreter runs what is on disk, and says when that is not the document's code.
    void interpreterSaysWhenTheClassIsStale_data()
    {
        QTest::addColumn<int>("classAge"); // seconds older than the source; -1: no class
        QTest::addColumn<bool>("modified");
        QTest::addColumn<QString>("note");
        QTest::newRow("never compiled") << -1 << false
                                        << "Hello.class was not found: Ctrl+R compiles and runs";
        QTest::newRow("older class") << 60 << false
                                     << "Hello.class is older than Hello.java: Ctrl+R compiles "
                                        "and runs";
        QTest::newRow("modified document")
            << -60 << true << "Hello.java has been modified since it was saved: Ctrl+R "
                              "compiles and runs";
        QTest::newRow("up to date") << -60 << false << "";
    }
    void interpreterSaysWhenTheClassIsStale()
    {
        QFETCH(int, classAge);
        QFETCH(bool, modified);
        QFETCH(QString, note);
        ShownSession session;
        qputenv("QV_RECORD", QFile::encodeName(session.file(QStringLiteral("record.txt"))));
        const QString source = session.file(QStringLiteral("Hello.java"));
        writeFile(source, "public class Hello {}\n");
        if (classAge != -1) {
            QFile compiled(session.file(QStringLiteral("Hello.class")));
            QVERIFY(compiled.open(QIODevice::WriteOnly));
            const QDateTime sourceTime = QFileInfo(source).lastModified();
            QVERIFY(compiled.setFileTime(sourceTime.addSecs(-classAge),
                                         QFileDevice::FileModificationTime));
        }
        CompileOptForm->Interpreter->setText(Recorder);
        MainForm->OpenDocument(source, true);
        if (modified)
            MainForm->activeDocument()->RichEdit1->setText("public class Hello { }\n");
        MainForm->InterpreterItem->trigger();
        QCOMPARE(MainForm->StatusBar->text(), note);
    }

    // With no browser set, Browser says so instead of doing nothing.
    void browserSaysWhenNoneIsSet()
    {
        ShownSession session;
        writeFile(session.file(QStringLiteral("page.html")), "<html></html>");
        CompileOptForm->BrowserPath->setText(QString());
        MainForm->OpenDocument(session.file(QStringLiteral("page.html")), true);
        MainForm->BrowserItem->trigger();
        QCOMPARE(MainForm->StatusBar->text(), "No browser is set: Java Options names one");
    }

    void noActiveChildDoesNothing()
    {
        ShownSession session;
        MainForm->BrowserItemClick();
        MainForm->InterpreterItemClick();
    }

    // The real interpreter runs the class in the document's folder: its main writes a marker
    // into its working directory.
    void realInterpreterRunsTheClassInItsFolder()
    {
        NEED_JAVA_KIT();
        ShownSession session;
        const QString source = session.file(QStringLiteral("Marker.java"));
        writeFile(source, "public class Marker { public static void main(String[] a) "
                          "throws Exception { java.nio.file.Files.writeString("
                          "java.nio.file.Path.of(\"marker.txt\"), \"ran\"); } }\n");
        QVERIFY(compileJava(session.dir(), {QStringLiteral("Marker.java")}));
        CompileOptForm->Interpreter->setText(QStandardPaths::findExecutable(QStringLiteral("java"))
                                             + QStringLiteral(" -cp ."));
        MainForm->OpenDocument(source, true);
        MainForm->InterpreterBtn->click();
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(session.file(QStringLiteral("marker.txt"))),
                                 60000);
        QTRY_COMPARE(readFile(session.file(QStringLiteral("marker.txt"))), QByteArray("ran"));
    }
};

QTEST_MAIN(tst_Tools)
#include "tst_tools.moc"
