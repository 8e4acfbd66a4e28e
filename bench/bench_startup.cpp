#include "bench.h"
#include "pairs.h"
#include "testutil.h"

#include "app/MainForm.h"
#include "app/Program.h"
#include "editor/Childwin.h"
#include "platform/files.h"
#include "platform/textcontrol.h"
#include "toolchain/Compopt.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMainWindow>
#include <QProcess>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

void waitUntilExposed(QWidget *window)
{
    while (!window->windowHandle() || !window->windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::processEvents();
}

// Milliseconds from starting the child process to its exit right after its window showed.
double startChild(const QString &mode, const QString &configDir)
{
    QProcess child;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configDir);
    child.setProcessEnvironment(environment);
    QElapsedTimer timer;
    timer.start();
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--child"), mode});
    child.waitForFinished(60000);
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

long residentKiB(const QByteArray &key)
{
    return long(qv::procValueKiB("/proc/self/status", key));
}

void resetPeak()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

void useScratchSettings(const QString &folder)
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder));
    QFile ini(folder + QStringLiteral("/QUORVEL.INI"));
    if (ini.open(QIODevice::WriteOnly))
        ini.write("[Options]\n");
}

QString showWorkbenchWithSmallClass(const QString &folder, const QString &javaFolder)
{
    const QString source = folder + QStringLiteral("/Small.java");
    QFile file(source);
    if (file.open(QIODevice::WriteOnly))
        file.write("public class Small {\n    public static void main(String[] args) {\n"
                   "        System.out.println(\"small\");\n    }\n}\n");
    file.close();
    useScratchSettings(folder);
    createQuorvelWindows({});
    MainForm->show();
    QApplication::setActiveWindow(MainForm);
    CompileOptForm->JavaPath->setText(javaFolder);
    CompileOptForm->Interpreter->setText(javaFolder + QStringLiteral("/java"));
    return source;
}

QByteArray generatedJava(qsizetype size)
{
    QByteArray text;
    text.reserve(size + 256);
    text += "public class Big {\n";
    for (int i = 0; text.size() < size; ++i) {
        text += "    static int value" + QByteArray::number(i) + "(int x) { return x * "
                + QByteArray::number(i % 97) + " + " + QByteArray::number(i) + "; }\n";
    }
    text += "}\n";
    return text;
}

int benchChild(const QString &mode, int argc, char **argv)
{
    QApplication application(argc, argv);
    if (mode.startsWith(QLatin1String("quorvel"))) {
        // "quorvel java": with a Java file to open, whose check starts the Java service.
        const QString file = mode.section(u' ', 1);
        createQuorvelWindows(file.isEmpty() ? QStringList() : QStringList{file});
        MainForm->show();
        waitUntilExposed(MainForm);
        destroyQuorvelWindows();
    } else {
        QMainWindow window;
        window.resize(435, 297);
        window.show();
        waitUntilExposed(&window);
    }
    return 0;
}

void benchStartup()
{
    QTemporaryDir config;
    QFile ini(config.filePath(QStringLiteral("QUORVEL.INI")));
    if (ini.open(QIODevice::WriteOnly))
        ini.write("[Options]\n");
    ini.close();
    startChild(QStringLiteral("bare"), config.path());
    const Paired run = interleaved(
        [&] { return startChild(QStringLiteral("quorvel"), config.path()); },
        [&] { return startChild(QStringLiteral("bare"), config.path()); }, 7);
    std::printf("start-up to main window shown: quorvel %s, bare Qt main window %s, %s "
                "(bar 1.5)\n",
                run.measure.text().c_str(), run.baseline.text().c_str(), run.ratioText().c_str());

    // With a Java file on the command line: checking while typing on (the Java service
    // starts for it) against off.
    const QString javaFolder = testutil::javaFolder();
    if (javaFolder.isEmpty()) {
        std::printf("start-up with the Java service: no javac on the PATH\n");
        return;
    }
    QTemporaryDir on;
    QTemporaryDir off;
    for (const QTemporaryDir *folder : {&on, &off}) {
        QFile settings(folder->filePath(QStringLiteral("QUORVEL.INI")));
        if (settings.open(QIODevice::WriteOnly))
            settings.write("[Options]\nCompilerPath=" + QFile::encodeName(javaFolder)
                           + "\n[Editor]\nLiveCheck=" + (folder == &on ? "1" : "0") + "\n");
        settings.close();
    }
    const QString java = config.filePath(QStringLiteral("Small.java"));
    QFile small(java);
    if (small.open(QIODevice::WriteOnly))
        small.write("public class Small {\n    int n = \"x\";\n}\n");
    small.close();
    const QString mode = QStringLiteral("quorvel ") + java;
    const Paired service = interleaved([&] { return startChild(mode, on.path()); },
                                       [&] { return startChild(mode, off.path()); }, 7);
    std::printf("start-up with a Java file to main window shown: checking while typing on (the "
                "Java service starts once it has painted) %s, off %s; %s (aim 1.05)\n",
                service.measure.text().c_str(), service.baseline.text().c_str(),
                service.ratioText().c_str());
}

void benchOpen()
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("Big.java"));
    // QUORVEL_BENCH_OPEN_MB sets another size (files above 256 MB would ask first).
    const int megabytes = qEnvironmentVariableIntValue("QUORVEL_BENCH_OPEN_MB");
    const QByteArray text = generatedJava(qsizetype(megabytes > 0 ? megabytes : 50) << 20);
    QFile file(name);
    if (file.open(QIODevice::WriteOnly))
        file.write(text);
    file.close();

    createQuorvelWindows({});
    // Memory is taken around the first open.
    long before = 0;
    long after = 0;
    long peak = 0;
    const Paired run = interleaved(
        [&] {
            const bool first = before == 0;
            if (first) {
                before = residentKiB();
                resetPeak();
            }
            const double ms = millisecondsOf([&] { MainForm->OpenDocument(name, true); });
            if (first) {
                after = residentKiB();
                peak = residentKiB("VmHWM:");
            }
            delete MainForm->activeDocument()->parentWidget();
            return ms;
        },
        [&] {
            return millisecondsOf([&] {
                QFile input(name);
                if (input.open(QIODevice::ReadOnly))
                    input.readAll();
            });
        });
    const double sizeKiB = double(text.size()) / 1024.0;
    std::printf("open a %.0f MB Java file: document window %s, raw read %s, %s (bar 10)\n",
                sizeKiB / 1024.0, run.measure.text().c_str(), run.baseline.text().c_str(),
                run.ratioText().c_str());
    std::printf("resident memory: %.1f MB in all after the open (%.2f x the file), of which "
                "the open added %.1f MB (%.2f x the file) (bar 4)\n",
                after / 1024.0, after / sizeKiB, (after - before) / 1024.0,
                (after - before) / sizeKiB);
    std::printf("peak resident memory while opening: %.1f MB above the start (%.2f x the file) "
                "(bar 3)\n",
                (peak - before) / 1024.0, (peak - before) / sizeKiB);
    destroyQuorvelWindows();
}
