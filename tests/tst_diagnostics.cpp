#include "testutil.h"

#include "toolchain/diagnostics.h"

#include <QProcess>

using namespace testutil;

// The compiler's diagnostics read from canned outputs of several kit versions, and from what
// the installed compiler really writes.
class tst_Diagnostics : public QObject
{
    Q_OBJECT

private:
    static QString describe(const Diagnostic &d, const QString &folder)
    {
        static const char *const kinds[] = {"error", "warning", "note"};
        QString text = QStringLiteral("%1 %2:%3:%4 %5")
                           .arg(QLatin1String(kinds[d.kind]), d.file)
                           .arg(d.line)
                           .arg(d.column)
                           .arg(d.message.section(u'\n', 0, 0));
        return folder.isEmpty() ? text : text.replace(folder, QStringLiteral("@"));
    }

    // Reads the output whole and again one byte at a time; both readings must agree.
    static QList<Diagnostic> parsedBothWays(const QByteArray &output)
    {
        const QList<Diagnostic> whole = parseDiagnostics(output);
        DiagnosticParser parser;
        for (qsizetype i = 0; i < output.size(); ++i)
            parser.feed(QByteArrayView(output).sliced(i, 1));
        parser.finish();
        [&] {
            QCOMPARE(parser.diagnostics().size(), whole.size());
            for (qsizetype i = 0; i < whole.size(); ++i) {
                QCOMPARE(parser.diagnostics()[i].message, whole[i].message);
                QCOMPARE(parser.diagnostics()[i].column, whole[i].column);
                QCOMPARE(parser.diagnostics()[i].firstOutputLine, whole[i].firstOutputLine);
                QCOMPARE(parser.diagnostics()[i].lastOutputLine, whole[i].lastOutputLine);
            }
        }();
        return whole;
    }

private slots:
    // Each row: the output, and the diagnostics as "kind file:line:column first line of the
    // message [first-last output line] detail lines".
    void readsCannedOutput_data()
    {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("syntax error, older kit")
            << QByteArray("A.java:3: error: illegal start of expression\n"
                          "        int y = ;\n"
                          "                ^\n"
                          "1 error\n")
            << QStringList{"error A.java:3:17 illegal start of expression [0-2] 0"};
        QTest::newRow("symbol with its details, newer kit")
            << QByteArray("/src/Odd.java:2: error: cannot find symbol\n"
                          "  Missing m;\n"
                          "  ^\n"
                          "  symbol:   class Missing\n"
                          "  location: class Odd\n"
                          "1 error\n")
            << QStringList{"error /src/Odd.java:2:3 cannot find symbol [0-4] 2"};
        QTest::newRow("line ends CR LF")
            << QByteArray("A.java:3: error: illegal start of expression\r\n"
                          "        int y = ;\r\n"
                          "                ^\r\n"
                          "A.java:4: warning: [rawtypes] found raw type: List\r\n"
                          "\tvoid f(List r) {}\r\n"
                          "\t       ^\r\n"
                          "  missing type arguments for generic class List<E>\r\n"
                          "1 error\r\n1 warning\r\n")
            << QStringList{"error A.java:3:17 illegal start of expression [0-2] 0",
                           "warning A.java:4:9 [rawtypes] found raw type: List [3-6] 1"};
        QTest::newRow("path with blanks and colons")
            << QByteArray("/home/a b/x: y/Odd: Name.java:12: error: ';' expected\n"
                          "    int x = 1\n"
                          "             ^\n")
            << QStringList{"error /home/a b/x: y/Odd: Name.java:12:14 ';' expected [0-2] 0"};
        QTest::newRow("message that holds a place of its own")
            << QByteArray("B.java:1: error: class X is public, should be declared in a file "
                          "named X.java:2: error: \n"
                          "public class X {}\n"
                          "       ^\n")
            << QStringList{"error B.java:1:8 class X is public, should be declared in a file "
                           "named X.java:2: error:  [0-2] 0"};
        QTest::newRow("source line that reads like a diagnostic")
            << QByteArray("C.java:2: error: ';' expected\n"
                          "    String s = \"D.java:9: error: x\"\n"
                          "                                    ^\n"
                          "C.java:3: error: not a statement\n"
                          "    D.java:9: error: x;\n"
                          "    ^\n"
                          "2 errors\n")
            << QStringList{"error C.java:2:37 ';' expected [0-2] 0",
                           "error C.java:3:5 not a statement [3-5] 0"};
        QTest::newRow("notes and a plain warning")
            << QByteArray("warning: [options] system modules path not set in conjunction with "
                          "-source 11\n"
                          "Note: W.java uses unchecked or unsafe operations.\n"
                          "Note: Recompile with -Xlint:unchecked for details.\n"
                          "1 warning\n")
            << QStringList{"warning :0:0 [options] system modules path not set in conjunction "
                           "with -source 11 [0-0] 0",
                           "note :0:0 W.java uses unchecked or unsafe operations. [1-1] 0",
                           "note :0:0 Recompile with -Xlint:unchecked for details. [2-2] 0"};
        QTest::newRow("file not found, then the usage")
            << QByteArray("error: file not found: None.java\n"
                          "Usage: javac <options> <source files>\n"
                          "use --help for a list of possible options\n")
            << QStringList{"error :0:0 file not found: None.java [0-0] 0"};
        QTest::newRow("last line without a line break")
            << QByteArray("A.java:1: error: reached end of file while parsing\n"
                          "class A {\n"
                          "         ^")
            << QStringList{"error A.java:1:10 reached end of file while parsing [0-2] 0"};
        QTest::newRow("no diagnostic") << QByteArray("Picked up _JAVA_OPTIONS: -Xmx1g\n\n")
                                       << QStringList();
    }

    void readsCannedOutput()
    {
        QFETCH(QByteArray, output);
        QStringList described;
        for (const Diagnostic &d : parsedBothWays(output)) {
            described << describe(d, QString())
                             + QStringLiteral(" [%1-%2] %3")
                                   .arg(d.firstOutputLine)
                                   .arg(d.lastOutputLine)
                                   .arg(d.message.count(u'\n'));
        }
        QTEST(described, "expected");
    }

    // Each row: source files ("@" is the scratch folder), the compiler's arguments and the
    // diagnostics as "kind file:line:column first line of the message". The output is read
    // whole, and again one byte at a time: the result is the same.
    void readsTheCompilersOutput_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("syntax error")
            << QStringList{"@/A.java", "class A {\n    void f() {\n        int y = ;\n    }\n}\n"}
            << QStringList{"@/A.java"}
            << QStringList{"error @/A.java:3:17 illegal start of expression"};
        QTest::newRow("type and symbol errors")
            << QStringList{"@/A.java",
                           "class A {\n    void f() {\n        int x = \"s\";\n"
                           "        undefinedCall();\n    }\n}\n"}
            << QStringList{"@/A.java"}
            << QStringList{"error @/A.java:3:17 incompatible types: String cannot be "
                           "converted to int",
                           "error @/A.java:4:9 cannot find symbol"};
        QTest::newRow("warnings, a tab before the caret, and notes")
            << QStringList{"@/W.java",
                           "import java.util.*;\nclass W {\n\tList<String> l = new ArrayList<>();\n"
                           "\tvoid f(List r) { r.add(1); }\n}\n"}
            << QStringList{"-Xlint:rawtypes", "@/W.java"}
            << QStringList{"warning @/W.java:4:9 [rawtypes] found raw type: List",
                           "note :0:0 @/W.java uses unchecked or unsafe operations.",
                           "note :0:0 Recompile with -Xlint:unchecked for details."};
        QTest::newRow("file name with blanks and a colon")
            << QStringList{"@/my dir/Odd: Name.java", "class Odd {\n  Missing m;\n}\n"}
            << QStringList{"@/my dir/Odd: Name.java"}
            << QStringList{"error @/my dir/Odd: Name.java:2:3 cannot find symbol"};
        QTest::newRow("path relative to the compiler's folder")
            << QStringList{"@/sub/R.java", "class R { int f() { return true; } }\n"}
            << QStringList{"sub/R.java"}
            << QStringList{"error sub/R.java:1:28 incompatible types: boolean cannot be "
                           "converted to int"};
        QTest::newRow("no such file")
            << QStringList{} << QStringList{"@/None.java"}
            << QStringList{"error :0:0 file not found: @/None.java"};
    }

    void readsTheCompilersOutput()
    {
        QFETCH(QStringList, files);
        QFETCH(QStringList, arguments);
        QFETCH(QStringList, expected);
        NEED_JAVAC();
        const QString compiler = QStandardPaths::findExecutable(QStringLiteral("javac"));
        QTemporaryDir folder;
        for (qsizetype i = 0; i + 1 < files.size(); i += 2) {
            const QString path = files[i].replace(u'@', folder.path());
            QDir().mkpath(path.section(u'/', 0, -2));
            writeFile(path, files[i + 1].toUtf8());
        }
        for (QString &argument : arguments)
            argument.replace(u'@', folder.path());

        QProcess javac;
        javac.setWorkingDirectory(folder.path());
        javac.start(compiler, arguments);
        QVERIFY(javac.waitForFinished(120000));
        const QByteArray output = javac.readAllStandardError() + javac.readAllStandardOutput();

        QStringList described;
        for (const Diagnostic &d : parsedBothWays(output))
            described << describe(d, folder.path());
        QCOMPARE(described, expected);
    }
};

QTEST_MAIN(tst_Diagnostics)
#include "tst_diagnostics.moc"
