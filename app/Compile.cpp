#include "MainForm.h"

#include "editor/Childwin.h"
#include "platform/application.h"
#include "platform/boxes.h"
#include "platform/mdiframe.h"
#include "platform/textcontrol.h"
#include "toolchain/Compopt.h"
#include "toolchain/compunit.h"

#include <QLineEdit>
#include <QPointer>

void TMainForm::CompileItemClick()
{
    const QPointer<TMDIChild> document = activeDocument();
    if (!document) {
        qv::messageBox(QStringLiteral("Nothing to compile!"));
        return;
    }
    if (document->RichEdit1->modified()) {
        const qv::Answer answer
            = qv::confirm(document->caption() + QStringLiteral(" has been modified.")
                          + QStringLiteral("  Save changes before compiling?"));
        if (answer == qv::Answer::Cancel || !document)
            return;
        if (answer == qv::Answer::Yes)
            document->SaveDocument();
    }
    // A previous window whose compile is still going stays open beside the new one; it can be
    // stopped on its own.
    if (TCompOutForm *previous = document->OutputForm; previous && !previous->going()) {
        QWidget *frame = qv::MdiFrame::frameOf(previous);
        (frame ? frame : previous)->close();
    }

    const QString quote = QStringLiteral("\"");
    const QString quotedName = quote + document->caption() + quote;
    const QString quotedCompiler
        = quote + compilerFileFor(CompileOptForm->JavaPath->text()) + quote;
    // The output folder and the class path reach the compiler whole, blanks and all.
    const QStringList options = BuildCompilerArguments();
    document->clearCompileMarks();
    TCompOutForm *output
        = TCompOutForm::CreateAndCompile(document, quotedCompiler, options, quotedName);
    connect(output, &TCompOutForm::diagnosticChosen, this,
            [this, output](const Diagnostic &diagnostic) {
                qv::guarded([&] { ShowChosenDiagnostic(output, diagnostic); });
            });

    // No event is served before these are in place, so the readers' first hand-over finds
    // them set.
    ClientArea->addChild(output);
    output->setCaption(QStringLiteral("Compiling ") + quotedName + QStringLiteral(" ..."));
    output->CompiledFile = quotedName;
    document->OutputForm = output;
}
