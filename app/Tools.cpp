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

// Runs start with the directory part of the caption as the current directory, then makes the
// remembered directory current again.
template<typename Start>
void inDocumentDirectory(const QString &caption, Start start)
{
    const QString remembered = qv::currentDirectory();
    qv::setCurrentDirectory(captionDirectory(caption));
    start();
    qv::setCurrentDirectory(remembered);
}

} // namespace

void TMainForm::BrowserItemClick()
{
    QWidget *child = activeChild();
    if (!child)
        return;
    inDocumentDirectory(child->windowTitle(), [&] {
        RunTool(CompileOptForm->BrowserPath->text(), captionFileName(child->windowTitle()), 0);
    });
}

void TMainForm::InterpreterItemClick()
{
    QWidget *child = activeChild();
    if (!child)
        return;
    inDocumentDirectory(child->windowTitle(), [&] {
        RunTool(CompileOptForm->Interpreter->text(), captionClassName(child->windowTitle()), 5);
    });
}
