// Java documents checked while they are typed, through the real Java service.
#include "testutil.h"

#include "app/DocumentTools.h"

#include "app/LiveCheck.h"
#include "platform/forms.h"
#include "platform/textcontrol.h"
#include "toolchain/javaservice.h"
#include "toolchain/livecheck.h"

#include <QAction>
#include <QDirIterator>
#include <QLabel>
#include <QTest>

#include <csignal>

using namespace testutil;

namespace {

constexpr int Wait = 30000;

QString summaryOf(const TMDIChild *document)
{
    return document->StatusBar1->panelText(1);
}

QStringList messagesOn(const TMDIChild *document, int line)
{
    return document->RichEdit1->rangeMessages(line);
}

void replaceText(TMDIChild *document, const QByteArray &from, const QByteArray &to)
{
    qv::TextControl *edit = document->RichEdit1;
    const int at = int(edit->text().indexOf(from));
    QVERIFY(at >= 0);
    edit->replaceRange(at, at + int(from.size()), to, at + int(to.size()));
}

// The class files of the classes noClassFileIsWritten checks, below the folder.
QStringList classFilesIn(const QString &folder)
{
    QStringList found;
    QDirIterator files(folder,
                       {QStringLiteral("Tally.class"), QStringLiteral("Counter.class"),
                        QStringLiteral("Faulty.class")},
                       QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext())
        found.append(files.next());
    return found;
}

ServiceMessage diagnostics(const QList<std::tuple<QByteArray, int, int>> &ranges)
{
    ServiceMessage answer;
    answer.kind = "diagnostics";
    answer.add(qint32(ranges.size()));
    for (const auto &[kind, start, end] : ranges)
        answer.add(kind).add(qint32(start)).add(qint32(end)).add(QStringLiteral("m"));
    return answer;
}

const QByteArray HelperWithOnce
    = "package app;\npublic class Helper {\n    public int once(int a) { return a; }\n}\n";

const QByteArray MainUsesHelper = "public class Main {\n"
                                  "    public static void main(String[] args) {\n"
                                  "        System.out.println(new Helper().twice(2));\n"
                                  "    }\n"
                                  "}\n";

} // namespace

using Ranges = QList<std::tuple<QByteArray, int, int>>;
using Places = QList<std::pair<int, int>>;

class tst_LiveCheck : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QVERIFY(unexpectedModals().isEmpty()); }

    // The service counts in UTF-16 units; the marks go on the text's bytes.
    void findingsLandOnTheirBytes_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<Ranges>("ranges");
        QTest::addColumn<Places>("places");
        QTest::addColumn<QString>("summary");
        QTest::newRow("ASCII") << QByteArray("int x = y;") << Ranges{{"error", 8, 9}}
                               << Places{{8, 9}} << "1 error";
        QTest::newRow("after non-ASCII")
            << QByteArray("s = \"ü😀\"; x;") << Ranges{{"error", 10, 11}, {"warning", 4, 8}}
            << Places{{13, 14}, {4, 11}} << "1 error, 1 warning";
        QTest::newRow("empty range widened to its character")
            << QByteArray("int x = 3\n}") << Ranges{{"error", 10, 10}} << Places{{10, 11}}
            << "1 error";
        QTest::newRow("empty range at a line's end takes the character before")
            << QByteArray("int x = ü\n}") << Ranges{{"error", 9, 9}} << Places{{8, 10}}
            << "1 error";
        QTest::newRow("invalid byte counts as one unit")
            << QByteArray("a\xff" "b") << Ranges{{"warning", 2, 3}, {"warning", 0, 1}}
            << Places{{2, 3}, {0, 1}} << "2 warnings";
        QTest::newRow("past the end") << QByteArray("ab") << Ranges{{"error", 5, 9}}
                                      << Places{{1, 2}} << "1 error";
        QTest::newRow("none") << QByteArray("ok") << Ranges{} << Places{} << "No errors";
    }

    void findingsLandOnTheirBytes()
    {
        QFETCH(QByteArray, text);
        QFETCH(Ranges, ranges);
        QFETCH(Places, places);
        QFETCH(QString, summary);
        const auto findings = checkFindings(diagnostics(ranges), text.toStdString());
        QVERIFY(findings);
        Places got;
        for (const LiveFinding &finding : *findings)
            got.append({finding.start, finding.end});
        QCOMPARE(got, places);
        QCOMPARE(findingsSummary(*findings), summary);
        // An answer that lacks a field is no answer.
        ServiceMessage cut = diagnostics(ranges);
        cut.fields.append(qint32(0));
        cut.fields[0] = qint32(ranges.size() + 1);
        QVERIFY(!checkFindings(cut, text.toStdString()));
    }

    // An error shows while typing, without Compile: marked, summed up beside the caret panel,
    // in the status line on its line and under the line once the caret rests; it goes when
    // the text is mended, and with the checking turned off.
    void errorAppearsAndGoesWhenFixed()
    {
        ShownSession session;
        USE_JAVA();
        TMDIChild *document = openSavedDocument(
            session.file(QStringLiteral("Main.java")),
            "public class Main {\n    void f() {\n        int n = \"three\";\n    }\n}\n");
        QTRY_COMPARE_WITH_TIMEOUT(summaryOf(document), QStringLiteral("1 error"), Wait);
        QVERIFY(!outputWindowOf(document));
        QCOMPARE(messagesOn(document, 2).size(), 1);
        QVERIFY(messagesOn(document, 2).at(0).startsWith(QStringLiteral("error: incompatible")));
        document->RichEdit1->gotoLineColumn(2, 10);
        QCOMPARE(MainForm->StatusBar->text(), messagesOn(document, 2).at(0));
        QTRY_VERIFY(document->RichEdit1->lineMessage(2).contains(QStringLiteral("incompatible")));
        document->RichEdit1->gotoLineColumn(0, 1);
        QVERIFY(document->RichEdit1->lineMessage(2).isEmpty());

        replaceText(document, "\"three\"", "3");
        QTRY_COMPARE_WITH_TIMEOUT(summaryOf(document), QStringLiteral("No errors"), Wait);
        QVERIFY(messagesOn(document, 2).isEmpty());

        replaceText(document, "3", "\"3\"");
        QTRY_COMPARE_WITH_TIMEOUT(summaryOf(document), QStringLiteral("1 error"), Wait);
        MainForm->LiveCheckItem->trigger();
        QVERIFY(messagesOn(document, 2).isEmpty());
        QCOMPARE(summaryOf(document), QString());
        QVERIFY(session.iniText().contains("LiveCheck=0"));
    }

    // Main's use of Helper is checked against Helper's file, found through the source root.
    void siblingClassComesFromTheSourceRoot()
    {
        ShownSession session;
        USE_JAVA();
        QDir().mkpath(session.file(QStringLiteral("app")));
        writeFile(session.file(QStringLiteral("app/Helper.java")), HelperWithOnce);
        TMDIChild *main = openSavedDocument(session.file(QStringLiteral("app/Main.java")),
                                            "package app;\n" + MainUsesHelper);
        QTRY_COMPARE_WITH_TIMEOUT(summaryOf(main), QStringLiteral("1 error"), Wait);
        QVERIFY(messagesOn(main, 3).at(0).contains(QStringLiteral("twice")));
    }

    // Helper open and edited, not saved: Main is checked against the text on the screen.
    void unsavedEditOfAnotherDocumentIsSeen()
    {
        ShownSession session;
        USE_JAVA();
        QDir().mkpath(session.file(QStringLiteral("app")));
        TMDIChild *helper
            = openSavedDocument(session.file(QStringLiteral("app/Helper.java")), HelperWithOnce);
        TMDIChild *main = openSavedDocument(session.file(QStringLiteral("app/Main.java")),
                                            "package app;\n" + MainUsesHelper);
        QTRY_COMPARE_WITH_TIMEOUT(summaryOf(main), QStringLiteral("1 error"), Wait);
        MainForm->ClientArea->activate(helper);
        replaceText(helper, "once", "twice");
        QVERIFY(helper->RichEdit1->modified());
        MainForm->ClientArea->activate(main);
        QTRY_COMPARE_WITH_TIMEOUT(summaryOf(main), QStringLiteral("No errors"), Wait);
    }

    // Checks of a class with errors, of one without and of one whose sibling the compiler
    // reads from the source root leave no class file beside the sources, in the service's
    // working folder or in this program's.
    void noClassFileIsWritten()
    {
        ShownSession session;
        USE_JAVA();
        const QStringList folders{QDir::tempPath(), QDir::currentPath(),
                                  QFileInfo(JavaService::jarPath()).path()};
        QList<QStringList> before;
        for (const QString &folder : folders)
            before.append(classFilesIn(folder));
        // Names no other test uses: tests running beside this one compile classes too.
        writeFile(session.file(QStringLiteral("Tally.java")),
                  "public class Tally {\n    public int twice(int a) { return 2 * a; }\n}\n");
        TMDIChild *counter = openSavedDocument(
            session.file(QStringLiteral("Counter.java")),
            "public class Counter {\n    int n = new Tally().twice(2);\n}\n");
        TMDIChild *broken = openSavedDocument(session.file(QStringLiteral("Faulty.java")),
                                              "class Faulty { int n = \"x\"; }\n");
        QTRY_COMPARE_WITH_TIMEOUT(summaryOf(broken), QStringLiteral("1 error"), Wait);
        MainForm->ClientArea->activate(counter);
        QTRY_COMPARE_WITH_TIMEOUT(summaryOf(counter), QStringLiteral("No errors"), Wait);
        QCOMPARE(classFilesIn(session.dir()), QStringList());
        for (qsizetype i = 0; i < folders.size(); ++i)
            QCOMPARE(classFilesIn(folders[i]), before[i]);
    }

    // A service killed while it checks is started again, and the check is made anew.
    void killedServiceIsStartedAgain()
    {
        ShownSession session;
        USE_JAVA();
        TMDIChild *document = openSavedDocument(
            session.file(QStringLiteral("Main.java")), "public class Main {\n    int n = 1;\n}\n");
        QTRY_COMPARE_WITH_TIMEOUT(summaryOf(document), QStringLiteral("No errors"), Wait);
        replaceText(document, "1", "\"1\"");
        QTRY_VERIFY(MainForm->LiveCheck->checking());
        ::kill(pid_t(MainForm->LiveCheck->service()->processId()), SIGKILL);
        QTRY_COMPARE_WITH_TIMEOUT(summaryOf(document), QStringLiteral("1 error"), Wait);
        QCOMPARE(MainForm->LiveCheck->service()->restarts(), 1);
        replaceText(document, "\"1\"", "1");
        QTRY_COMPARE_WITH_TIMEOUT(summaryOf(document), QStringLiteral("No errors"), Wait);
    }

    // Over the size limit, and HTML, a document is not checked; another one still is.
    void uncheckableDocumentIsNotChecked_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("text");
        QByteArray large = "class Large {\n    int n = \"x\";\n";
        while (large.size() <= LiveCheckLimit)
            large += "    // " + QByteArray(100, 'x') + '\n';
        QTest::newRow("over the limit") << QStringLiteral("Large.java") << large + "}\n";
        QTest::newRow("HTML") << QStringLiteral("Page.html")
                              << QByteArray("class Page {\n    int n = \"x\";\n}\n");
    }

    void uncheckableDocumentIsNotChecked()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, text);
        ShownSession session;
        USE_JAVA();
        TMDIChild *other = openSavedDocument(session.file(name), text);
        TMDIChild *small = openSavedDocument(session.file(QStringLiteral("Small.java")),
                                             "class Small { int n = \"x\"; }\n");
        QTRY_COMPARE_WITH_TIMEOUT(summaryOf(small), QStringLiteral("1 error"), Wait);
        MainForm->ClientArea->activate(other);
        MainForm->ClientArea->activate(small);
        replaceText(small, "\"x\"", "1L");
        QTRY_COMPARE_WITH_TIMEOUT(messagesOn(small, 0).value(0).contains(QStringLiteral("long")),
                                  true, Wait);
        QCOMPARE(summaryOf(other), QString());
        QVERIFY(messagesOn(other, 1).isEmpty());
    }
};

QTEST_MAIN(tst_LiveCheck)
#include "tst_livecheck.moc"
