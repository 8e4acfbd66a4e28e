#pragma once

#include "toolchain/livecheck.h"
#include "toolchain/serviceframes.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <string_view>

// Completion in Java documents: the request the Java service gets for the names that may go
// at the caret, and the list its answer makes.

// The request for the names at caret (a byte position of the UTF-8 text), with the same
// context as a check.
ServiceMessage completionRequest(const QString &fileName, const QByteArray &text, int caret,
                                 const QString &sourceRoot, const QString &classPath,
                                 const QList<UnsavedDocument> &unsaved);

struct CompletionName
{
    QString name;
    // What the list shows: "substring(int, int) : String", "length : int".
    QString label;
    // What choosing it puts in place of the part typed: a method as "substring(".
    QString insertion;
};

// The names of a "completions" answer; nothing for an answer of another kind, or one that is
// not well formed.
std::optional<QList<CompletionName>> completionNames(const ServiceMessage &answer);

// Where the part of a name that ends at caret begins (caret when there is none).
int nameStart(std::string_view text, int caret);
// The names that begin with typed, in any case, in their order.
QList<CompletionName> namesStartingWith(const QList<CompletionName> &names, const QString &typed);
// What the list shows of each name, in order.
QStringList labelsOf(const QList<CompletionName> &names);
