#pragma once

#include "platform/profile.h"

#include <QList>
#include <QString>
#include <QStringList>

// The tool settings as a value: the five paths of the options dialog and the stored flag
// string. The dialog holds them during a run; the settings file holds them in its "Options"
// section between runs.
struct ToolSettings
{
    QString compilerPath;
    QString directoryPath;
    QString classPath;
    QString browser;
    QString interpreter;
    QString flags;

    friend bool operator==(const ToolSettings &, const ToolSettings &) = default;
};

// The tool settings that a settings file's text holds; a missing key gives an empty text.
ToolSettings toolSettingsFromProfile(const QByteArray &profileText);
// The six "Options" settings that store them, in the order they are written.
QList<qv::ProfileSetting> profileFromToolSettings(const ToolSettings &settings);

// A compiler flag box: its caption is the flag's name without the leading "-".
struct Flag
{
    QString caption;
    bool checked = false;
};

// The options part of the compiler's command line, each entry one argument: "-flag" for each
// checked flag in order, then "-d" and the directory, and "-classpath" and the class path,
// when they are not empty, whatever characters they hold.
QStringList buildOptionArguments(const QList<Flag> &flags, const QString &directory,
                                 const QString &classPath);
// The stored form of the checked flags: their captions separated by one blank.
QString flagString(const QList<Flag> &flags);
// The words of a stored flag string; only the blank separates words.
QStringList flagWords(const QString &flags);
// The flags with those that a stored flag string names (whole words, any case) checked;
// the others keep their state.
QList<Flag> withStoredFlags(QList<Flag> flags, const QString &stored);
