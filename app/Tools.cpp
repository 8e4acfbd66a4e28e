// The Run menu: the browser on the active page, started in the document's directory without
// waiting for it, and the interpreter on the active class, run there in a run window.
#include "Tools.h"

#include "MainForm.h"

#include "editor/Childwin.h"
#include "toolchain/Compopt.h"
#include "toolchain/runconsole.h"

#include "platform/files.h"
#include "platform/mdiframe.h"
#include "platform/arguments.h"
#include "platform/process.h"

#include <QLineEdit>

QString captionDirectory(const QString &caption)
{
    return caption.left(caption.lastIndexOf(qv::PathSeparator) + 1);
}

QString captionFileName(const QString &caption)
{
    return caption.mid(caption.lastIndexOf(qv::PathSeparator) + 1);
}

QString captionClassName(const QString &caption)
{
    const QString name = captionFileName(caption);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? name : name.left(dot);
}

void TMainForm::RunTool(const QString &program, const QString &argument, int showState)
{
    QStringList arguments = qv::splitCommandLine(program);
    // Without a program nothing is started: the argument is a document, never a command.
    if (arguments.isEmpty())
        return;
    // A name is never taken for an option or an argument file.
    arguments.append(qv::plainArgument(argument));
    // A program shown at its start is a console program: the user must see what it writes
    // and be able to give it input. Any other program shows windows of its own, if any.
    if (showState == 5) {
        runInConsole(arguments, argument);
        return;
    }
    qv::StartInfo info;
    info.arguments = arguments;
    qv::startDetached(info);
}

void TMainForm::runInConsole(const QStringList &arguments, const QString &className)
{
    TMDIChild *document = activeDocument();
    // The document's previous run window gives way once its program has ended.
    if (TRunConsoleForm *previous = document ? document->RunWindow : nullptr;
        previous && previous->hasEnded()) {
        QWidget *frame = qv::MdiFrame::frameOf(previous);
        (frame ? frame : previous)->close();
    }
    TRunConsoleForm *console = TRunConsoleForm::run(document, arguments, className);
    if (!console)
        return;
    ClientArea->addChild(console);
    if (document)
        document->RunWindow = console;
    console->Input->setFocus();
}

namespace {

// Starts the program on a part of the active child's caption, with the caption's directory
// part as the current directory while it starts; the remembered directory is current again
// afterwards. With no active child nothing happens.
void runOnActiveCaption(TMainForm *form, const QString &program,
                        QString (*part)(const QString &), int showState)
{
    QWidget *child = form->activeChild();
    if (!child)
        return;
    const QString remembered = qv::currentDirectory();
    qv::setCurrentDirectory(captionDirectory(child->windowTitle()));
    form->RunTool(program, part(child->windowTitle()), showState);
    qv::setCurrentDirectory(remembered);
}

} // namespace

void TMainForm::BrowserItemClick()
{
    runOnActiveCaption(this, CompileOptForm->BrowserPath->text(), captionFileName, 0);
}

void TMainForm::InterpreterItemClick()
{
    runOnActiveCaption(this, CompileOptForm->Interpreter->text(), captionClassName, 5);
}
