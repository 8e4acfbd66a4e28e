// Program start and end: the command line, the three long-lived windows in order, the run
// loop, and the windows destroyed most recent first.
#include "Program.h"

#include "About.h"
#include "CommandLine.h"
#include "MainForm.h"
#include "toolchain/Compopt.h"

#include "platform/application.h"
#include "platform/icons.h"
#include "platform/process.h"
#include "platform/termination.h"

#include <QApplication>

#include <cstdio>

void createQuorvelWindows(const QStringList &arguments)
{
    qv::app()->setTitle(QStringLiteral("Quorvel"));
    // The desktop groups the windows with the program's menu entry through these.
    QApplication::setOrganizationDomain(QStringLiteral("quorvel.org"));
    QApplication::setDesktopFileName(QStringLiteral(QUORVEL_APP_ID));
    QApplication::setWindowIcon(qv::programIcon());
    MainForm = new TMainForm(arguments);
    qv::app()->own(MainForm);
    CompileOptForm = new TCompileOptForm;
    qv::app()->own(CompileOptForm);
    AboutBox = new TAboutBox;
    qv::app()->own(AboutBox);
}

void destroyQuorvelWindows()
{
    qv::app()->destroyOwnedWindows();
    MainForm = nullptr;
    CompileOptForm = nullptr;
    AboutBox = nullptr;
}

int runQuorvel(int argc, char **argv)
{
    QStringList given;
    for (int i = 0; i < argc; ++i)
        given.append(QString::fromLocal8Bit(argv[i]));
    const CommandLine commandLine = parseCommandLine(given);
    switch (commandLine.action) {
    case CommandLine::Action::ShowHelp:
    case CommandLine::Action::ShowVersion:
        std::fputs(commandLine.text.toLocal8Bit().constData(), stdout);
        return 0;
    case CommandLine::Action::Fail:
        std::fprintf(stderr, "%s\n", commandLine.text.toLocal8Bit().constData());
        return 2;
    case CommandLine::Action::Run:
        if (!commandLine.text.isEmpty())
            std::fprintf(stderr, "%s\n", commandLine.text.toLocal8Bit().constData());
        break;
    }
    // Qt sees the program's name only, so that no file name is taken for one of its options.
    static char programName[] = "quorvel";
    int qtArgc = 1;
    char *qtArgv[] = {argc > 0 ? argv[0] : programName, nullptr};
    QApplication application(qtArgc, qtArgv);
    QStringList arguments;
    if (!commandLine.file.isEmpty())
        arguments.append(commandLine.file);
    createQuorvelWindows(arguments);
    qv::closeOnTerminationSignals(MainForm);
    const int result = qv::app()->run(MainForm);
    destroyQuorvelWindows();
    // Compilers and programs of closed windows have been stopped; the program ends once they
    // are gone and their readers have handed over their last.
    qv::finishPrograms(5000);
    return result;
}
