// The Java Shell window, driven as a user would, with the real Java service and shell.
#include "testutil.h"

#include "app/LiveCheck.h"
#include "platform/textcontrol.h"
#include "toolchain/javaservice.h"
#include "toolchain/javashell.h"
#include "toolchain/shellpane.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCompleter>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>

#include <csignal>

using namespace testutil;

namespace {

constexpr int Wait = 60000;

TShellForm *openShell()
{
    MainForm->JavaShellItem->trigger();
    return MainForm->ShellWindow;
}

QString transcript(const TShellForm *shell)
{
    return shell->Transcript->toPlainText();
}

// Types the input and presses Enter.
void enter(TShellForm *shell, const QString &input)
{
    shell->Input->setPlainText(input);
    shell->Input->moveCursor(QTextCursor::End);
    QTest::keyClick(shell->Input, Qt::Key_Return);
}

// Enters each input once the one before has been answered; the transcript then.
QString evaluate(TShellForm *shell, const QStringList &inputs)
{
    for (const QString &input : inputs) {
        const qsizetype before = transcript(shell).size();
        enter(shell, input);
        if (!QTest::qWaitFor([&] { return transcript(shell).size() > before && !shell->going()
                                          && shell->shell()->isIdle(); }, Wait))
            return QStringLiteral("no answer to ") + input + u'\n' + transcript(shell);
    }
    return transcript(shell);
}

} // namespace

class tst_JavaShell : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QVERIFY(unexpectedModals().isEmpty()); }

    void inputsAreAnswered_data()
    {
        QTest::addColumn<QStringList>("inputs");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("expression") << QStringList{"1 + 1"} << QStringList{"> 1 + 1\n$1 ==> 2\n"};
        QTest::newRow("variable kept between snippets")
            << QStringList{"int x = 20", "x + 22"} << QStringList{"x ==> 20", "$1 ==> 42"};
        QTest::newRow("several snippets in one input")
            << QStringList{"int a = 1; a + 1"} << QStringList{"a ==> 1\n$1 ==> 2\n"};
        QTest::newRow("what is printed, as it is")
            << QStringList{"System.out.print(\"Grüße \"); System.out.println(\"世界\")"}
            << QStringList{"Grüße 世界\n"};
        QTest::newRow("declaration")
            << QStringList{"int twice(int n) { return 2 * n; }", "twice(21)"}
            << QStringList{"created method twice(int)", "$1 ==> 42"};
        QTest::newRow("exception with its trace")
            << QStringList{"int divide(int a) { return a / 0; }", "divide(1)"}
            << QStringList{"java.lang.ArithmeticException: / by zero\n\tat divide(#1:1)\n\tat (#2:1)\n"};
        QTest::newRow("compile error") << QStringList{"undefined + 1"}
                                       << QStringList{"Error: cannot find symbol"};
        // The snippets run under the service's own agent, whose connection does not wait.
        QTest::newRow("run by the quick agent")
            << QStringList{"java.util.Arrays.stream(Thread.currentThread().getStackTrace())"
                           ".anyMatch(f -> f.getClassName().endsWith(\".ShellAgent\"))"}
            << QStringList{"$1 ==> true"};
        QTest::newRow("unknown command") << QStringList{"/vars"}
                                         << QStringList{"Unknown command /vars"};
    }

    void inputsAreAnswered()
    {
        QFETCH(QStringList, inputs);
        QFETCH(QStringList, shown);
        ShownSession session;
        USE_JAVA();
        const QString text = evaluate(openShell(), inputs);
        for (const QString &each : shown)
            QVERIFY2(text.contains(each), qPrintable(text));
    }

    // Enter on an input the shell finds incomplete gives it another line; nothing runs until
    // it is complete.
    void incompleteInputTakesAnotherLine()
    {
        ShownSession session;
        USE_JAVA();
        TShellForm *shell = openShell();
        enter(shell, QStringLiteral("int add(int a, int b) {"));
        QTRY_COMPARE_WITH_TIMEOUT(shell->Input->toPlainText(), QStringLiteral("int add(int a, int b) {\n"),
                                  Wait);
        QVERIFY(transcript(shell).isEmpty());
        QTest::keyClicks(shell->Input, QStringLiteral("return a + b; }"));
        QTest::keyClick(shell->Input, Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(transcript(shell).contains(QStringLiteral("created method")), Wait);
        const QString text = evaluate(shell, {QStringLiteral("add(2, 3)")});
        QVERIFY2(text.contains(QStringLiteral("> int add(int a, int b) {\n  return a + b; }\n"
                                              "created method add(int,int)")),
                 qPrintable(text));
        QVERIFY2(text.contains(QStringLiteral("$1 ==> 5")), qPrintable(text));
    }

    // A snippet that ends its Java machine, or runs until stopped, leaves a shell that
    // answers the next input.
    void shellSurvivesItsSnippets_data()
    {
        QTest::addColumn<QString>("snippet");
        QTest::addColumn<bool>("stop");
        QTest::addColumn<QString>("note");
        QTest::addColumn<QString>("after");
        QTest::newRow("exit") << "System.exit(0)" << false << "ended the shell" << "$1 ==> 5";
        QTest::newRow("endless loop stopped")
            << "while (true) { }" << true << "Stopped" << "$2 ==> 5";
    }

    void shellSurvivesItsSnippets()
    {
        QFETCH(QString, snippet);
        QFETCH(bool, stop);
        QFETCH(QString, note);
        QFETCH(QString, after);
        ShownSession session;
        USE_JAVA();
        TShellForm *shell = openShell();
        evaluate(shell, {QStringLiteral("1 + 1")});
        const qint64 service = MainForm->LiveCheck->service()->processId();
        enter(shell, snippet);
        if (stop) {
            QTRY_VERIFY_WITH_TIMEOUT(shell->going() && transcript(shell).contains(snippet), Wait);
            // The Stop command acts on the shell window when it is active.
            MainForm->StopItem->trigger();
        }
        QTRY_VERIFY_WITH_TIMEOUT(shell->shell()->isIdle() && transcript(shell).contains(note), Wait);
        const QString text = evaluate(shell, {QStringLiteral("2 + 3")});
        QVERIFY2(text.contains(after), qPrintable(text));
        QCOMPARE(MainForm->LiveCheck->service()->processId(), service);
    }

    // A service that dies is started again, and so is the shell in it.
    void shellSurvivesTheServiceDying()
    {
        ShownSession session;
        USE_JAVA();
        TShellForm *shell = openShell();
        evaluate(shell, {QStringLiteral("int kept = 1")});
        ::kill(pid_t(MainForm->LiveCheck->service()->processId()), SIGKILL);
        QTRY_VERIFY_WITH_TIMEOUT(transcript(shell).contains(QStringLiteral("A fresh shell starts"))
                                     && shell->shell()->isIdle(), Wait);
        const QString text = evaluate(shell, {QStringLiteral("2 + 3")});
        QVERIFY2(text.contains(QStringLiteral("$1 ==> 5")), qPrintable(text));
    }

    // The shell starts with the current document's run class path: a class compiled in its
    // folder can be used, and the lines of a trace through it lead to its source.
    void documentsClassesAreSeen()
    {
        ShownSession session;
        USE_JAVA();
        const QString helper = session.file(QStringLiteral("Helper.java"));
        writeFile(helper, "public class Helper {\n    public int add(int a, int b) { return a + b; }\n"
                          "    public int divide(int a, int b) {\n        return a / b;\n    }\n}\n");
        QProcess javac;
        javac.setWorkingDirectory(session.dir());
        javac.start(QDir(CompileOptForm->JavaPath->text()).filePath(QStringLiteral("javac")),
                    {QStringLiteral("Helper.java")});
        QVERIFY(javac.waitForFinished(Wait) && javac.exitCode() == 0);
        openSavedDocument(session.file(QStringLiteral("Main.java")), "public class Main {}\n");
        TShellForm *shell = openShell();
        QVERIFY2(shell->caption().contains(session.dir()), qPrintable(shell->caption()));
        const QString text = evaluate(shell, {QStringLiteral("new Helper().add(2, 3)"),
                                              QStringLiteral("new Helper().divide(1, 0)")});
        QVERIFY2(text.contains(QStringLiteral("$1 ==> 5")), qPrintable(text));
        const QString frame = QStringLiteral("\tat Helper.divide(Helper.java:4)");
        QVERIFY2(text.contains(frame), qPrintable(text));
        const QTextBlock line = shell->Transcript->document()->find(frame).block();
        QTextCursor cursor(line);
        shell->Transcript->setTextCursor(cursor);
        shell->Transcript->setFocus();
        QTest::keyClick(shell->Transcript, Qt::Key_Return);
        QTRY_VERIFY(MainForm->activeDocument()
                    && MainForm->activeDocument()->caption().endsWith(QStringLiteral("Helper.java")));
        QCOMPARE(MainForm->activeDocument()->RichEdit1->lineFromPosition(
                     MainForm->activeDocument()->RichEdit1->selStart()), 3);
    }

    // Ctrl+Space offers what the shell knows at the caret: one text goes in at once, several
    // are listed.
    void completionComesFromTheShell_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("input");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("one member") << "word.toUpperC" << "word.toUpperCase(" << QStringList{};
        QTest::newRow("several members") << "word.sub" << "word.sub"
                                         << QStringList{"subSequence(", "substring("};
        QTest::newRow("earlier variable") << "wo" << "word" << QStringList{};
    }

    void completionComesFromTheShell()
    {
        QFETCH(QString, typed);
        QFETCH(QString, input);
        QFETCH(QStringList, listed);
        ShownSession session;
        USE_JAVA();
        TShellForm *shell = openShell();
        evaluate(shell, {QStringLiteral("String word = \"abc\"")});
        QTest::keyClicks(shell->Input, typed);
        QTest::keyClick(shell->Input, Qt::Key_Space, Qt::ControlModifier);
        if (listed.isEmpty()) {
            QTRY_COMPARE_WITH_TIMEOUT(shell->Input->toPlainText(), input, Wait);
            return;
        }
        QTRY_VERIFY_WITH_TIMEOUT(shell->completer()->popup()->isVisible(), Wait);
        QStringList shown;
        for (int row = 0; row < shell->completer()->completionCount(); ++row) {
            shell->completer()->setCurrentRow(row);
            shown.append(shell->completer()->currentCompletion());
        }
        QCOMPARE(shown, listed);
        QCOMPARE(shell->Input->toPlainText(), input);
    }

    // Up and Down walk the inputs given before, kept by the workbench for the next window;
    // what was being typed comes back at the end.
    void historyIsWalked()
    {
        ShownSession session;
        MainForm->ShellHistory = {QStringLiteral("first"), QStringLiteral("int x = 1;\nx")};
        TShellForm *shell = openShell();
        QTest::keyClicks(shell->Input, QStringLiteral("draft"));
        const QStringList expected = {"int x = 1;\nx", "first", "first", "int x = 1;\nx", "draft"};
        const Qt::Key keys[] = {Qt::Key_Up, Qt::Key_Up, Qt::Key_Up, Qt::Key_Down, Qt::Key_Down};
        for (int i = 0; i < 5; ++i) {
            // Up and Down move between an input's own lines first.
            if (keys[i] == Qt::Key_Down)
                shell->Input->moveCursor(QTextCursor::End);
            else
                shell->Input->moveCursor(QTextCursor::Start);
            QTest::keyClick(shell->Input, keys[i]);
            QCOMPARE(shell->Input->toPlainText(), expected.at(i));
        }
    }
};

QTEST_MAIN(tst_JavaShell)
#include "tst_javashell.moc"
