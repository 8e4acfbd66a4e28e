// The Compile command: what is compiled, the questions asked first, and the compiler started
// on the document's program.
#include "MainForm.h"

#include "DocumentTools.h"
#include "Tools.h"

#include "editor/Childwin.h"
#include "platform/application.h"
#include "platform/boxes.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/locations.h"
#include "platform/mdiframe.h"
#include "platform/textcontrol.h"
#include "toolchain/Compopt.h"
#include "toolchain/compunit.h"
#include "toolchain/programcontext.h"
#include "toolchain/runconsole.h"

#include <QLineEdit>
#include <QPointer>

namespace {

QByteArrayView textOf(const TMDIChild *document)
{
    const std::string_view text = document->RichEdit1->bytes();
    return QByteArrayView(text.data(), qsizetype(text.size()));
}

bool isJavaName(const QString &name)
{
    return name.endsWith(QLatin1String(".java"), Qt::CaseInsensitive)
           || name.endsWith(QLatin1String(".jav"), Qt::CaseInsensitive);
}

} // namespace

ProgramContext documentContext(const TMDIChild *document)
{
    return programContext(document->caption(), textOf(document));
}

TMDIChild *TMainForm::javaTarget() const
{
    if (auto *console = qobject_cast<TRunConsoleForm *>(activeChild()))
        return DocumentTools::ownerOf(console);
    return activeDocument();
}

void TMainForm::CompileItemClick()
{
    TMDIChild *document = javaTarget();
    if (!document) {
        qv::messageBox(QStringLiteral("Nothing to compile!"));
        return;
    }
    compileDocument(document);
}

void TMainForm::CompileAndRunItemClick()
{
    TMDIChild *document = javaTarget();
    if (auto *output = qobject_cast<TCompOutForm *>(activeChild()))
        document = DocumentTools::ownerOf(output);
    if (!document) {
        qv::messageBox(QStringLiteral("Nothing to compile!"));
        return;
    }
    TCompOutForm *output = compileDocument(document);
    if (!output)
        return;
    output->ReportsSuccess = false;
    const QPointer<TMDIChild> target(document);
    connect(output, &TCompOutForm::compiledCleanly, this, [this, target] {
        qv::guarded([&] {
            if (target)
                runInterpreterOn(target, target);
        });
    });
}

bool TMainForm::isJavaDocument(const TMDIChild *document) const
{
    return isJavaName(document->caption())
           || (!document->namedOnDisk() && !publicClassName(textOf(document)).isEmpty());
}

bool TMainForm::saveUnderNewName(TMDIChild *document)
{
    // The folder of the last file saved under a name, else of the last one opened.
    QString last = SaveDialog1->fileName();
    if (last.isEmpty())
        last = OpenDialog->fileName();
    const QString folder = last.isEmpty() ? qv::currentDirectory()
                                          : last.left(last.lastIndexOf(qv::PathSeparator));
    const QString className = publicClassName(textOf(document));
    SaveDialog1->setFileName(folder + qv::PathSeparator
                             + (className.isEmpty() ? QString() : className + QStringLiteral(".java")));
    SaveDialog1->setDefaultSuffix(QStringLiteral("java"));
    const QPointer<TMDIChild> target(document);
    const bool chosen = SaveDialog1->execute();
    if (!chosen)
        SaveDialog1->setFileName(last);
    if (!chosen || !target)
        return false;
    const QString name = SaveDialog1->fileName();
    const qv::FileStamp there = qv::fileStamp(name);
    if ((there.exists || there.isLink)
        && qv::confirm(name + QStringLiteral(" already exists.  Replace it?"), qv::Answer::No)
               != qv::Answer::Yes)
        return false;
    if (!target)
        return false;
    document->SaveDocumentAs(name);
    applyEditorOptions(document);
    return true;
}

bool TMainForm::saveOtherDocuments(const TMDIChild *document, const QString &root)
{
    const QString under = root.endsWith(qv::PathSeparator) ? root : root + qv::PathSeparator;
    QList<QPointer<TMDIChild>> modified;
    QString list;
    for (QWidget *child : ClientArea->childWindows()) {
        auto *other = qobject_cast<TMDIChild *>(child);
        if (!other || other == document || !other->namedOnDisk()
            || !other->RichEdit1->modified() || !isJavaName(other->caption()))
            continue;
        const QString path = qv::absolutePath(other->caption(), qv::currentDirectory());
        if (!path.startsWith(under))
            continue;
        modified.append(other);
        list += QStringLiteral("\r    ") + other->caption();
    }
    if (modified.isEmpty())
        return true;
    const qv::Answer answer = qv::confirm(
        QStringLiteral("These files of the same program have been modified:") + list
        + QStringLiteral("\r\rSave them before compiling?"));
    if (answer == qv::Answer::Cancel)
        return false;
    if (answer == qv::Answer::Yes) {
        for (const QPointer<TMDIChild> &other : modified) {
            if (other)
                other->SaveDocument();
        }
    }
    return true;
}

TCompOutForm *TMainForm::compileDocument(TMDIChild *target)
{
    const QPointer<TMDIChild> document = target;
    // A new document is given a name first: the compiler needs a file it can read.
    if (!document->namedOnDisk() && !saveUnderNewName(document))
        return nullptr;
    if (!document)
        return nullptr;
    if (document->RichEdit1->modified()) {
        const qv::Answer answer
            = qv::confirm(document->caption() + QStringLiteral(" has been modified.")
                          + QStringLiteral("  Save changes before compiling?"));
        if (answer == qv::Answer::Cancel || !document)
            return nullptr;
        if (answer == qv::Answer::Yes)
            document->SaveDocument();
    }
    const ProgramContext context = documentContext(document);
    if (!saveOtherDocuments(document, context.sourceRoot) || !document)
        return nullptr;
    // A previous window whose compile is still going stays open beside the new one; it can be
    // stopped on its own.
    DocumentTools &tools = DocumentTools::of(document);
    if (TCompOutForm *previous = tools.OutputForm; previous && !previous->going()) {
        QWidget *frame = qv::MdiFrame::frameOf(previous);
        (frame ? frame : previous)->close();
    }

    const QString quote = QStringLiteral("\"");
    const QString quotedName = quote + document->caption() + quote;
    const QString quotedCompiler
        = quote + compilerFileFor(CompileOptForm->JavaPath->text()) + quote;
    // The output folder and the class path reach the compiler whole, blanks and all.
    const QStringList options = BuildCompilerArguments();
    tools.clearCompileMarks();
    forgetTrace(document);
    TCompOutForm *output = TCompOutForm::CreateAndCompile(quotedCompiler, options, quotedName,
                                                          context.sourceRoot);
    tools.adopt(output);
    connect(output, &TCompOutForm::diagnosticChosen, this,
            [this, output](const Diagnostic &diagnostic) {
                qv::guarded([&] { ShowChosenDiagnostic(output, diagnostic); });
            });

    // No event is served before these are in place, so the readers' first hand-over finds
    // them set.
    ClientArea->addChild(output);
    output->setCaption(QStringLiteral("Compiling ") + quotedName + QStringLiteral(" ..."));
    output->CompiledFile = quotedName;
    if (!context.folderMatchesPackage)
        showCommandMessage(packageMismatchNote(context));
    return output;
}

QString packageMismatchNote(const ProgramContext &context)
{
    return QStringLiteral("%1 is in package %2, but its folder is not %3: classes are looked "
                          "for in its own folder")
        .arg(context.className + QStringLiteral(".java"), context.packageName,
             QString(context.packageName).replace(u'.', qv::PathSeparator));
}
