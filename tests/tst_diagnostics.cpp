#include "testutil.h"

#include "toolchain/diagnostics.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

using namespace testutil;

// The compiler's diagnostics read from what the installed compiler really writes.
class tst_Diagnostics : public QObject
{
    Q_OBJECT

private:
    static QString describe(const Diagnostic &d, const QString &folder)
    {
        static const char *const kinds[] = {"error", "warning", "note"};
        return QStringLiteral("%1 %2:%3:%4 %5")
            .arg(QLatin1String(kinds[d.kind]), d.file)
            .arg(d.line)
            .arg(d.column)
            .arg(d.message.section(u'\n', 0, 0))
            .replace(folder, QStringLiteral("@"));
    }

private slots:
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
        javac.start(QStandardPaths::findExecutable(QStringLiteral("javac")), arguments);
        QVERIFY(javac.waitForFinished(120000));
        const QByteArray output = javac.readAllStandardError() + javac.readAllStandardOutput();

        const QList<Diagnostic> whole = parseDiagnostics(output);
        QStringList described;
        for (const Diagnostic &d : whole)
            described << describe(d, folder.path());
        QCOMPARE(described, expected);

        DiagnosticParser parser;
        for (qsizetype i = 0; i < output.size(); ++i)
            parser.feed(QByteArrayView(output).sliced(i, 1));
        parser.finish();
        QCOMPARE(parser.diagnostics().size(), whole.size());
        for (qsizetype i = 0; i < whole.size(); ++i) {
            QCOMPARE(parser.diagnostics()[i].message, whole[i].message);
            QCOMPARE(parser.diagnostics()[i].column, whole[i].column);
            QCOMPARE(parser.diagnostics()[i].lastOutputLine, whole[i].lastOutputLine);
        }
    }
};

QTEST_MAIN(tst_Diagnostics)
#include "tst_diagnostics.moc"
