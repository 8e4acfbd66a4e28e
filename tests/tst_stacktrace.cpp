#include "testutil.h"

#include "toolchain/programcontext.h"
#include "toolchain/stacktrace.h"

#include <QProcess>

using namespace testutil;

namespace {

const QByteArray CartSource = R"java(package shop;

import java.util.List;

public class Cart {
    static int sum(int[] a) {
        int s = 0;
        for (int i = 0; i <= a.length; i++)
            s += a[i];
        return s;
    }

    static void load(String n) {
        try {
            Integer.parseInt(n);
        } catch (NumberFormatException e) {
            throw new IllegalStateException("bad cart", e);
        }
    }

    static class Till {
        void open() { throw new UnsupportedOperationException(); }
    }

    public static void main(String[] args) throws Exception {
        System.out.println("at the till (not a frame)");
        switch (args[0]) {
        case "index": sum(new int[] {1, 2}); break;
        case "cause": load("x"); break;
        case "jdk": List.of(1).get(3); break;
        case "lambda": Runnable r = () -> sum(new int[1]); r.run(); break;
        case "printed":
            try { new Till().open(); } catch (Exception e) { e.printStackTrace(); }
            Object.class.getMethod("wait", long.class).invoke(new Object(), -1L);
            break;
        }
    }
}
)java";

} // namespace

// Stack traces read from what the installed interpreter really prints.
class tst_StackTrace : public QObject
{
    Q_OBJECT

    QTemporaryDir m_classes;
    QString m_java;

private slots:
    void initTestCase()
    {
        NEED_JAVA_KIT();
        m_java = QStandardPaths::findExecutable(QStringLiteral("java"));
        QDir().mkpath(m_classes.filePath(QStringLiteral("shop")));
        writeFile(m_classes.filePath(QStringLiteral("shop/Cart.java")), CartSource);
        QVERIFY(compileJava(m_classes.path(), {QStringLiteral("shop/Cart.java")}));
    }

    // Each row: the program's argument and its frames as "trace class.method file:line", the
    // kit's own lines, which change with its version, as "n". The output is read whole, and again one byte at a time: the result is the same.
    void readsTheInterpretersTraces_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QStringList>("expected");
        // How each trace's exception line begins.
        QTest::addColumn<QStringList>("exceptions");
        const QString uncaught = QStringLiteral("Exception in thread \"main\" java.lang.");
        QTest::newRow("exception in a package")
            << "index"
            << QStringList{"0 shop.Cart.sum Cart.java:9", "0 shop.Cart.main Cart.java:28"}
            << QStringList{uncaught + "ArrayIndexOutOfBoundsException: Index 2"};
        QTest::newRow("cause with frames in common")
            << "cause"
            << QStringList{"0 shop.Cart.load Cart.java:17", "0 shop.Cart.main Cart.java:29",
                           "1 java.lang.NumberFormatException.forInputString "
                           "NumberFormatException.java:n",
                           "1 java.lang.Integer.parseInt Integer.java:n",
                           "1 java.lang.Integer.parseInt Integer.java:n",
                           "1 shop.Cart.load Cart.java:15"}
            << QStringList{uncaught + "IllegalStateException: bad cart",
                           "Caused by: java.lang.NumberFormatException: For input string"};
        QTest::newRow("classes of the kit with modules and nested classes")
            << "jdk"
            << QStringList{"0 java.util.ImmutableCollections$AbstractImmutableList.outOfBounds "
                           "ImmutableCollections.java:n",
                           "0 java.util.ImmutableCollections$List12.get "
                           "ImmutableCollections.java:n",
                           "0 shop.Cart.main Cart.java:30"}
            << QStringList{uncaught + "IndexOutOfBoundsException"};
        QTest::newRow("lambda")
            << "lambda"
            << QStringList{"0 shop.Cart.sum Cart.java:9",
                           "0 shop.Cart.lambda$main$0 Cart.java:31",
                           "0 shop.Cart.main Cart.java:31"}
            << QStringList{uncaught + "ArrayIndexOutOfBoundsException"};
        QTest::newRow("printed by the program, native methods, more frames left out")
            << "printed"
            << QStringList{"0 shop.Cart$Till.open Cart.java:22", "0 shop.Cart.main Cart.java:33",
                           "1 jdk.internal.reflect.NativeMethodAccessorImpl.invoke0 :0",
                           "1 jdk.internal.reflect.NativeMethodAccessorImpl.invoke "
                           "NativeMethodAccessorImpl.java:n",
                           "1 jdk.internal.reflect.DelegatingMethodAccessorImpl.invoke "
                           "DelegatingMethodAccessorImpl.java:n",
                           "1 java.lang.reflect.Method.invoke Method.java:n",
                           "1 shop.Cart.main Cart.java:34", "2 java.lang.Object.wait :0"}
            << QStringList{"java.lang.UnsupportedOperationException",
                           uncaught + "reflect.InvocationTargetException",
                           "Caused by: java.lang.IllegalArgumentException"};
    }

    void readsTheInterpretersTraces()
    {
        QFETCH(QString, argument);
        QProcess java;
        java.setWorkingDirectory(m_classes.path());
        java.setProcessChannelMode(QProcess::MergedChannels);
        java.start(m_java, {QStringLiteral("-cp"), QStringLiteral("."),
                            QStringLiteral("shop.Cart"), argument});
        QVERIFY(java.waitForFinished(120000));
        const QByteArray output = java.readAll();

        const QList<StackFrame> whole = parseStackTraces(output);
        QStringList described;
        for (const StackFrame &f : whole) {
            const bool kit = !f.className.startsWith(QLatin1String("shop."));
            described << QStringLiteral("%1 %2.%3 %4:%5")
                             .arg(f.trace)
                             .arg(f.className, f.method, f.file,
                                  kit && f.line > 0 ? QStringLiteral("n")
                                                    : QString::number(f.line));
            QVERIFY(kit || f.relativePath() == QLatin1String("shop/Cart.java"));
        }
        QTEST(described, "expected");
        QFETCH(QStringList, exceptions);
        for (const StackFrame &f : whole) {
            QVERIFY2(f.exception.startsWith(exceptions.value(f.trace, "?")),
                     qPrintable(f.exception));
        }
        const QList<QByteArray> lines = output.split('\n');
        for (const StackFrame &f : whole)
            QVERIFY(lines.value(f.outputLine).contains(f.method.toUtf8()));

        StackTraceParser parser;
        for (qsizetype i = 0; i < output.size(); ++i)
            parser.feed(QByteArrayView(output).sliced(i, 1));
        parser.finish();
        QCOMPARE(parser.frames().size(), whole.size());
        for (qsizetype i = 0; i < whole.size(); ++i)
            QCOMPARE(parser.frames()[i].outputLine, whole[i].outputLine);
    }

    // Of a program that prints traces without end, the last frames are kept.
    void endlessTracesKeepTheLastFrames()
    {
        StackTraceParser parser;
        const int printed = 3 * int(StackTraceParser::KeptFrames);
        for (int i = 1; i <= printed; ++i)
            parser.feed(QStringLiteral("Exception\n\tat A.run(A.java:%1)\n").arg(i).toUtf8());
        QVERIFY(parser.frames().size() <= 2 * StackTraceParser::KeptFrames);
        QVERIFY(parser.frames().size() >= StackTraceParser::KeptFrames);
        QCOMPARE(parser.frames().last().line, printed);
        QCOMPARE(parser.frames().last().trace, printed - 1);
    }

    // A frame leads to a file of the program: below the source root by its package, or
    // beside a file whose folder does not match its package; never to a class of the kit.
    void framesLeadToTheProgramsFiles_data()
    {
        QTest::addColumn<QStringList>("files"); // the program's file first
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QString>("expected");
        QTest::newRow("class of the package")
            << QStringList{"src/shop/App.java", "src/shop/Cart.java"}
            << "at shop.Cart.sum(Cart.java:9)" << "src/shop/Cart.java";
        QTest::newRow("nested class, other package")
            << QStringList{"src/shop/App.java", "src/util/Box.java"}
            << "at util.Box$Lid.open(Box.java:2)" << "src/util/Box.java";
        QTest::newRow("no package")
            << QStringList{"prog/Main.java", "prog/Helper.java"}
            << "at Helper.help(Helper.java:1)" << "prog/Helper.java";
        QTest::newRow("folder not matching the package")
            << QStringList{"loose/App.java", "loose/Cart.java"}
            << "at shop.Cart.sum(Cart.java:9)" << "loose/Cart.java";
        QTest::newRow("class of the kit")
            << QStringList{"src/shop/App.java"}
            << "at java.base/java.lang.Integer.parseInt(Integer.java:652)" << "";
        QTest::newRow("no line") << QStringList{"src/shop/App.java", "src/shop/Cart.java"}
                                 << "at shop.Cart.sum(Cart.java)" << "";
        QTest::newRow("file missing") << QStringList{"src/shop/App.java"}
                                      << "at shop.Gone.run(Gone.java:3)" << "";
    }

    void framesLeadToTheProgramsFiles()
    {
        QFETCH(QStringList, files);
        QFETCH(QString, frame);
        QFETCH(QString, expected);
        QTemporaryDir root;
        for (const QString &file : files) {
            const QString path = root.filePath(file);
            QDir().mkpath(path.section(u'/', 0, -2));
            const QString package = file.contains(QLatin1String("util/")) ? "util" : "shop";
            writeFile(path, file.startsWith(QLatin1String("prog/"))
                                ? QByteArray("class X {}\n")
                                : "package " + package.toUtf8() + ";\nclass X {}\n");
        }
        const QString program = root.filePath(files.first());
        const ProgramContext context = programContext(program, readFile(program));
        StackFrame read;
        QVERIFY(readStackFrame(frame, read));
        QCOMPARE(frameSourcePath(read, context),
                 expected.isEmpty() ? QString() : root.filePath(expected));
    }
};

QTEST_MAIN(tst_StackTrace)
#include "tst_stacktrace.moc"
