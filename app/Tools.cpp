// The Run menu: the browser on the active page, started in the document's directory without
// waiting for it, and the interpreter on the active class, run there in a run window with
// the program's class path and the arguments last given for the file.
#include "Tools.h"

#include "MainForm.h"

#include "DocumentTools.h"

#include "editor/Childwin.h"
#include "toolchain/Compopt.h"
#include "toolchain/programcontext.h"
#include "toolchain/runconsole.h"

#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/locations.h"
#include "platform/textcontrol.h"
#include "platform/mdiframe.h"
#include "platform/arguments.h"
#include "platform/process.h"
#include "platform/application.h"

#include <QLineEdit>
#include <QPointer>

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
        runInConsole(javaTarget(), arguments, argument);
        return;
    }
    qv::StartInfo info;
    info.arguments = arguments;
    qv::startDetached(info);
}

void TMainForm::runInConsole(TMDIChild *document, const QStringList &arguments,
                             const QString &className)
{
    // The document's previous run window gives way once its program has ended.
    if (TRunConsoleForm *previous = document ? runWindowOf(document) : nullptr;
        previous && previous->hasEnded()) {
        QWidget *frame = qv::MdiFrame::frameOf(previous);
        (frame ? frame : previous)->close();
    }
    if (document)
        forgetTrace(document);
    TRunConsoleForm *console = TRunConsoleForm::run(arguments, className);
    if (!console)
        return;
    connect(console, &TRunConsoleForm::frameChosen, this, [this, console](const StackFrame &frame) {
        qv::guarded([&] { followFrame(console, frame); });
    });
    connect(console, &TRunConsoleForm::finished, this, [this, console] {
        qv::guarded([&] { markTrace(console); });
    });
    ClientArea->addChild(console);
    if (document)
        DocumentTools::of(document).adopt(console);
    console->Input->setFocus();
}

void TMainForm::BrowserItemClick()
{
    QWidget *child = activeChild();
    if (!child)
        return;
    const QString remembered = qv::currentDirectory();
    qv::setCurrentDirectory(captionDirectory(child->windowTitle()));
    const QString browser = CompileOptForm->BrowserPath->text();
    if (browser.trimmed().isEmpty())
        showCommandMessage(QStringLiteral("No browser is set: Java Options names one"));
    RunTool(browser, captionFileName(child->windowTitle()), 0);
    qv::setCurrentDirectory(remembered);
}

void TMainForm::InterpreterItemClick()
{
    runInterpreter();
}

void TMainForm::RunWithArgumentsItemClick()
{
    // Only a document has a program to give arguments to; any other child fails as
    // Interpreter fails on it.
    TMDIChild *document = javaTarget();
    if (!document) {
        runInterpreter();
        return;
    }
    const QString key = qv::absolutePath(document->caption(), qv::currentDirectory());
    QString text = m_programArguments.value(key);
    const QPointer<TMDIChild> target(document);
    if (!qv::askText(this, QStringLiteral("Run with Arguments"),
                     QStringLiteral("Arguments for ") + captionClassName(document->caption())
                         + u':',
                     text)
        || !target)
        return;
    m_programArguments.insert(key, text);
    runInterpreterOn(target, target);
}

void TMainForm::runInterpreter()
{
    // A run window stands for its document; any other child is taken by its caption.
    TMDIChild *document = javaTarget();
    runInterpreterOn(document ? document : activeChild(), document);
}

void TMainForm::runInterpreterOn(QWidget *child, TMDIChild *document)
{
    if (!child)
        return;
    const QString caption = child->windowTitle();
    const QString remembered = qv::currentDirectory();
    qv::setCurrentDirectory(captionDirectory(caption));
    QStringList arguments = qv::splitCommandLine(CompileOptForm->Interpreter->text());
    if (arguments.isEmpty()) {
        qv::setCurrentDirectory(remembered);
        return;
    }
    QString className = captionClassName(caption);
    if (document) {
        const ProgramContext context = documentContext(document);
        // The compiler runs in the workbench's folder, so a relative output folder is there.
        const QString output = CompileOptForm->DirectoryPath->text().trimmed();
        const QString outputFolder = output.isEmpty() ? output : qv::absolutePath(output, remembered);
        const QString classPath = CompileOptForm->ClassPath->text().trimmed();
        if (!context.packageName.isEmpty() || !outputFolder.isEmpty() || !classPath.isEmpty()) {
            className = context.qualifiedName;
            arguments << QStringLiteral("-cp")
                      << qv::plainArgument(runClassPath(context, outputFolder, classPath));
        }
        arguments << qv::plainArgument(className);
        arguments += qv::splitCommandLine(m_programArguments.value(
            qv::absolutePath(caption, remembered)));
        const QString note = staleClassNote(document, context, outputFolder);
        if (!note.isEmpty())
            showCommandMessage(note);
    } else {
        arguments << qv::plainArgument(className);
    }
    runInConsole(document, arguments, className);
    qv::setCurrentDirectory(remembered);
}

QString staleClassNote(const TMDIChild *document, const ProgramContext &context,
                       const QString &outputFolder)
{
    const QString source = captionFileName(document->caption());
    const QString ctrlR = QStringLiteral(": Ctrl+R compiles and runs");
    if (document->RichEdit1->modified())
        return source + QStringLiteral(" has been modified since it was saved") + ctrlR;
    const QString packagePath = QString(context.packageName).replace(u'.', qv::PathSeparator);
    QString classFile = outputFolder.isEmpty() ? context.sourceRoot : outputFolder;
    if (!packagePath.isEmpty())
        classFile += qv::PathSeparator + packagePath;
    const QString className = context.className + QStringLiteral(".class");
    classFile += qv::PathSeparator + className;
    const qv::FileStamp compiled = qv::fileStamp(classFile);
    if (!compiled.exists)
        return className + QStringLiteral(" was not found") + ctrlR;
    if (compiled.modifiedNs < qv::fileStamp(document->caption()).modifiedNs)
        return className + QStringLiteral(" is older than ") + source + ctrlR;
    return {};
}
