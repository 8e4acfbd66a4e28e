#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace {

const char Summary[] = "A small workbench for writing, compiling and running Java programs.";

QString usageLine(const QString &program)
{
    return QStringLiteral("usage: %1 [--help] [--version] [[--] FILE]").arg(program);
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments)
{
    const QString program =
        arguments.isEmpty() ? QStringLiteral("quorvel") : QFileInfo(arguments.first()).fileName();
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromLatin1(Summary));
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    parser.addOption(help);
    parser.addOption(version);
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QStringLiteral("The file to open at start. Put -- before a name that begins with -."),
        QStringLiteral("[[--] FILE]"));

    CommandLine result;
    QStringList withProgram = arguments;
    if (withProgram.isEmpty())
        withProgram.append(program);
    if (!parser.parse(withProgram)) {
        result.action = CommandLine::Action::Fail;
        result.text = QStringLiteral("%1: %2 %3").arg(program, parser.errorText(), usageLine(program));
        return result;
    }
    if (parser.isSet(help)) {
        result.action = CommandLine::Action::ShowHelp;
        // Qt names the program after the running executable, or not at all without an
        // application object: the first line says the name the user typed.
        result.text = parser.helpText();
        const int options = result.text.indexOf(QStringLiteral(" [options]"));
        if (options > 0)
            result.text.replace(0, options, QStringLiteral("Usage: ") + program);
        return result;
    }
    if (parser.isSet(version)) {
        result.action = CommandLine::Action::ShowVersion;
        result.text = QStringLiteral("Quorvel %1\n").arg(QStringLiteral(QUORVEL_VERSION));
        return result;
    }
    const QStringList files = parser.positionalArguments();
    result.file = files.value(0);
    if (files.size() > 1)
        result.text = QStringLiteral("%1: only the first file is opened; ignored: %2")
                          .arg(program, files.mid(1).join(u' '));
    return result;
}
