#include "toolsettings.h"

namespace {

const QString Options = QStringLiteral("Options");

// The keys in the order they are written, each with its member.
const struct {
    const char *key;
    QString ToolSettings::*field;
} Keys[] = {
    {"CompilerPath", &ToolSettings::compilerPath},
    {"DirectoryPath", &ToolSettings::directoryPath},
    {"ClassPath", &ToolSettings::classPath},
    {"Browser", &ToolSettings::browser},
    {"Interpreter", &ToolSettings::interpreter},
    {"CompilerOptions", &ToolSettings::flags},
};

} // namespace

ToolSettings toolSettingsFromProfile(const QByteArray &profileText)
{
    ToolSettings settings;
    for (const auto &entry : Keys) {
        settings.*entry.field
            = qv::profileLookup(profileText, Options, QLatin1String(entry.key)).value_or(QString());
    }
    return settings;
}

QList<qv::ProfileSetting> profileFromToolSettings(const ToolSettings &settings)
{
    QList<qv::ProfileSetting> result;
    for (const auto &entry : Keys)
        result.append({Options, QLatin1String(entry.key), settings.*entry.field});
    return result;
}

QStringList buildOptionArguments(const QList<Flag> &flags, const QString &directory,
                                 const QString &classPath)
{
    QStringList arguments;
    for (const Flag &flag : flags) {
        if (flag.checked)
            arguments.append(u'-' + flag.caption);
    }
    if (!directory.isEmpty())
        arguments << QStringLiteral("-d") << directory;
    if (!classPath.isEmpty())
        arguments << QStringLiteral("-classpath") << classPath;
    return arguments;
}

QString flagString(const QList<Flag> &flags)
{
    QString result;
    for (const Flag &flag : flags) {
        if (!flag.checked)
            continue;
        if (!result.isEmpty())
            result += u' ';
        result += flag.caption;
    }
    return result;
}

QStringList flagWords(const QString &flags)
{
    // Only the blank separates words; a tab belongs to its word.
    return flags.split(u' ', Qt::SkipEmptyParts);
}

QList<Flag> withStoredFlags(QList<Flag> flags, const QString &stored)
{
    const QStringList words = flagWords(stored);
    for (Flag &flag : flags) {
        if (words.contains(flag.caption, Qt::CaseInsensitive))
            flag.checked = true;
    }
    return flags;
}
