#include "pairs.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>

namespace {

std::string format(const char *pattern, double a, double b, double c)
{
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, pattern, a, b, c);
    return buffer;
}

} // namespace

double Series::median() const
{
    if (values.empty())
        return 0;
    std::vector<double> sorted = values;
    std::sort(sorted.begin(), sorted.end());
    const size_t middle = sorted.size() / 2;
    return sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

double Series::min() const
{
    return values.empty() ? 0 : *std::min_element(values.begin(), values.end());
}

double Series::max() const
{
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

std::string Series::text() const
{
    return format("%.2f ms (%.2f-%.2f)", median(), min(), max());
}

std::string Paired::ratioText() const
{
    Series ratios;
    for (size_t i = 0; i < measure.values.size() && i < baseline.values.size(); ++i)
        ratios.values.push_back(measure.values[i] / baseline.values[i]);
    return format("ratio %.2f (%.2f-%.2f)", ratio(), ratios.min(), ratios.max());
}

double millisecondsOf(const std::function<void()> &run)
{
    QElapsedTimer timer;
    timer.start();
    run();
    return double(timer.nsecsElapsed()) / 1e6;
}

Paired interleaved(const std::function<double()> &measure, const std::function<double()> &baseline,
                   int pairs)
{
    Paired result;
    for (int i = 0; i < pairs; ++i) {
        result.baseline.values.push_back(baseline());
        result.measure.values.push_back(measure());
    }
    return result;
}

Series repeated(const std::function<double()> &measure, int times)
{
    Series result;
    for (int i = 0; i < times; ++i)
        result.values.push_back(measure());
    return result;
}
