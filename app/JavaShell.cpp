// The Java Shell command: one shell window for the workbench, started with the class path
// the current document's program runs with.
#include "MainForm.h"

#include "DocumentTools.h"

#include "LiveCheck.h"
#include "Tools.h"

#include "editor/Childwin.h"
#include "platform/files.h"
#include "platform/locations.h"
#include "platform/mdiframe.h"
#include "platform/textcontrol.h"
#include "toolchain/Compopt.h"
#include "toolchain/javaservice.h"
#include "toolchain/programcontext.h"
#include "toolchain/runconsole.h"
#include "toolchain/shellpane.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <algorithm>

namespace {

// More sources than this are not taken into a shell: a folder of many programs is not one
// program.
constexpr qsizetype MaxShellSources = 100;

// The Java document most recently active, or whose run window was.
TMDIChild *currentJavaDocument(const TMainForm *form)
{
    for (QWidget *child : form->ClientArea->childWindows()) {
        TMDIChild *document = qobject_cast<TMDIChild *>(child);
        if (const auto *console = qobject_cast<TRunConsoleForm *>(child))
            document = DocumentTools::ownerOf(console);
        if (document && form->isJavaDocument(document))
            return document;
    }
    return nullptr;
}

// The sources in the folder of the unnamed package whose classes have been compiled into
// one of the class folders: the shell takes them in as sources.
QStringList compiledUnnamedSources(const QString &folder, const QStringList &classFolders)
{
    QStringList sources;
    const QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("*.java")}, QDir::Files,
                                                          QDir::Name);
    for (const QFileInfo &file : files) {
        if (sources.size() >= MaxShellSources)
            break;
        const QString classFile = file.completeBaseName() + QStringLiteral(".class");
        const bool compiled = std::any_of(classFolders.begin(), classFolders.end(),
                                          [&](const QString &classes) {
                                              return QFileInfo(QDir(classes).filePath(classFile)).isFile();
                                          });
        QFile source(file.absoluteFilePath());
        if (compiled && source.open(QIODevice::ReadOnly)
            && packageDeclared(source.read(64 * 1024)).isEmpty())
            sources.append(file.absoluteFilePath());
    }
    return sources;
}

} // namespace

ShellContext TMainForm::shellContext() const
{
    const TMDIChild *document = currentJavaDocument(this);
    if (!document)
        return {};
    const ProgramContext context = documentContext(document);
    // As the program runs: the output folder (relative to the workbench's folder) or the
    // source root, then the class path setting.
    const QString output = CompileOptForm->DirectoryPath->text().trimmed();
    const QString outputFolder = output.isEmpty() ? output
                                                  : qv::absolutePath(output, qv::currentDirectory());
    ShellContext shell;
    shell.classPath = runClassPath(context, outputFolder,
                                   CompileOptForm->ClassPath->text().trimmed());
    // Sources sit in the source root, or beside their classes in a class path folder.
    shell.sourceFolders.append(context.sourceRoot);
    QStringList classFolders;
    for (const QString &entry : shell.classPath.split(u':', Qt::SkipEmptyParts)) {
        if (QFileInfo(entry).isDir())
            classFolders.append(entry);
        if (QFileInfo(entry).isDir() && !shell.sourceFolders.contains(entry))
            shell.sourceFolders.append(entry);
    }
    shell.sources = compiledUnnamedSources(context.sourceRoot, classFolders);
    return shell;
}

void TMainForm::JavaShellItemClick()
{
    if (ShellWindow) {
        ClientArea->activate(ShellWindow);
        ShellWindow->Input->setFocus();
        return;
    }
    JavaService *service = LiveCheck->service();
    // The shell needs the service whether or not documents are checked as they are typed.
    if (!service->started())
        service->start(CompileOptForm->JavaPath->text());
    auto *shell = new TShellForm(service, &ShellHistory);
    ShellWindow = shell;
    shell->CurrentContext = [this] { return shellContext(); };
    connect(shell, &TShellForm::placeChosen, this, [this](const QString &path, int line) {
        TMDIChild *target = nullptr;
        for (QWidget *child : ClientArea->childWindows()) {
            auto *document = qobject_cast<TMDIChild *>(child);
            if (document && qv::sameFile(document->caption(), path))
                target = document;
        }
        goToPlace(target, path, line - 1, 1);
    });
    shell->startShell(shellContext());
    ClientArea->addChild(shell);
    shell->Input->setFocus();
}
