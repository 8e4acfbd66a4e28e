#pragma once

#include <QList>
#include <QString>
#include <QStringList>

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
