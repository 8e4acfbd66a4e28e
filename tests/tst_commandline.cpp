#include "app/CommandLine.h"

#include <QProcess>
#include <QTest>

Q_DECLARE_METATYPE(CommandLine::Action)

// The command line: the one optional file (further ones ignored with a note), the two
// options, and one line of usage for anything else; help and version need no display.
class tst_CommandLine : public QObject
{
    Q_OBJECT

private slots:
    void parses_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<CommandLine::Action>("action");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("text");
        using A = CommandLine::Action;
        QTest::newRow("nothing") << QStringList{} << A::Run << QString() << QString();
        QTest::newRow("file") << QStringList{"a b.java"} << A::Run << "a b.java" << QString();
        QTest::newRow("dash is a file") << QStringList{"-"} << A::Run << "-" << QString();
        QTest::newRow("after --") << QStringList{"--", "-reverse"} << A::Run << "-reverse"
                                  << QString();
        QTest::newRow("--help after --") << QStringList{"--", "--help"} << A::Run << "--help"
                                         << QString();
        QTest::newRow("help") << QStringList{"--help"} << A::ShowHelp << QString()
                              << "Usage: quorvel [options] [[--] FILE]";
        QTest::newRow("-h") << QStringList{"-h", "x.java"} << A::ShowHelp << QString()
                            << "-v, --version";
        QTest::newRow("version") << QStringList{"--version"} << A::ShowVersion << QString()
                                 << "Quorvel " QUORVEL_VERSION "\n";
        QTest::newRow("Qt's own option") << QStringList{"-reverse"} << A::Fail << QString()
                                         << "quorvel: Unknown option 'reverse'. usage: quorvel";
        QTest::newRow("unknown long") << QStringList{"--platform", "xcb"} << A::Fail << QString()
                                      << "Unknown option 'platform'";
        QTest::newRow("further files ignored")
            << QStringList{"a", "b", "c d"} << A::Run << "a"
            << "quorvel: only the first file is opened; ignored: b c d";
        QTest::newRow("further files after --")
            << QStringList{"--", "-a", "--help"} << A::Run << "-a" << "ignored: --help";
    }

    void parses()
    {
        QFETCH(QStringList, arguments);
        QFETCH(CommandLine::Action, action);
        QFETCH(QString, file);
        QFETCH(QString, text);
        arguments.prepend(QStringLiteral("/usr/bin/quorvel"));
        const CommandLine parsed = parseCommandLine(arguments);
        QCOMPARE(parsed.action, action);
        QCOMPARE(parsed.file, file);
        QVERIFY2(parsed.text.contains(text), qPrintable(parsed.text));
        if (action == CommandLine::Action::Fail || action == CommandLine::Action::Run)
            QVERIFY(!parsed.text.contains(QLatin1Char('\n')));
    }

    // The real program, with and without a display: it prints and ends without a window.
    void printsWithoutADisplay_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<QString>("option");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        for (const QString platform : {QString(), QStringLiteral("offscreen")}) {
            const QByteArray tag = platform.isEmpty() ? "no display: " : "offscreen: ";
            QTest::newRow(tag + "help") << platform << "--help" << 0 << "Usage: " << QString();
            QTest::newRow(tag + "version")
                << platform << "--version" << 0 << "Quorvel " QUORVEL_VERSION "\n" << QString();
            QTest::newRow(tag + "unknown")
                << platform << "--frobnicate" << 2 << QString()
                << "quorvel: Unknown option 'frobnicate'. usage: quorvel [--help] [--version] "
                   "[[--] FILE]\n";
        }
    }

    void printsWithoutADisplay()
    {
        QFETCH(QString, platform);
        QFETCH(QString, option);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QLatin1String(name));
        if (!platform.isEmpty())
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(QUORVEL_PROGRAM), {option});
        QVERIFY(program.waitForFinished(60000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), exitCode);
        const QString stdoutText = QString::fromLocal8Bit(program.readAllStandardOutput());
        const QString stderrText = QString::fromLocal8Bit(program.readAllStandardError());
        QVERIFY2(out.isEmpty() ? stdoutText.isEmpty() : stdoutText.contains(out),
                 qPrintable(stdoutText));
        QCOMPARE(stderrText, err);
    }
};

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"
