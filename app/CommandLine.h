#pragma once

#include <QString>
#include <QStringList>

// What the program was asked to do by its command line.
struct CommandLine
{
    enum class Action { Run, ShowHelp, ShowVersion, Fail };

    Action action = Action::Run;
    // The start-up file (Run), or empty.
    QString file;
    // The text to print: the help or version text; for Fail, and for Run with more than one
    // file, the one line for standard error.
    QString text;
};

// Reads the program's arguments (the first one the program's own name). The options are
// -h/--help and -v/--version; one optional file follows, which "--" lets begin with "-". Files
// after the first are ignored, with a note naming them. An unknown option fails with one line
// of usage. Qt's own options (-style,
// -platform ...) are not taken: Qt is set up through its environment variables instead.
CommandLine parseCommandLine(const QStringList &arguments);
