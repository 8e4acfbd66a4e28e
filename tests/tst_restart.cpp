#include "testutil.h"

#include "app/MainForm.h"
#include "editor/Childwin.h"
#include "toolchain/Compopt.h"

#include "platform/termination.h"
#include "platform/textcontrol.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <csignal>

using namespace testutil;

namespace {

// Whether the process has a handler of its own for signo, read from its status in /proc.
bool catches(qint64 pid, int signo)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:"))
            return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (signo - 1)) & 1;
    }
    return false;
}

// Runs the program in config's settings folder and ends it with signo once it listens.
void runUntilSignal(const QString &config, const QStringList &arguments, int signo,
                    const QString &folder = {})
{
    QProcess program;
    program.setWorkingDirectory(folder);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(environment);
    program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    program.start(QStringLiteral(QUORVEL_PROGRAM), arguments);
    QVERIFY(program.waitForStarted(30000));
    QTRY_VERIFY_WITH_TIMEOUT(catches(program.processId(), signo), 30000);
    QCOMPARE(::kill(pid_t(program.processId()), signo), 0);
    QVERIFY(program.waitForFinished(30000));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
}

} // namespace

// What one run writes the next one reads; a termination signal closes the main window the
// way the user does, so the settings are saved on the way out.
class tst_Restart : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QVERIFY(unexpectedModals().isEmpty()); }

    // Each child window is asked first: refusing keeps the program running, and a later
    // signal closes it and writes the settings.
    void signalClosesLikeTheUser_data()
    {
        QTest::addColumn<int>("signo");
        QTest::newRow("terminate") << SIGTERM;
        QTest::newRow("interrupt") << SIGINT;
        QTest::newRow("hang-up") << SIGHUP;
    }

    void signalClosesLikeTheUser()
    {
        QFETCH(int, signo);
        ShownSession session("[Options]\n");
        qv::closeOnTerminationSignals(MainForm);
        MainForm->FileNewItem->trigger();
        MainForm->activeDocument()->RichEdit1->setText("unsaved");

        auto refuse = answerBox(QStringLiteral("Cancel"));
        std::raise(signo);
        QVERIFY(allModalsHandled());
        QCOMPARE(refuse->text, QStringLiteral("NONAME1 has been modified.  Save changes?"));
        QVERIFY(MainForm->isVisible());
        QCOMPARE(session.iniText(), QByteArray("[Options]\n"));

        answerBox(QStringLiteral("&No"));
        std::raise(signo);
        QVERIFY(allModalsHandled());
        QTRY_VERIFY_WITH_TIMEOUT(!MainForm->isVisible(), 10000);
        QVERIFY(session.iniText().contains("[Setup]"));
    }

    // Settings that cannot be written do not keep a signal from ending the program once the
    // documents have been asked.
    void signalEndsDespiteUnwritableSettings()
    {
        ShownSession session("[Options]\n");
        QVERIFY(QFile::remove(session.iniPath()));
        QVERIFY(QDir().mkpath(session.iniPath()));
        qv::closeOnTerminationSignals(MainForm);
        MainForm->FileNewItem->trigger();
        MainForm->activeDocument()->RichEdit1->setText("unsaved");

        auto asked = answerBox(QStringLiteral("&No"));
        std::raise(SIGTERM);
        QVERIFY(allModalsHandled());
        QVERIFY(asked->seen);
        QTRY_VERIFY_WITH_TIMEOUT(!MainForm->isVisible(), 10000);
    }

    // A signal during the first run's questions waits until the main window is shown.
    void signalWaitsForModalWindows()
    {
        Session session{QByteArray()};
        qv::closeOnTerminationSignals(MainForm);
        std::raise(SIGTERM);
        auto message = answerBox();
        onNextModal([](QWidget *) {
            CompileOptForm->Interpreter->setText(QStringLiteral("/usr/bin/java"));
            CompileOptForm->BitBtn2->click();
        });
        session.show();
        QVERIFY(allModalsHandled());
        QVERIFY(message->seen);
        QTRY_VERIFY_WITH_TIMEOUT(!MainForm->isVisible(), 10000);
        QVERIFY(session.iniText().contains("Interpreter=/usr/bin/java\n"));
    }

    // The first run keeps the file's values and adds the start-up file as the last file and
    // the flags in their own order; the second run reads all of it and writes it back the same.
    void settingsSurviveARestart()
    {
        QTemporaryDir config;
        QTemporaryDir files;
        const QString hello = files.filePath(QStringLiteral("Hello.java"));
        writeFile(hello, "class Hello {}\n");
        const QString ini = config.filePath(QStringLiteral("QUORVEL.INI"));
        writeFile(ini, "[Setup]\nLeft=40\nTop=50\nWidth=520\nHeight=360\n"
                       "FontName=Courier New\nFontSize=13\n"
                       "[Options]\nCompilerPath=\nDirectoryPath=/tmp/out dir\n"
                       "ClassPath=/lib/a.jar:.\nBrowser=/usr/bin/viewer\n"
                       "Interpreter=/usr/bin/java -cp .\nCompilerOptions=verbose  G nowhere\n");
        const QByteArray expected = "[Setup]\nLeft=40\nTop=50\nWidth=520\nHeight=360\n"
                                    "FontName=Courier New\nFontSize=13\nLastFileName="
                                    + hello.toUtf8()
                                    + "\n[Options]\nCompilerPath=\nDirectoryPath=/tmp/out dir\n"
                                      "ClassPath=/lib/a.jar:.\nBrowser=/usr/bin/viewer\n"
                                      "Interpreter=/usr/bin/java -cp .\n"
                                      "CompilerOptions=g verbose\n";

        runUntilSignal(config.path(), {hello}, SIGTERM);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(readFile(ini), expected);

        runUntilSignal(config.path(), {}, SIGINT);
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(readFile(ini), expected);
    }

    // Qt takes none of the arguments for its own options: a file named like one opens.
    void fileNamedLikeAQtOptionOpens()
    {
        QTemporaryDir config;
        QTemporaryDir files;
        writeFile(files.filePath(QStringLiteral("-reverse")), "class R {}\n");
        const QString ini = config.filePath(QStringLiteral("QUORVEL.INI"));
        writeFile(ini, "[Options]\nCompilerPath=\n");
        runUntilSignal(config.path(), {QStringLiteral("--"), QStringLiteral("-reverse")}, SIGTERM,
                       files.path());
        QVERIFY(readFile(ini).contains("LastFileName=-reverse\n"));
    }
};

QTEST_MAIN(tst_Restart)
#include "tst_restart.moc"
