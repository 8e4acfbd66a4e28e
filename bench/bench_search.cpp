#include "bench.h"
#include "pairs.h"

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

void benchFind(qv::TextControl &edit)
{
    const std::string_view word = "retention";
    edit.setText(javaLikeText() + "\r\nretention\r\n");
    const std::string_view text = edit.bytes();
    const qsizetype where = qsizetype(text.size()) - 11;

    for (const bool matchCase : {true, false}) {
        const Paired run = interleaved(
            [&] {
                qsizetype found = -1;
                const double ms = millisecondsOf([&] {
                    found = findNext(edit.bytes(), edit.selStart() + edit.selLength(), word,
                                     matchCase);
                });
                if (found != where)
                    std::printf("findNext found %lld\n", static_cast<long long>(found));
                return ms;
            },
            [&] {
                qsizetype found = -1;
                const double ms = millisecondsOf([&] {
                    const void *hit = memmem(text.data(), text.size(), word.data(), word.size());
                    found = hit ? static_cast<const char *>(hit) - text.data() : -1;
                });
                if (found != where)
                    std::printf("memmem found %lld\n", static_cast<long long>(found));
                return ms;
            });
        std::printf("find next, %s, %.1f MB: %s; memmem %s; %s\n",
                    matchCase ? "match case" : "any case", double(text.size()) / 1048576,
                    run.measure.text().c_str(), run.baseline.text().c_str(),
                    run.ratioText().c_str());
    }
}

void benchReplaceAll(qv::TextControl &edit)
{
    const QByteArray original = javaLikeText();
    const std::string_view what = "int";
    const std::string_view with = "long";

    // The plain replace: memmem and appends into a new buffer.
    std::string plain;
    qsizetype plainCount = 0;
    const auto plainReplace = [&] {
        return millisecondsOf([&] {
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
    };

    // Replace All as the handler does it: plan over the control's bytes, then one edit.
    Series planning;
    qsizetype count = 0;
    const auto replaceAll = [&] {
        edit.setText(original);
        edit.setSelection(0, 0);
        QElapsedTimer timer;
        timer.start();
        const ReplacePlan plan =
            planReplace(edit.bytes(), edit.selStart(), edit.selLength(), what, with, true, true);
        planning.values.push_back(double(timer.nsecsElapsed()) / 1e6);
        edit.replaceRange(int(plan.start), int(plan.end), plan.replacement, int(plan.caret));
        count = plan.replacements;
        return double(timer.nsecsElapsed()) / 1e6;
    };
    const Paired run = interleaved(replaceAll, plainReplace);
    if (count != plainCount || edit.bytes() != plain)
        std::printf("replace all differs from the plain replace\n");
    std::printf("replace all, %lld occurrences: %s (planning %s, ratio %.2f); plain replace %s; "
                "%s\n",
                static_cast<long long>(count), run.measure.text().c_str(),
                planning.text().c_str(), planning.median() / run.baseline.median(),
                run.baseline.text().c_str(), run.ratioText().c_str());
}
// Finding a long text that almost matches at every position must cost the same per byte as
// finding a short one: a search that checked each candidate in full would take about eight
// times as long for a find text eight times as long.
void benchFindRepetitive()
{
    struct Case {
        QByteArray text;
        QByteArray what;
    };
    const auto make = [](qsizetype length) {
        const QByteArray run = QByteArray(length - 1, 'b') + 'a';
        Case c{run.repeated(16 * 1024 * 1024 / run.size()) + QByteArray(length, 'b'),
               QByteArray(length, 'B')};
        return c;
    };
    const Case shortCase = make(32);
    const Case longCase = make(255);
    const auto searches = [](const Case &c) {
        const std::string_view text(c.text.constData(), size_t(c.text.size()));
        const std::string_view what(c.what.constData(), size_t(c.what.size()));
        return millisecondsOf([&] {
            if (findNext(text, 0, what, false) != c.text.size() - c.what.size())
                std::printf("findNext missed the repetitive text's end\n");
        });
    };
    const Paired run = interleaved([&] { return searches(longCase); },
                                   [&] { return searches(shortCase); });
    std::printf("find next on repetitive text, 255-byte find text: %s; 32 bytes %s; %s\n",
                run.measure.text().c_str(), run.baseline.text().c_str(),
                run.ratioText().c_str());
}

} // namespace

void benchSearch()
{
    qv::TextControl edit;
    benchFind(edit);
    benchFindRepetitive();
    benchReplaceAll(edit);
}
