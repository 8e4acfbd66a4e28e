#include "bench.h"

#include <QApplication>

#include <cstring>

int main(int argc, char **argv)
{
    // The benchmarks drive real widgets but never need a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 3 && std::strcmp(argv[1], "--child") == 0)
        return benchChild(QString::fromLocal8Bit(argv[2]), argc, argv);
    QApplication app(argc, argv);
    benchStartup();
    benchOpen();
    benchSearch();
    benchCompile();
    return 0;
}
