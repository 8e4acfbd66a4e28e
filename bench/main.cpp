#include "bench.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    // The benchmarks drive real widgets but never need a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0)
        return benchChild(QString::fromLocal8Bit(argv[2]), argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QApplication app(argc, argv);
    // With names (startup, open, highlight, search, keys, longline, compile, errors,
    // javac, compilerun, livecheck, completion, shell), runs only those.
    const QStringList names = app.arguments().mid(1);
    const auto wanted = [&](const char *name) {
        return names.isEmpty() || names.contains(QLatin1String(name));
    };
    if (wanted("startup"))
        benchStartup();
    if (wanted("open"))
        benchOpen();
    if (wanted("highlight"))
        benchHighlight();
    if (wanted("search"))
        benchSearch();
    if (wanted("keys"))
        benchKeys();
    if (wanted("longline"))
        benchLongLine();
    if (wanted("compile"))
        benchCompile();
    if (wanted("errors"))
        benchCompileErrors();
    if (wanted("javac"))
        benchJavac();
    if (wanted("compilerun"))
        benchCompileAndRun();
    if (wanted("livecheck"))
        benchLiveCheck();
    if (wanted("completion"))
        benchCompletion();
    if (wanted("shell"))
        benchShell();
    return 0;
}
