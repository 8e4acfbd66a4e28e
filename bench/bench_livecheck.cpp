// Checking while typing: a check through the warm Java service against the compiler run
// directly on the same file, a key typed while a check runs against one with checking off,
// and the memory the service and the workbench take.
#include "bench.h"
#include "pairs.h"
#include "testutil.h"
#include "typing.h"

#include "app/Completion.h"
#include "app/LiveCheck.h"
#include "app/MainForm.h"
#include "app/Program.h"
#include "editor/Childwin.h"
#include "platform/files.h"
#include "platform/textcontrol.h"
#include "toolchain/Compopt.h"
#include "toolchain/javaservice.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWindow>

#include <cstdio>
#include <cstring>
#include <functional>

namespace {

QByteArray number(int value)
{
    return QByteArray::number(value);
}

// Runs the event loop until done() holds or limitMs have passed; whether it holds.
bool runUntil(const std::function<bool()> &done, int limitMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

void startWorkbench(const QString &scratch, const QString &javaFolder)
{
    useScratchSettings(scratch);
    createQuorvelWindows({});
    MainForm->resize(1000, 700);
    MainForm->show();
    CompileOptForm->JavaPath->setText(javaFolder);
    runUntil([] { return MainForm->windowHandle() && MainForm->windowHandle()->isExposed(); },
             10000);
}

bool startService()
{
    MainForm->LiveCheck->startService();
    return runUntil([] { return MainForm->LiveCheck->service()->isReady(); }, 60000);
}

// Milliseconds from the check's request to its marks painted, or -1 without an answer.
double checkToMarks(TMDIChild *document)
{
    bool done = false;
    const auto connection = QObject::connect(MainForm->LiveCheck, &LiveChecker::checked,
                                             [&](TMDIChild *checked) {
                                                 done = done || checked == document;
                                             });
    const double ms = millisecondsOf([&] {
        MainForm->LiveCheck->checkNow(document);
        runUntil([&] { return done; }, 60000);
        document->repaint();
    });
    QObject::disconnect(connection);
    return done ? ms : -1;
}

double javacDirectly(const QString &javac, const QString &source, const QString &classes)
{
    return millisecondsOf([&] {
        QProcess process;
        process.start(javac, {QStringLiteral("-d"), classes, source});
        process.waitForFinished(120 * 1000);
    });
}

long serviceResidentKiB()
{
    const QByteArray status = "/proc/" + number(int(MainForm->LiveCheck->service()->processId()))
                              + "/status";
    return long(qv::procValueKiB(status.constData(), "VmRSS:"));
}

} // namespace

QByteArray thousandLineJava(bool withErrors)
{
    QByteArray text = "import java.util.ArrayList;\nimport java.util.List;\n\n"
                      "public class Thousand {\n";
    int lines = 4;
    for (int i = 0; lines < 995; ++i) {
        text += "    static int value" + number(i) + "(int x) {\n"
                "        List<Integer> list = new ArrayList<>();\n"
                "        list.add(x * " + number(i % 97) + ");\n";
        if (withErrors && i == 10)
            text += "        int wrong = \"ten\";\n";
        else if (withErrors && i == 100)
            text += "        missing(x);\n";
        else if (withErrors && i == 150)
            text += "        String s = list;\n";
        else
            text += "        System.out.println(list);\n";
        text += "        return list.get(0) + " + number(i) + ";\n    }\n";
        lines += 6;
    }
    text += "}\n";
    return text;
}

void benchLiveCheck()
{
    const QString javaFolder = testutil::javaFolder();
    if (javaFolder.isEmpty() || JavaService::jarPath().isEmpty()) {
        std::printf("live check: needs javac on the PATH and the built Java service\n");
        return;
    }
    QTemporaryDir scratch;
    const QString source = scratch.filePath(QStringLiteral("Thousand.java"));
    const QString classes = scratch.filePath(QStringLiteral("classes"));
    QDir().mkpath(classes);
    QFile file(source);
    if (file.open(QIODevice::WriteOnly))
        file.write(thousandLineJava(true));
    file.close();
    startWorkbench(scratch.path(), javaFolder);
    const long workbenchBefore = residentKiB();
    if (!startService()) {
        std::printf("live check: the Java service did not start: %s\n",
                    qPrintable(MainForm->LiveCheck->service()->offReason()));
        destroyQuorvelWindows();
        return;
    }
    const long workbenchStarted = residentKiB();
    Window window;
    openToPaint(window, source);
    TMDIChild *document = window.document;
    // The check the open asks for, and a round of each untimed, warm both.
    runUntil([&] { return !document->StatusBar1->panelText(1).isEmpty(); }, 60000);
    checkToMarks(document);
    const QString javac = QDir(javaFolder).filePath(QStringLiteral("javac"));
    javacDirectly(javac, source, classes);
    const Paired check = interleaved([&] { return checkToMarks(document); },
                                     [&] { return javacDirectly(javac, source, classes); });
    std::printf("live check of a 1,000-line class with 3 errors (%s): request to marks shown %s, "
                "javac -d run directly %s; %s (aim 0.2, and 150 ms)\n",
                qPrintable(document->StatusBar1->panelText(1)), check.measure.text().c_str(),
                check.baseline.text().c_str(), check.ratioText().c_str());
    const long service = serviceResidentKiB();
    const long workbenchChecked = residentKiB();

    // A key typed while a check of the file is out, against the same key with checking off.
    const int middle = window.edit->length() / 2;
    const auto key = [&](bool checking) {
        return [&, checking] {
            MainForm->LiveCheck->setEnabled(checking);
            window.caretTo(middle);
            if (checking)
                MainForm->LiveCheck->checkNow(document);
            const double ms = window.key(Qt::Key_Space);
            window.key(Qt::Key_Backspace);
            runUntil([] { return !MainForm->LiveCheck->checking(); }, 60000);
            return ms;
        };
    };
    const Paired typing = interleaved(key(true), key(false), 9);
    std::printf("1,000-line class, a typed character while a check runs %s, with checking off "
                "%s; %s (aim 1.1)\n",
                typing.measure.text().c_str(), typing.baseline.text().c_str(),
                typing.ratioText().c_str());
    MainForm->LiveCheck->setEnabled(true);
    std::printf("resident memory: the Java service %.1f MB after checking the 1,000-line class "
                "(aim 200 MB); the workbench %.1f MB with its window shown, %.1f MB once the "
                "service is ready (%+.1f MB), %.1f MB with the class open and checked\n",
                service / 1024.0, workbenchBefore / 1024.0, workbenchStarted / 1024.0,
                (workbenchStarted - workbenchBefore) / 1024.0, workbenchChecked / 1024.0);
    window.close();
    destroyQuorvelWindows();
}

namespace {

// Milliseconds from Ctrl+Space to the list shown and painted, or -1 without a list.
double completionToList(Window &window)
{
    bool shown = false;
    const auto connection = QObject::connect(MainForm->Completion, &Completer::listShown,
                                             [&] { shown = true; });
    const double ms = millisecondsOf([&] {
        QTest::keyClick(window.view, Qt::Key_Space, Qt::ControlModifier);
        runUntil([&] { return shown; }, 60000);
        window.document->repaint();
    });
    QObject::disconnect(connection);
    window.edit->closeCompletionList();
    return shown ? ms : -1;
}

} // namespace

void benchCompletion()
{
    const QString javaFolder = testutil::javaFolder();
    if (javaFolder.isEmpty() || JavaService::jarPath().isEmpty()) {
        std::printf("completion: needs javac on the PATH and the built Java service\n");
        return;
    }
    QTemporaryDir scratch;
    const QString source = scratch.filePath(QStringLiteral("Thousand.java"));
    QByteArray text = thousandLineJava(false);
    const QByteArray marker = "static int value80(int x) {\n";
    const qsizetype at = text.indexOf(marker) + marker.size();
    text.insert(at, "        System.out.\n");
    QFile file(source);
    if (file.open(QIODevice::WriteOnly))
        file.write(text);
    file.close();
    startWorkbench(scratch.path(), javaFolder);
    if (!startService()) {
        std::printf("completion: the Java service did not start\n");
        destroyQuorvelWindows();
        return;
    }
    Window window;
    openToPaint(window, source);
    const int caret = int(at) + int(strlen("        System.out."));
    window.caretTo(caret);
    runUntil([&] { return !window.document->StatusBar1->panelText(1).isEmpty(); }, 60000);
    completionToList(window);
    checkToMarks(window.document);
    const Paired run = interleaved(
        [&] {
            window.caretTo(caret);
            return completionToList(window);
        },
        [&] { return checkToMarks(window.document); });
    std::printf("completion after System.out. in a 1,000-line class: Ctrl+Space to the list "
                "shown %s (aim 100 ms), a live check of the same file %s; %s (aim 1)\n",
                run.measure.text().c_str(), run.baseline.text().c_str(), run.ratioText().c_str());

    // A '.' typed with the list to follow by itself, against the same key with that off;
    // and a letter typed while the list narrows to it, against the same key without a list.
    const auto dot = [&](bool automatic) {
        return [&, automatic] {
            MainForm->Completion->setAutomatic(automatic);
            window.caretTo(caret - 1);
            window.key(Qt::Key_Backspace);
            return window.key(Qt::Key_Period);
        };
    };
    const Paired typing = interleaved(dot(true), dot(false), 9);
    MainForm->Completion->setAutomatic(true);
    std::printf("completion: a typed '.' with the list to follow %s, with that off %s; %s "
                "(aim 1.1)\n",
                typing.measure.text().c_str(), typing.baseline.text().c_str(),
                typing.ratioText().c_str());
    const auto letter = [&](bool list) {
        return [&, list] {
            window.edit->closeCompletionList();
            window.caretTo(caret);
            if (list) {
                QTest::keyClick(window.view, Qt::Key_Space, Qt::ControlModifier);
                runUntil([&] { return window.edit->completionListShown(); }, 60000);
            }
            const double ms = window.key(Qt::Key_P);
            window.edit->closeCompletionList();
            window.key(Qt::Key_Backspace);
            return ms;
        };
    };
    const Paired narrowing = interleaved(letter(true), letter(false));
    std::printf("completion: a letter typed while the list narrows to it %s, without a list %s; "
                "%s\n",
                narrowing.measure.text().c_str(), narrowing.baseline.text().c_str(),
                narrowing.ratioText().c_str());
    window.close();
    destroyQuorvelWindows();
}
