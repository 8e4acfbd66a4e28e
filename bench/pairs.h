#pragma once

#include <functional>
#include <string>
#include <vector>

// Each ratio the benchmark reports compares a measure with its baseline taken in turns, so
// that a passing load on the machine falls on both alike.
struct Series
{
    std::vector<double> values;
    double median() const;
    double min() const;
    double max() const;
    // "12.3 ms (11.9-14.0)": the median and the range.
    std::string text() const;
};

struct Paired
{
    Series measure;
    Series baseline;
    // The ratio of the medians.
    double ratio() const { return measure.median() / baseline.median(); }
    // "ratio 1.23 (1.10-1.40)": the ratio of the medians and the range of the pairs' ratios.
    std::string ratioText() const;
};

constexpr int Pairs = 5;

// Milliseconds that run() takes.
double millisecondsOf(const std::function<void()> &run);

// Runs measure and baseline in turns, pairs times each; each returns milliseconds.
Paired interleaved(const std::function<double()> &measure, const std::function<double()> &baseline,
                   int pairs = Pairs);
Series repeated(const std::function<double()> &measure, int times = Pairs);
