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
// Compiling with 100 MB of error output.
void benchCompileErrors();
void benchKeys();
void benchLongLine();
void benchJavac();
// Compile and Run by its key against javac and java run directly.
void benchCompileAndRun();
// Checking while typing through the Java service.
void benchLiveCheck();
// Completion through the Java service.
void benchCompletion();

// A class of about 1,000 lines, with three errors spread over it or none.
QByteArray thousandLineJava(bool withErrors);
// The Java Shell window's answer to "1 + 1", warm and first.
void benchShell();

// Points the settings at a QUORVEL.INI of the benchmark's own in folder, so that the first-run
// question stays away and the user's settings are never touched.
void useScratchSettings(const QString &folder);

// Writes Small.java, a class that prints "small", into folder, takes scratch settings there
// and shows the workbench, its compiler and interpreter those of the kit in javaFolder; the
// file's path.
QString showWorkbenchWithSmallClass(const QString &folder, const QString &javaFolder);

// Java source of about size bytes: one class of many short methods.
QByteArray generatedJava(qsizetype size);

namespace testutil {
class BoxRecorder;
struct BoxInfo;
}
// Runs the event loop until the boxes hold a compile's report, its readers have ended and no
// box is open, or until limitMs have passed; the report, or null.
const testutil::BoxInfo *waitForCompileReport(const testutil::BoxRecorder &boxes, int limitMs);

// This process's resident memory in KiB now ("VmRSS:") or at its peak since the last
// resetPeak() ("VmHWM:").
long residentKiB(const QByteArray &key = "VmRSS:");
void resetPeak();

// A child process of the start-up benchmark: shows a window and exits.
int benchChild(const QString &mode, int argc, char **argv);
