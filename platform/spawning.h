#pragma once

#include "descriptors.h"

#include <QString>
#include <QStringList>

namespace qv {

struct StartInfo
{
    // The program first; each entry reaches the program as exactly one argument, whatever
    // characters it holds. A program name without "/" is looked up in PATH; a relative path
    // with "/" is taken relative to the working directory below.
    QStringList arguments;
    // Empty: the workbench's current directory at the moment of the start.
    QString workingDirectory;
    // The descriptor that becomes the program's standard input; -1 means /dev/null.
    int stdinFd = -1;
    // Descriptors that become the program's standard output and standard error; the caller
    // keeps its own copies and may close them as soon as the start returns. -1 means
    // /dev/null: a program started without redirection writes to nowhere, as a windowed
    // program's child does, and never into the workbench's own terminal or log.
    int stdoutFd = -1;
    int stderrFd = -1;

    void setInput(const Descriptor &pipe) { stdinFd = pipe.fd(); }
    void setOutput(const Descriptor &pipe) { stdoutFd = pipe.fd(); }
    void setError(const Descriptor &pipe) { stderrFd = pipe.fd(); }
};

// Starts the program: no shell, a session and process group of its own, the workbench's
// environment, default signal handling and an empty signal mask, and no descriptor but 0, 1
// and 2. Returns 0 and the program's process id in pid, or the errno value of the failure:
// ENOENT (missing program or working directory, empty program name), EACCES (not
// executable, a directory), EINVAL (no arguments, or an argument holding a zero
// character), EBADF (a given descriptor is not open), or whatever the system reported.
// The caller must collect the program's exit status.
int spawn(const StartInfo &info, qint64 &pid);

} // namespace qv
