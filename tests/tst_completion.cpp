// Completion in Java documents: the names the real Java service offers at a caret, and the
// list shown for them in a document window.
#include "testutil.h"

#include "app/Completion.h"
#include "app/LiveCheck.h"
#include "platform/textcontrol.h"
#include "toolchain/completion.h"
#include "toolchain/javaservice.h"

#include <QAction>

using namespace testutil;

namespace {

constexpr int Wait = 30000;

const QByteArray Helper = "package app;\npublic class Helper {\n"
                          "    public int twice(int a) { return 2 * a; }\n"
                          "    private int hidden;\n    public static Helper make() { return null; }\n}\n";

// The text of a class in package app whose method body holds body, '|' marking the caret.
QByteArray inMethod(const QByteArray &body)
{
    return "package app;\nimport java.util.List;\npublic class Main {\n    int field;\n"
           "    void run(int param) {\n        " + body + "\n    }\n}\n";
}

} // namespace

class tst_Completion : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QVERIFY(unexpectedModals().isEmpty()); }

    // What the service offers at the caret: each expected label (or name, for a keyword or a
    // type) is there, and none of the unexpected.
    void namesAtTheCaret_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");
        QTest::newRow("after a string")
            << inMethod("\"abc\".|")
            << QStringList{"substring(int, int) : String", "length() : int", "charAt(int) : char"}
            << QStringList{"field : int", "twice(int) : int"};
        QTest::newRow("a local of a type from a sibling file")
            << inMethod("Helper h = new Helper();\n        h.|")
            << QStringList{"twice(int) : int", "equals(Object) : boolean"}
            << QStringList{"hidden : int", "length() : int"};
        QTest::newRow("after a type name, statics only")
            << inMethod("Math.|") << QStringList{"abs(int) : int", "PI : double"}
            << QStringList{"equals(Object) : boolean", "hashCode() : int"};
        QTest::newRow("inside an unfinished statement")
            << inMethod("String s = \"x\";\n        System.out.println(s.le|")
            << QStringList{"length() : int"} << QStringList{"substring(int) : String"};
        QTest::newRow("after an array") << inMethod("int[] a = {};\n        a.|")
                                        << QStringList{"length : int", "clone() : int[]"}
                                        << QStringList{"charAt(int) : char"};
        QTest::newRow("names in scope")
            << inMethod("int count = 1;\n        |")
            << QStringList{"count : int", "param : int", "field : int", "run(int) : void",
                           "String", "List", "Helper", "while"}
            << QStringList{"length() : int"};
        QTest::newRow("names in scope narrowed")
            << inMethod("int count = 1;\n        int other = co|;")
            << QStringList{"count : int", "continue", "Comparable"}
            << QStringList{"param : int", "String"};
    }

    void namesAtTheCaret()
    {
        NEED_JAVA();
        QFETCH(QByteArray, text);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        QTemporaryDir folder;
        QDir().mkpath(folder.filePath(QStringLiteral("app")));
        writeFile(folder.filePath(QStringLiteral("app/Helper.java")), Helper);
        const int caret = int(text.indexOf('|'));
        text.remove(caret, 1);
        JavaService service;
        service.start(javaFolder());
        std::optional<QList<CompletionName>> names;
        bool answered = false;
        service.request(completionRequest(folder.filePath(QStringLiteral("app/Main.java")), text,
                                          caret, folder.path(), {}, {}),
                        this, [&](const ServiceMessage *answer) {
                            answered = true;
                            if (answer)
                                names = completionNames(*answer);
                        });
        QTRY_VERIFY_WITH_TIMEOUT(answered, Wait);
        QVERIFY(names);
        const QStringList labels = labelsOf(*names);
        for (const QString &label : present)
            QVERIFY2(labels.contains(label), qPrintable(label + QStringLiteral(" missing from ") + labels.join(u'|')));
        for (const QString &label : absent)
            QVERIFY2(!labels.contains(label), qPrintable(label));
    }

    // A '.' typed opens the list by itself; typing narrows it, Enter inserts a method with
    // its parenthesis; Escape, and a character that cannot be part of a name, close it.
    void listFollowsTheTyping()
    {
        ShownSession session;
        if (!useRealCompiler() || JavaService::jarPath().isEmpty())
            QSKIP("needs a Java compiler and the built Java service");
        TMDIChild *document = openSavedDocument(session.file(QStringLiteral("Main.java")),
                                                inMethod("String s = \"x\";\n        s|"));
        qv::TextControl *edit = document->RichEdit1;
        QWidget *view = edit->view();
        QTRY_VERIFY_WITH_TIMEOUT(MainForm->LiveCheck->service()->isReady(), Wait);
        edit->setSelection(int(edit->text().indexOf('|')), 1);
        QTest::keyClick(view, Qt::Key_Period);
        QTRY_VERIFY_WITH_TIMEOUT(edit->completionListShown(), Wait);
        // "subs" would be subSequence.
        QTest::keyClicks(view, QStringLiteral("subst"));
        QTest::keyClick(view, Qt::Key_Return);
        QTRY_VERIFY(edit->text().contains("s.substring(\n"));
        QVERIFY(!edit->completionListShown());

        for (const int closing : {int(Qt::Key_Escape), int(Qt::Key_ParenLeft)}) {
            MainForm->CompleteItem->trigger();
            QTRY_VERIFY_WITH_TIMEOUT(edit->completionListShown(), Wait);
            QTest::keyClick(view, Qt::Key(closing));
            QVERIFY(!edit->completionListShown());
        }
        QVERIFY(edit->text().contains("s.substring((\n"));
    }

    // A list that arrives once the caret has left the name it was asked for is not shown.
    void staleListIsDropped()
    {
        ShownSession session;
        if (!useRealCompiler() || JavaService::jarPath().isEmpty())
            QSKIP("needs a Java compiler and the built Java service");
        TMDIChild *document = openSavedDocument(session.file(QStringLiteral("Main.java")),
                                                inMethod("\"abc\".|"));
        qv::TextControl *edit = document->RichEdit1;
        QTRY_VERIFY_WITH_TIMEOUT(MainForm->LiveCheck->service()->isReady(), Wait);
        edit->setSelection(int(edit->text().indexOf('|')), 0);
        MainForm->CompleteItem->trigger();
        QVERIFY(MainForm->Completion->waiting());
        edit->setSelection(0, 0);
        QTRY_VERIFY_WITH_TIMEOUT(!MainForm->Completion->waiting(), Wait);
        QVERIFY(!edit->completionListShown());
    }

    // Without the service Ctrl+Space still completes, from the document's own words.
    void withoutTheServiceWordsAreOffered()
    {
        ShownSession session;
        CompileOptForm->JavaPath->setText(session.file(QStringLiteral("nothing")));
        TMDIChild *document = openSavedDocument(session.file(QStringLiteral("Main.java")),
                                                "class Main { int counter; int n = coun");
        qv::TextControl *edit = document->RichEdit1;
        edit->setSelection(edit->length(), 0);
        MainForm->CompleteItem->trigger();
        QVERIFY(edit->completionListShown());
        QTest::keyClick(edit->view(), Qt::Key_Tab);
        QTRY_VERIFY(edit->text().endsWith("int n = counter"));
    }
};

QTEST_MAIN(tst_Completion)
#include "tst_completion.moc"
