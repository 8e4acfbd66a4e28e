// From the compiler's diagnostics and a program's stack traces to the code: Next Error,
// Previous Error, the place a diagnostic chosen in an output window names, and the line of a
// frame chosen in a run window.
#include "MainForm.h"

#include "DocumentTools.h"

#include "LiveCheck.h"
#include "Tools.h"

#include "editor/Childwin.h"
#include "platform/boxes.h"
#include "platform/files.h"
#include "platform/locations.h"
#include "platform/mdiframe.h"
#include "platform/textcontrol.h"
#include "toolchain/compunit.h"
#include "toolchain/programcontext.h"
#include "toolchain/runconsole.h"
#include "toolchain/stacktrace.h"

#include <QPointer>

#include <algorithm>

namespace {

// The document window showing the file, or null.
TMDIChild *documentShowing(const qv::MdiFrame *frame, const QString &path)
{
    for (QWidget *child : frame->childWindows()) {
        auto *document = qobject_cast<TMDIChild *>(child);
        if (document && qv::sameFile(document->caption(), path))
            return document;
    }
    return nullptr;
}

// The document whose last compile the Next and Previous Error commands step through.
QPointer<TMDIChild> SteppedDocument;
// The run window of the last program that printed a trace through the program's files.
QPointer<TRunConsoleForm> SteppedRun;

// The mark a run's trace left, for its document: on the line of a file, shown while the file
// is open.
struct TraceMark
{
    QPointer<const TMDIChild> owner;
    QString path;
    int line = 0;
    QString message;
    QPointer<TMDIChild> marked;
    int handle = -1;
};
QList<TraceMark> TraceMarks;

void showTraceMark(TraceMark &mark, TMDIChild *document)
{
    if (mark.line > document->RichEdit1->lineCount() - 1)
        return;
    mark.marked = document;
    mark.handle = document->RichEdit1->addLineMark(mark.line, qv::TextControl::LineMark::Error,
                                                   mark.message);
}
// Where the run's program lives, read once for many frames.
struct RunProgram
{
    explicit RunProgram(const TRunConsoleForm *console)
        : known(DocumentTools::ownerOf(console) != nullptr)
    {
        if (known)
            context = documentContext(DocumentTools::ownerOf(console));
    }
    // The frame's file among those of the program, or empty.
    QString sourceOf(const StackFrame &frame) const
    {
        return known ? frameSourcePath(frame, context) : QString();
    }

    bool known;
    ProgramContext context;
};

} // namespace

void TMainForm::NextErrorItemClick()
{
    stepDiagnostic(1);
}

void TMainForm::PreviousErrorItemClick()
{
    stepDiagnostic(-1);
}

void TMainForm::stepDiagnostic(int step)
{
    if (stepTrace(step))
        return;
    TMDIChild *document = activeDocument();
    if (auto *output = qobject_cast<TCompOutForm *>(activeChild()))
        document = DocumentTools::ownerOf(output);
    if (auto *run = qobject_cast<TRunConsoleForm *>(activeChild()))
        document = DocumentTools::ownerOf(run);
    // A step may have opened another file, which has no compile of its own: the steps go on
    // through the compile they came from.
    const auto hasCompile = [](TMDIChild *document) {
        return document && !DocumentTools::of(document).compileDiagnostics().isEmpty();
    };
    if (!hasCompile(document) && SteppedDocument)
        document = SteppedDocument;
    if (!hasCompile(document)) {
        // Without a compile to step through, the steps go through the marks of the check
        // made while typing.
        if (!LiveCheck->stepMark(activeDocument(), step))
            qv::beep();
        return;
    }
    const DocumentTools &tools = DocumentTools::of(document);
    const int count = int(tools.compileDiagnostics().size());
    int next = tools.CurrentDiagnostic + step;
    if (tools.CurrentDiagnostic < 0)
        next = step > 0 ? 0 : count - 1;
    if (next < 0 || next >= count) {
        qv::beep();
        return;
    }
    showKeptDiagnostic(document, next);
}

void TMainForm::ShowChosenDiagnostic(TCompOutForm *output, const Diagnostic &diagnostic)
{
    TMDIChild *owner = DocumentTools::ownerOf(output);
    const int kept = owner ? DocumentTools::of(owner).findCompileDiagnostic(diagnostic,
                                                                            output->CompilerFolder)
                           : -1;
    if (kept >= 0) {
        showKeptDiagnostic(owner, kept);
        return;
    }
    const QString path = qv::absolutePath(diagnostic.file, output->CompilerFolder);
    TMDIChild *target = owner && qv::sameFile(owner->caption(), path)
                            ? owner
                            : documentShowing(ClientArea, path);
    goToPlace(target, path, diagnostic.line - 1, diagnostic.column);
}

void TMainForm::showKeptDiagnostic(TMDIChild *owner, int index)
{
    DocumentTools &tools = DocumentTools::of(owner);
    const DocumentTools::PlacedDiagnostic placed = tools.compileDiagnostics().at(index);
    tools.CurrentDiagnostic = index;
    SteppedDocument = owner;
    // A marked line is in the owner's own text, wherever edits have moved it since.
    TMDIChild *target = placed.mark >= 0 ? owner : documentShowing(ClientArea, placed.path);
    goToPlace(target, placed.path, tools.lineOf(placed), placed.diagnostic.column);
}

void TMainForm::goToPlace(TMDIChild *target, const QString &path, int line, int column)
{
    if (!target) {
        if (!qv::fileExists(path)) {
            qv::beep();
            return;
        }
        OpenDocument(path, true);
        target = activeDocument();
        if (!target)
            return;
    }
    ClientArea->activate(target);
    target->RichEdit1->gotoLineColumn(line, column);
    target->RichEdit1->setFocus();
}

void TMainForm::followFrame(TRunConsoleForm *console, const StackFrame &frame)
{
    // A class of the kit has no source here: its lines lead nowhere.
    const QString path = RunProgram(console).sourceOf(frame);
    if (!path.isEmpty())
        goToPlace(documentShowing(ClientArea, path), path, frame.line - 1, 0);
}

void TMainForm::markTrace(TRunConsoleForm *console)
{
    // The last trace is the one that ended the program, or the deepest cause: its innermost
    // frame in the program's own files is where to look first.
    const StackFrame *innermost = nullptr;
    QString path;
    const RunProgram program(console);
    for (const StackFrame &frame : console->frames()) {
        if (innermost && innermost->trace == frame.trace)
            continue;
        const QString source = program.sourceOf(frame);
        if (source.isEmpty())
            continue;
        innermost = &frame;
        path = source;
    }
    if (!innermost)
        return;
    SteppedRun = console;
    TraceMark mark{DocumentTools::ownerOf(console), path, innermost->line - 1,
                   innermost->exception.isEmpty() ? QStringLiteral("exception")
                                                  : innermost->exception};
    if (TMDIChild *open = documentShowing(ClientArea, path))
        showTraceMark(mark, open);
    TraceMarks.append(mark);
}

void TMainForm::showTraceMarks(TMDIChild *opened)
{
    // A file the trace leads to that was not open, or was closed since, shows the mark when
    // it opens.
    const QList<QWidget *> open = ClientArea->childWindows();
    for (TraceMark &mark : TraceMarks) {
        // A window closed is not always destroyed yet.
        const bool shown = mark.marked && open.contains(mark.marked.data());
        if (!shown && mark.owner && qv::sameFile(mark.path, opened->caption()))
            showTraceMark(mark, opened);
    }
}

void TMainForm::forgetTrace(const TMDIChild *owner)
{
    if (SteppedRun && DocumentTools::ownerOf(SteppedRun) == owner)
        SteppedRun.clear();
    for (qsizetype i = TraceMarks.size() - 1; i >= 0; --i) {
        const TraceMark mark = TraceMarks[i];
        if (mark.owner && mark.owner != owner)
            continue;
        if (mark.marked)
            mark.marked->RichEdit1->removeLineMark(mark.handle);
        TraceMarks.removeAt(i);
    }
}

bool TMainForm::stepTrace(int step)
{
    auto *run = qobject_cast<TRunConsoleForm *>(activeChild());
    if (!run || run->frames().isEmpty()) {
        // Away from the run window, its trace is walked from its document and from the files
        // its frames lead to.
        run = SteppedRun;
        TMDIChild *document = activeDocument();
        if (!run || !document)
            return false;
        if (document != DocumentTools::ownerOf(run)) {
            const QList<StackFrame> &frames = run->frames();
            const QString name = captionFileName(document->caption());
            const RunProgram program(run);
            const auto leadsHere = [&](const StackFrame &frame) {
                return frame.file == name
                       && qv::sameFile(program.sourceOf(frame), document->caption());
            };
            if (std::none_of(frames.begin(), frames.end(), leadsHere))
                return false;
        }
    }
    StackFrame frame;
    const RunProgram program(run);
    if (!run->stepFrame(step, [&program](const StackFrame &each) {
            return !program.sourceOf(each).isEmpty();
        }, frame)) {
        qv::beep();
        return true;
    }
    followFrame(run, frame);
    return true;
}
