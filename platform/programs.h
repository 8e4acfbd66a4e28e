#pragma once

#include <QString>
#include <QStringList>

namespace qv {

// The Java compiler installed on this system: $JAVA_HOME/bin/javac when that is an executable
// file, otherwise the first javac on the PATH; links resolved. Empty when there is none.
QString findInstalledCompiler();

// The desktop's opener of files by their type (xdg-open on the PATH); empty when there is none.
QString findDesktopOpener();

// Runs the program (the first argument) with no input and its output discarded, and waits for
// it: its exit status, or -1 when it could not start, died by a signal or was still running
// after timeoutMs (it is then killed). Blocks: not for the user-interface thread.
int exitStatusOf(const QStringList &arguments, int timeoutMs);

} // namespace qv
