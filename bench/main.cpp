#include "bench.h"

#include <QApplication>

int main(int argc, char **argv)
{
    // The benchmarks drive real widgets but never need a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchSearch();
    return 0;
}
