#include "programs.h"

#include "files.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace qv {

QString findInstalledCompiler()
{
    QString found;
    const QString home = qEnvironmentVariable("JAVA_HOME");
    if (!home.isEmpty()) {
        const QFileInfo inHome(home + QStringLiteral("/bin/") + CompilerFileName);
        if (inHome.isFile() && inHome.isExecutable())
            found = inHome.absoluteFilePath();
    }
    if (found.isEmpty())
        found = QStandardPaths::findExecutable(CompilerFileName);
    if (found.isEmpty())
        return {};
    return QFileInfo(found).canonicalFilePath();
}

QString findDesktopOpener()
{
    return QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
}

int exitStatusOf(const QStringList &arguments, int timeoutMs)
{
    if (arguments.isEmpty())
        return -1;
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(arguments.first(), arguments.mid(1));
    if (!process.waitForStarted(timeoutMs))
        return -1;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(-1);
        return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

} // namespace qv
