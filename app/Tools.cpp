// The Run menu: the browser on the active page and the interpreter on the active class, each
// started in the document's directory without waiting for it.
#include "Tools.h"

#include "Main.h"

#include "toolchain/Compopt.h"

#include "platform/files.h"
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
    // The show state asks how the program's first window appears; a Linux program decides
    // that itself, so it is not passed on.
    Q_UNUSED(showState);
    QStringList arguments = qv::splitCommandLine(program);
    // Without a program nothing is started: the argument is a document, never a command.
    if (arguments.isEmpty())
        return;
    arguments.append(argument);
    qv::StartInfo info;
    info.arguments = arguments;
    qv::startDetached(info);
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
