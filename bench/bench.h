#pragma once

#include <QByteArray>
#include <QString>

// Each benchmark prints its figures to standard output.
void benchStartup();
void benchOpen();
// Opening a Java file with highlighting against the same without.
void benchHighlight();
void benchSearch();
void benchCompile();
void benchKeys();
void benchLongLine();
void benchJavac();

// Java source of about size bytes: one class of many short methods.
QByteArray generatedJava(qsizetype size);

// A child process of the start-up benchmark: shows a window and exits.
int benchChild(const QString &mode, int argc, char **argv);
