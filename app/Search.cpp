#include "Search.h"

#include "MainForm.h"
#include "platform/boxes.h"
#include "platform/errors.h"
#include "platform/finddialogs.h"
#include "platform/mdiframe.h"
#include "platform/textcontrol.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>

namespace {

constexpr bool isSmall(unsigned char c)
{
    return c >= 'a' && c <= 'z';
}

constexpr bool isLetter(unsigned char c)
{
    return isSmall(c | 0x20);
}

constexpr unsigned char toCapital(unsigned char c)
{
    return isSmall(c) ? static_cast<unsigned char>(c - 0x20) : c;
}

// Bytes from the most to the least common in source code and prose. Any byte not listed is
// taken as rare; capitals are taken as a third as common as their small letters.
constexpr std::string_view commonBytes
    = " etaoinsrlcd\nhu;()p.m\r\tf=g,y\"b{}wvk_/x*0123456789<>+-[]'jqz!&|:#@?%$^~\\";

constexpr std::array<int, 256> makeRanks()
{
    std::array<int, 256> ranks{};
    const int count = int(commonBytes.size());
    for (int i = 0; i < count; ++i) {
        const auto c = static_cast<unsigned char>(commonBytes[size_t(i)]);
        ranks[c] = 3 * (count - i);
        if (isSmall(c))
            ranks[c - 0x20] = count - i;
    }
    return ranks;
}

constexpr std::array<int, 256> byteRanks = makeRanks();

// The first byte in [p, end) that is the small letter lower or its capital, or nullptr.
// Eight bytes at a time: or-ing 0x20 into every byte turns each capital into its small
// letter and no other byte into a small letter, so one comparison finds both cases.
const char *findEitherCase(const char *p, const char *end, unsigned char lower)
{
    if constexpr (std::endian::native == std::endian::little) {
        constexpr std::uint64_t ones = 0x0101010101010101ULL;
        constexpr std::uint64_t highs = 0x8080808080808080ULL;
        const std::uint64_t pattern = ones * lower;
        const std::uint64_t caseBits = ones * 0x20;
        // A zero byte in (w | caseBits) ^ pattern marks a hit; the lowest set bit of the
        // zero test belongs to the first zero byte (borrows only run towards higher bytes).
        const auto hitMask = [&](const char *at) {
            std::uint64_t w;
            std::memcpy(&w, at, sizeof w);
            const std::uint64_t x = (w | caseBits) ^ pattern;
            return (x - ones) & ~x & highs;
        };
        while (end - p >= 16) {
            const std::uint64_t first = hitMask(p);
            const std::uint64_t second = hitMask(p + 8);
            if (first | second) {
                if (first)
                    return p + (std::countr_zero(first) >> 3);
                return p + 8 + (std::countr_zero(second) >> 3);
            }
            p += 16;
        }
    }
    for (; p < end; ++p) {
        if ((static_cast<unsigned char>(*p) | 0x20) == lower)
            return p;
    }
    return nullptr;
}

} // namespace

TextFinder::TextFinder(std::string_view what, bool matchCase)
    : m_what(what.data(), qsizetype(what.size()))
    , m_matchCase(matchCase)
{
    if (!m_matchCase) {
        for (char &c : m_what)
            c = char(toCapital(static_cast<unsigned char>(c)));
    }
    int best = 0;
    for (qsizetype i = 0; i < m_what.size(); ++i) {
        const auto c = static_cast<unsigned char>(m_what[i]);
        const bool folds = !m_matchCase && isLetter(c);
        const int rank = folds ? byteRanks[c] + byteRanks[c | 0x20] : byteRanks[c];
        if (i == 0 || rank < best) {
            best = rank;
            m_anchor = i;
            m_anchorByte = folds ? static_cast<unsigned char>(c | 0x20) : c;
            m_anchorFolds = folds;
        }
    }
}

qsizetype TextFinder::find(std::string_view text, qsizetype start) const
{
    const qsizetype size = qsizetype(text.size());
    if (m_what.isEmpty() || start > size || size - qMax<qsizetype>(start, 0) < m_what.size())
        return -1;
    return scanFrom(text, qMax<qsizetype>(start, 0));
}

// How many leading bytes of the find text stand at at.
qsizetype TextFinder::matchLength(const char *at) const
{
    const char *what = m_what.constData();
    const qsizetype length = m_what.size();
    qsizetype i = 0;
    if (m_matchCase) {
        while (i < length && at[i] == what[i])
            ++i;
    } else {
        while (i < length
               && toCapital(static_cast<unsigned char>(at[i]))
                      == static_cast<unsigned char>(what[i]))
            ++i;
    }
    return i;
}

// Looks for the anchor byte and checks the whole find text around each one. Texts where
// the anchor keeps appearing without the find text around it (long runs of one letter, say)
// would make that quadratic, so once the checks have cost more than the scan has covered
// the rest of the text is left to matchFrom.
qsizetype TextFinder::scanFrom(std::string_view text, qsizetype start) const
{
    const char *const base = text.data();
    const qsizetype length = m_what.size();
    const char *p = base + start + m_anchor;
    const char *const last = base + qsizetype(text.size()) - length + m_anchor;
    qsizetype budget = 4096 + 4 * length;
    while (p <= last) {
        const char *hit
            = m_anchorFolds
                  ? findEitherCase(p, last + 1, m_anchorByte)
                  : static_cast<const char *>(std::memchr(p, m_anchorByte, size_t(last + 1 - p)));
        if (!hit)
            return -1;
        const char *candidate = hit - m_anchor;
        const qsizetype matched = matchLength(candidate);
        if (matched == length)
            return candidate - base;
        budget += (hit - p) - matched - 1;
        if (budget < 0)
            return matchFrom(text, candidate + 1 - base);
        p = hit + 1;
    }
    return -1;
}

// Knuth-Morris-Pratt over the folded bytes: linear whatever the text.
qsizetype TextFinder::matchFrom(std::string_view text, qsizetype start) const
{
    const qsizetype length = m_what.size();
    const auto fold = [this](char c) {
        const auto b = static_cast<unsigned char>(c);
        return m_matchCase ? b : toCapital(b);
    };
    const auto at = [this](qsizetype i) {
        return static_cast<unsigned char>(m_what[i]);
    };
    if (m_border.empty()) {
        m_border.assign(size_t(length + 1), 0);
        m_border[0] = -1;
        qsizetype k = -1;
        for (qsizetype i = 0; i < length; ++i) {
            while (k >= 0 && at(k) != at(i))
                k = m_border[size_t(k)];
            m_border[size_t(i + 1)] = ++k;
        }
    }
    qsizetype k = 0;
    const qsizetype size = qsizetype(text.size());
    for (qsizetype i = start; i < size; ++i) {
        const unsigned char c = fold(text[size_t(i)]);
        while (k >= 0 && at(k) != c)
            k = m_border[size_t(k)];
        if (++k == length)
            return i + 1 - length;
    }
    return -1;
}

namespace {

// Appends through a raw pointer: a million appends of a few bytes each then cost little more
// than the copying itself.
class ByteWriter
{
public:
    explicit ByteWriter(qsizetype capacity) { m_bytes.resize(capacity); }

    void append(const char *data, qsizetype count)
    {
        if (count == 0)
            return;
        if (m_used + count > m_bytes.size())
            m_bytes.resize(qMax(2 * m_bytes.size(), m_used + count));
        std::memcpy(m_bytes.data() + m_used, data, size_t(count));
        m_used += count;
    }

    QByteArray take()
    {
        m_bytes.truncate(m_used);
        return std::move(m_bytes);
    }

private:
    QByteArray m_bytes;
    qsizetype m_used = 0;
};

ReplacePlan refusedAsTooLarge()
{
    ReplacePlan refused;
    refused.tooLarge = true;
    return refused;
}

} // namespace

qsizetype findNext(std::string_view text, qsizetype start, std::string_view what, bool matchCase)
{
    return TextFinder(what, matchCase).find(text, start);
}

ReplacePlan planReplace(std::string_view text, qsizetype selStart, qsizetype selLength,
                        std::string_view what, std::string_view with, bool matchCase, bool all,
                        qsizetype maxSize)
{
    ReplacePlan plan;
    const qsizetype size = qsizetype(text.size());
    selStart = qBound<qsizetype>(0, selStart, size);
    selLength = qBound<qsizetype>(0, selLength, size - selStart);
    const qsizetype length = qsizetype(what.size());
    const qsizetype growth = qsizetype(with.size()) - length;
    const TextFinder finder(what, matchCase);

    qsizetype hit;
    if (text.substr(size_t(selStart), size_t(selLength)) == what) {
        // An empty selection and an empty find text: nothing to replace, nothing to search.
        if (selLength == 0)
            return plan;
        hit = selStart;
    } else {
        hit = finder.find(text, selStart + selLength);
        if (hit < 0) {
            plan.beep = true;
            return plan;
        }
        plan.found = true;
    }

    plan.start = hit;
    plan.replacements = 1;
    qsizetype from = hit + length;
    if (!all) {
        if (size + growth > maxSize)
            return refusedAsTooLarge();
        plan.replacement = QByteArray(with.data(), qsizetype(with.size()));
    } else {
        const qsizetype rest = size - hit;
        ByteWriter out(growth <= 0 ? rest : rest + qMin(rest / length * growth, rest));
        out.append(with.data(), qsizetype(with.size()));
        for (;;) {
            if (size + plan.replacements * growth > maxSize)
                return refusedAsTooLarge();
            const qsizetype next = finder.find(text, from);
            if (next < 0) {
                plan.beep = true;
                break;
            }
            plan.found = true;
            out.append(text.data() + from, next - from);
            out.append(with.data(), qsizetype(with.size()));
            ++plan.replacements;
            from = next + length;
        }
        plan.replacement = out.take();
    }
    plan.end = from;
    plan.caret = plan.start + plan.replacement.size();
    return plan;
}

void TMainForm::SearchItemClick()
{
    FindDialog1->execute();
}

void TMainForm::ReplaceItemClick()
{
    ReplaceDialog1->execute();
}

namespace {

std::string_view bytesOf(const QByteArray &bytes)
{
    return {bytes.constData(), size_t(bytes.size())};
}

// Brings the window that holds a found occurrence forward with its text control focused.
void showFound(qv::MdiFrame *frame, QWidget *child, qv::TextControl *edit)
{
    frame->activate(child);
    edit->setFocus();
}

} // namespace

bool TMainForm::FindDialog1Find(qv::FindDialog *sender)
{
    qv::TextControl *edit = activeTextControl();
    if (!edit)
        return false;
    const QByteArray what = sender->findText().toUtf8();
    const qsizetype start = qsizetype(edit->selStart()) + edit->selLength();
    const qsizetype hit = findNext(edit->bytes(), start, bytesOf(what), sender->matchCase());
    if (hit < 0) {
        qv::beep();
        showCommandMessage(QStringLiteral("Cannot find \"%1\"").arg(sender->findText()));
        return false;
    }
    clearCommandMessage();
    edit->setSelection(int(hit), int(what.size()));
    showFound(ClientArea, activeChild(), edit);
    return true;
}

void TMainForm::ReplaceDialog1Replace()
{
    qv::TextControl *edit = activeTextControl();
    if (!edit)
        return;
    const QByteArray what = ReplaceDialog1->findText().toUtf8();
    const QByteArray with = ReplaceDialog1->replaceText().toUtf8();
    const ReplacePlan plan = planReplace(edit->bytes(), edit->selStart(), edit->selLength(),
                                         bytesOf(what), bytesOf(with), ReplaceDialog1->matchCase(),
                                         ReplaceDialog1->replaceAllOption());
    if (plan.tooLarge)
        throw qv::Error(QStringLiteral("The text would grow too large"));
    if (plan.found)
        showFound(ClientArea, activeChild(), edit);
    if (plan.replacements > 0)
        edit->replaceRange(int(plan.start), int(plan.end), plan.replacement, int(plan.caret));
    if (plan.beep)
        qv::beep();
    if (plan.beep && plan.replacements == 0)
        showCommandMessage(QStringLiteral("Cannot find \"%1\"").arg(ReplaceDialog1->findText()));
}
