#include "bench.h"

#include "app/DocumentTools.h"
#include "pairs.h"

#include "app/MainForm.h"
#include "app/Program.h"
#include "editor/Childwin.h"
#include "platform/application.h"
#include "platform/boxes.h"
#include "platform/process.h"
#include "platform/textcontrol.h"
#include "toolchain/Compopt.h"
#include "toolchain/compunit.h"

#include "testutil.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

namespace {

constexpr long OutputBytes = 10 * 1000 * 1000;
constexpr long ErrorBytes = 100 * 1000 * 1000;
constexpr qint64 ReadSize = 256;

// The stand-in compiler's standard output (or standard error) read straight from a pipe into
// memory, in reads of the same size the workbench uses. Returns the milliseconds, or a
// negative value on failure.
double rawPipeMilliseconds(qsizetype &bytesRead, bool errorStream)
{
    QElapsedTimer timer;
    timer.start();
    qv::Pipe pipe;
    if (!qv::createPipe(pipe))
        return -1;
    qv::StartInfo info;
    info.arguments = {QStringLiteral(QUORVEL_FAKE_JAVAC)};
    if (errorStream)
        info.setError(pipe.write);
    else
        info.setOutput(pipe.write);
    const bool started = qv::startDetached(info);
    pipe.write.close();
    if (!started) {
        pipe.read.close();
        return -1;
    }
    QByteArray all;
    all.reserve(errorStream ? ErrorBytes : OutputBytes);
    char buffer[ReadSize];
    for (qint64 count; (count = qv::readPipe(pipe.read.fd(), buffer, ReadSize)) > 0;)
        all.append(buffer, count);
    pipe.read.close();
    bytesRead = all.size();
    return double(timer.nsecsElapsed()) / 1e6;
}

struct UiRun
{
    double milliseconds = -1;
    double longestStallMs = 0;
    qsizetype shownBytes = 0;
    qsizetype errorBoxChars = 0;
    int boxes = 0;
    long peakGrowthKiB = 0;
};

UiRun compileThroughTheWindow(const QString &compilerDirectory, const QString &sourceFile)
{
    UiRun run;
    CompileOptForm->JavaPath->setText(compilerDirectory);
    MainForm->OpenDocument(sourceFile, true);
    TMDIChild *document = MainForm->activeDocument();

    // The box of error output is read once the compiler's output has all been read, as a
    // user who reads it would; the report follows it.
    testutil::BoxRecorder boxes;
    QPointer<TCompOutForm> output;
    boxes.ready = [&] { return !output || output->runningReaders() == 0; };
    boxes.beforeAnswer = [&] {
        const testutil::BoxInfo &box = boxes.boxes.last();
        if (box.text.contains(QStringLiteral(" done compiling.")))
            run.shownBytes = output ? output->RichEdit1->length() : 0;
        else
            run.errorBoxChars = box.text.size();
    };

    // The longest gap between ticks of a timer on the user-interface thread.
    QElapsedTimer clock;
    QTimer ticker;
    ticker.setInterval(5);
    double lastTick = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const double now = double(clock.nsecsElapsed()) / 1e6;
        run.longestStallMs = qMax(run.longestStallMs, now - lastTick);
        lastTick = now;
    });

    const long residentBefore = residentKiB();
    resetPeak();
    const qint64 startNs = QDeadlineTimer::current(Qt::PreciseTimer).deadlineNSecs();
    clock.start();
    ticker.start();
    qv::guarded([] {
        MainForm->CompileItemClick();
    });
    output = outputWindowOf(document);
    const testutil::BoxInfo *report = waitForCompileReport(boxes, 600 * 1000);
    ticker.stop();
    const double now = double(clock.nsecsElapsed()) / 1e6;
    run.longestStallMs = qMax(run.longestStallMs, now - lastTick);

    run.milliseconds = report ? double(report->shownAtNs - startNs) / 1e6 : -1;
    run.boxes = int(boxes.boxes.size());
    run.peakGrowthKiB = residentKiB("VmHWM:") - residentBefore;
    // Closes the document (the output window went by itself) without asking.
    document->RichEdit1->setModified(false);
    delete document->parentWidget();
    return run;
}

} // namespace

namespace {

// The stand-in compiler writes bytes of text lines to standard output (with three notes on
// standard error) or, for errorStream, all of it to standard error; the compile through the
// window against reading the same stream straight from a pipe.
void benchCompileStream(const char *name, long bytes, bool errorStream, int pairs)
{
    QTemporaryDir scratch;
    const QString bin = scratch.filePath(QStringLiteral("bin"));
    QDir().mkpath(bin);
    QFile::link(QStringLiteral(QUORVEL_FAKE_JAVAC), bin + QStringLiteral("/javac"));
    const QString source = scratch.filePath(QStringLiteral("Flood.java"));
    QFile file(source);
    if (file.open(QIODevice::WriteOnly))
        file.write("class Flood {}\n");
    file.close();
    useScratchSettings(scratch.path());
    qputenv("QV_FAKE_JAVAC", QByteArray(errorStream ? "errflood:" : "flood:")
                                 + QByteArray::number(qlonglong(bytes)));

    createQuorvelWindows({});
    MainForm->show();
    qsizetype rawBytes = 0;
    UiRun last;
    double worstStall = 0;
    long worstGrowth = 0;
    bool failed = false;
    const Paired run = interleaved(
        [&] {
            last = compileThroughTheWindow(bin, source);
            failed = failed || last.milliseconds < 0;
            worstStall = qMax(worstStall, last.longestStallMs);
            worstGrowth = qMax(worstGrowth, last.peakGrowthKiB);
            return last.milliseconds;
        },
        [&] { return rawPipeMilliseconds(rawBytes, errorStream); }, pairs);
    destroyQuorvelWindows();
    qunsetenv("QV_FAKE_JAVAC");
    if (failed) {
        std::printf("%s: no completion report\n", name);
        return;
    }

    std::printf("%s, %.1f MB of %s in reads of at most %lld bytes: %s to the report "
                "(%lld bytes shown, %lld characters in the error box, %d boxes); raw pipe read "
                "%s (%lld bytes); %s\n",
                name, double(bytes) / 1e6, errorStream ? "error output" : "output",
                static_cast<long long>(ReadSize), run.measure.text().c_str(),
                static_cast<long long>(last.shownBytes),
                static_cast<long long>(last.errorBoxChars), last.boxes,
                run.baseline.text().c_str(), static_cast<long long>(rawBytes),
                run.ratioText().c_str());
    std::printf("%s, longest user-interface stall while output streams in: %.1f ms (bar 100); "
                "peak memory growth %.1f MB\n",
                name, worstStall, double(worstGrowth) / 1024);
}

} // namespace

void benchCompile()
{
    benchCompileStream("compile", OutputBytes, false, Pairs);
}

void benchCompileErrors()
{
    benchCompileStream("compile errors", ErrorBytes, true, 3);
}

const testutil::BoxInfo *waitForCompileReport(const testutil::BoxRecorder &boxes, int limitMs)
{
    const auto report = [&]() -> const testutil::BoxInfo * {
        for (const testutil::BoxInfo &box : boxes.boxes) {
            if (box.text.contains(QStringLiteral(" done compiling.")))
                return &box;
        }
        return nullptr;
    };
    testutil::runEventsUntil(
        [&] { return report() && RunningReaders == 0 && !QApplication::activeModalWidget(); },
        limitMs);
    return report();
}
