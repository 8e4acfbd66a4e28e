#include "bench.h"

#include "app/Search.h"
#include "platform/textcontrol.h"

#include <QByteArray>
#include <QElapsedTimer>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <utility>

namespace {

constexpr qsizetype textSize = 20 * 1024 * 1024;
constexpr int rounds = 5;

// Java-like lines; "int" stands about once in every twenty bytes.
QByteArray javaLikeText()
{
    static const char *const lines[] = {
        "    int x%1 = (int) y;\r\n",
        "    print(x%1);\r\n",
        "    int[] a = new int[%1];\r\n",
        "    if (x > %1) return;\r\n",
        "    point.x = %1;\r\n",
        "    interval += %1;\r\n",
    };
    QByteArray text;
    text.reserve(textSize + 128);
    for (int i = 0; text.size() < textSize; ++i)
        text += QByteArray(lines[i % 6]).replace("%1", QByteArray::number(i % 9973));
    return text;
}

double bestMilliseconds(const std::function<void()> &run)
{
    double best = 1e300;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        best = qMin(best, double(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}

void benchFind(qv::TextControl &edit)
{
    const std::string_view word = "retention";
    edit.setText(javaLikeText() + "\r\nretention\r\n");
    const std::string_view text = edit.bytes();
    const qsizetype where = qsizetype(text.size()) - 11;

    qsizetype found = -1;
    const double memmemMs = bestMilliseconds([&] {
        const void *hit = memmem(text.data(), text.size(), word.data(), word.size());
        found = hit ? static_cast<const char *>(hit) - text.data() : -1;
    });
    if (found != where)
        std::printf("memmem found %lld\n", static_cast<long long>(found));

    for (const bool matchCase : {true, false}) {
        const double findMs = bestMilliseconds([&] {
            found = findNext(edit.bytes(), edit.selStart() + edit.selLength(), word, matchCase);
        });
        if (found != where)
            std::printf("findNext found %lld\n", static_cast<long long>(found));
        std::printf("find next, %s, %.1f MB: %.2f ms; memmem %.2f ms; ratio %.2f\n",
                    matchCase ? "match case" : "any case", double(text.size()) / 1048576,
                    findMs, memmemMs, findMs / memmemMs);
    }
}

void benchReplaceAll(qv::TextControl &edit)
{
    const QByteArray original = javaLikeText();
    const std::string_view what = "int";
    const std::string_view with = "long";

    // The plain replace: memmem and appends into a new buffer on every round.
    std::string plain;
    qsizetype plainCount = 0;
    const double plainMs = bestMilliseconds([&] {
        const char *p = original.constData();
        const char *const end = p + original.size();
        std::string out;
        out.reserve(size_t(original.size()) + size_t(original.size()) / 8);
        qsizetype count = 0;
        while (const void *hit = memmem(p, size_t(end - p), what.data(), what.size())) {
            const auto *at = static_cast<const char *>(hit);
            out.append(p, size_t(at - p));
            out.append(with);
            p = at + what.size();
            ++count;
        }
        out.append(p, size_t(end - p));
        plain = std::move(out);
        plainCount = count;
    });

    // Replace All as the handler does it: plan over the control's bytes, then one edit.
    double bestTotal = 1e300;
    double bestPlan = 1e300;
    qsizetype count = 0;
    for (int i = 0; i < rounds; ++i) {
        edit.setText(original);
        edit.setSelection(0, 0);
        QElapsedTimer timer;
        timer.start();
        const ReplacePlan plan =
            planReplace(edit.bytes(), edit.selStart(), edit.selLength(), what, with, true, true);
        bestPlan = qMin(bestPlan, double(timer.nsecsElapsed()) / 1e6);
        edit.replaceRange(int(plan.start), int(plan.end), plan.replacement, int(plan.caret));
        bestTotal = qMin(bestTotal, double(timer.nsecsElapsed()) / 1e6);
        count = plan.replacements;
    }
    if (count != plainCount || edit.bytes() != plain)
        std::printf("replace all differs from the plain replace\n");
    std::printf("replace all, %lld occurrences: %.2f ms (planning %.2f ms, ratio %.2f; "
                "the control's one edit %.2f ms); plain replace %.2f ms; ratio %.2f\n",
                static_cast<long long>(count), bestTotal, bestPlan, bestPlan / plainMs,
                bestTotal - bestPlan, plainMs, bestTotal / plainMs);
}

} // namespace

void benchSearch()
{
    qv::TextControl edit;
    benchFind(edit);
    benchReplaceAll(edit);
}
