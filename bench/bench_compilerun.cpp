// Compile and Run of a small class with the real kit: from the key to the program's first
// line of output in its run window, against the compiler and then the interpreter run
// directly, in turns.
#include "bench.h"
#include "pairs.h"
#include "testutil.h"

#include "app/DocumentTools.h"
#include "app/MainForm.h"
#include "app/Program.h"
#include "editor/Childwin.h"
#include "platform/application.h"
#include "platform/mdiframe.h"
#include "platform/textcontrol.h"
#include "toolchain/Compopt.h"
#include "toolchain/runconsole.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

const QByteArray FirstLine = "small\n";

// Serves events until done() holds or limitMs have passed; the milliseconds since clock
// started when done() was first seen, or -1.
double runUntil(const QElapsedTimer &clock, const std::function<bool()> &done, int limitMs)
{
    QEventLoop loop;
    QTimer poll;
    double at = -1;
    poll.setInterval(1);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done()) {
            at = double(clock.nsecsElapsed()) / 1e6;
            loop.quit();
        }
    });
    QTimer::singleShot(limitMs, &loop, &QEventLoop::quit);
    poll.start();
    loop.exec();
    return at;
}

double compileAndRunByKey(TMDIChild *document)
{
    const QPointer<TRunConsoleForm> previous = runWindowOf(document);
    QElapsedTimer clock;
    clock.start();
    QTest::keyClick(document->RichEdit1->view(), Qt::Key_R, Qt::ControlModifier);
    const double at = runUntil(
        clock,
        [&] {
            TRunConsoleForm *console = runWindowOf(document);
            return console && console != previous
                   && console->Output->toPlainText().startsWith(QLatin1String("small"));
        },
        120 * 1000);
    // The program ends on its own; its window goes before the next round.
    if (TRunConsoleForm *console = runWindowOf(document)) {
        QElapsedTimer wait;
        wait.start();
        runUntil(wait, [console] { return console->hasEnded(); }, 60 * 1000);
    }
    MainForm->ClientArea->activate(document);
    return at;
}

double compileAndRunDirectly(const QString &folder, const QString &source)
{
    QElapsedTimer clock;
    clock.start();
    QProcess javac;
    javac.start(folder + QStringLiteral("/javac"), {source});
    javac.waitForFinished(120 * 1000);
    QProcess java;
    java.setWorkingDirectory(QFileInfo(source).path());
    java.start(folder + QStringLiteral("/java"), {QStringLiteral("Small")});
    while (!java.canReadLine() && java.waitForReadyRead(120 * 1000)) {
    }
    const double at = double(clock.nsecsElapsed()) / 1e6;
    java.waitForFinished(60 * 1000);
    return java.readLine() == FirstLine ? at : -1;
}

} // namespace

void benchCompileAndRun()
{
    const QString folder = testutil::javaFolder();
    if (folder.isEmpty()) {
        std::printf("compile and run: no javac on the PATH\n");
        return;
    }
    QTemporaryDir scratch;
    const QString source = showWorkbenchWithSmallClass(scratch.path(), folder);
    MainForm->OpenDocument(source, true);
    TMDIChild *document = MainForm->activeDocument();
    // One untimed round of each warms the file cache for both.
    compileAndRunDirectly(folder, source);
    compileAndRunByKey(document);
    const Paired run = interleaved([&] { return compileAndRunByKey(document); },
                                   [&] { return compileAndRunDirectly(folder, source); });
    destroyQuorvelWindows();
    if (run.measure.min() < 0 || run.baseline.min() < 0) {
        std::printf("compile and run: the program's line did not show\n");
        return;
    }
    std::printf("compile and run of a small class: Ctrl+R to the first line in the run window "
                "%s, javac then java run directly %s; %s (aim 1.15)\n",
                run.measure.text().c_str(), run.baseline.text().c_str(), run.ratioText().c_str());
}
