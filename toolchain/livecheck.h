#pragma once

#include "toolchain/serviceframes.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>
#include <string_view>

// Checking a document while it is typed: the request the Java service gets and what its
// answer means for the document's text.

// Texts larger than this are not checked while typing.
inline constexpr qsizetype LiveCheckLimit = 1 << 20;

// A name ending in ".java" or ".jav", in any case.
bool isJavaFileName(const QString &fileName);

// Another open document whose unsaved text stands for its file.
struct UnsavedDocument
{
    QString path;
    QByteArray text;
};

// The request to check a document's text (UTF-8) with its source root as source path and
// the class path setting.
ServiceMessage checkRequest(const QString &fileName, const QByteArray &text,
                            const QString &sourceRoot, const QString &classPath,
                            const QList<UnsavedDocument> &unsaved);

// What a check found, as byte positions of the text checked.
struct LiveFinding
{
    bool error = true;
    int start = 0;
    int end = 0;
    QString message;
};

// The findings of a "diagnostics" answer for that text: its ranges, counted by the service
// in UTF-16 units, turned into byte positions (a range of nothing widened to the character
// there, or before it at a line's end). Nothing for an answer of another kind, and for one
// that is not well formed.
std::optional<QList<LiveFinding>> checkFindings(const ServiceMessage &answer,
                                                std::string_view text);

// "2 errors, 1 warning", "1 error", "No errors".
QString findingsSummary(const QList<LiveFinding> &findings);
