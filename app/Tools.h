#pragma once

#include <QString>

// The parts of a window caption taken as a file name: the directory part up to and including
// the last "/", the file-name part after it, and the class name (the file-name part without
// the extension after its last ".").
QString captionDirectory(const QString &caption);
QString captionFileName(const QString &caption);
QString captionClassName(const QString &caption);

class TMDIChild;
struct ProgramContext;

// Where the document's program lives, read from its caption and its text as it is now.
ProgramContext documentContext(const TMDIChild *document);
// The status-line note for a file whose folders do not match its package.
QString packageMismatchNote(const ProgramContext &context);
// Why running the document would run an old class or none: the document is modified, or its
// class file is missing or older than the file; empty when the class is up to date.
QString staleClassNote(const TMDIChild *document, const ProgramContext &context,
                       const QString &outputFolder);
