// Compile of a small class with the real compiler: from the Compile command to the completion
// report, against the compiler run directly, in turns.
#include "bench.h"
#include "pairs.h"

#include "app/MainForm.h"
#include "app/Program.h"
#include "editor/Childwin.h"
#include "platform/application.h"
#include "platform/textcontrol.h"
#include "toolchain/Compopt.h"
#include "toolchain/compunit.h"

#include "testutil.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>

namespace {

double compileThroughTheCommand(const QString &source)
{
    MainForm->OpenDocument(source, true);
    TMDIChild *document = MainForm->activeDocument();
    testutil::BoxRecorder boxes;
    const qint64 startNs = QDeadlineTimer::current(Qt::PreciseTimer).deadlineNSecs();
    qv::guarded([] { MainForm->CompileItemClick(); });
    const testutil::BoxInfo *report = waitForCompileReport(boxes, 120 * 1000);
    document->RichEdit1->setModified(false);
    delete document->parentWidget();
    return report ? double(report->shownAtNs - startNs) / 1e6 : -1;
}

double compileDirectly(const QString &compiler, const QString &source)
{
    QElapsedTimer clock;
    clock.start();
    QProcess javac;
    javac.start(compiler, {source});
    javac.waitForFinished(120 * 1000);
    return double(clock.nsecsElapsed()) / 1e6;
}

} // namespace

void benchJavac()
{
    const QString found = QStandardPaths::findExecutable(QStringLiteral("javac"));
    if (found.isEmpty()) {
        std::printf("javac compile: no javac on the PATH\n");
        return;
    }
    const QString compiler = QFileInfo(found).canonicalFilePath();
    QTemporaryDir scratch;
    const QString source = showWorkbenchWithSmallClass(scratch.path(), QFileInfo(compiler).path());
    // One untimed round of each warms the file cache for both.
    compileDirectly(compiler, source);
    compileThroughTheCommand(source);
    const Paired run = interleaved([&] { return compileThroughTheCommand(source); },
                                   [&] { return compileDirectly(compiler, source); });
    destroyQuorvelWindows();
    if (run.measure.min() < 0) {
        std::printf("javac compile: no completion report\n");
        return;
    }
    std::printf("javac compile of a small class: Compile command to the report %s, javac run "
                "directly %s; %s (aim 1.2)\n",
                run.measure.text().c_str(), run.baseline.text().c_str(), run.ratioText().c_str());
}
