// From the compiler's diagnostics to the code: Next Error, Previous Error, and the place a
// diagnostic chosen in an output window names.
#include "MainForm.h"

#include "LiveCheck.h"

#include "editor/Childwin.h"
#include "platform/boxes.h"
#include "platform/files.h"
#include "platform/locations.h"
#include "platform/mdiframe.h"
#include "platform/textcontrol.h"
#include "toolchain/compunit.h"

#include <QPointer>

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
    TMDIChild *document = activeDocument();
    if (auto *output = qobject_cast<TCompOutForm *>(activeChild()))
        document = output->owner();
    // A step may have opened another file, which has no compile of its own: the steps go on
    // through the compile they came from.
    if ((!document || document->compileDiagnostics().isEmpty()) && SteppedDocument)
        document = SteppedDocument;
    if (!document || document->compileDiagnostics().isEmpty()) {
        // Without a compile to step through, the steps go through the marks of the check
        // made while typing.
        if (!LiveCheck->stepMark(activeDocument(), step))
            qv::beep();
        return;
    }
    const int count = int(document->compileDiagnostics().size());
    int next = document->CurrentDiagnostic + step;
    if (document->CurrentDiagnostic < 0)
        next = step > 0 ? 0 : count - 1;
    if (next < 0 || next >= count) {
        qv::beep();
        return;
    }
    showKeptDiagnostic(document, next);
}

void TMainForm::ShowChosenDiagnostic(TCompOutForm *output, const Diagnostic &diagnostic)
{
    TMDIChild *owner = output->owner();
    const int kept = owner ? owner->findCompileDiagnostic(diagnostic, output->CompilerFolder) : -1;
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
    const TMDIChild::PlacedDiagnostic placed = owner->compileDiagnostics().at(index);
    owner->CurrentDiagnostic = index;
    SteppedDocument = owner;
    // A marked line is in the owner's own text, wherever edits have moved it since.
    TMDIChild *target = placed.mark >= 0 ? owner : documentShowing(ClientArea, placed.path);
    goToPlace(target, placed.path, owner->lineOf(placed), placed.diagnostic.column);
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
