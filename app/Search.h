#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <string_view>
#include <vector>

// Searching the bytes of a text control. Positions are byte offsets. Without match case only
// the ASCII letters a-z and A-Z count as equal to each other; every other byte, NUL and the
// bytes of non-ASCII characters included, must be equal exactly.

// The lowest position p >= start where what begins in text; -1 when there is none, when
// what is empty, or when the rest of text from start is shorter than what.
qsizetype findNext(std::string_view text, qsizetype start, std::string_view what, bool matchCase);

// A prepared search for one find text, for running many searches over the same or other
// texts. The text is not copied: the finder scans it in place. Linear in the text scanned,
// whatever the text and the find text.
class TextFinder
{
public:
    TextFinder(std::string_view what, bool matchCase);

    qsizetype find(std::string_view text, qsizetype start) const;

private:
    qsizetype scanFrom(std::string_view text, qsizetype start) const;
    qsizetype matchFrom(std::string_view text, qsizetype start) const;
    qsizetype matchLength(const char *at) const;

    QByteArray m_what;
    bool m_matchCase;
    // The byte of the find text whose occurrences the scan looks for: the rarest one.
    qsizetype m_anchor = 0;
    unsigned char m_anchorByte = 0;
    bool m_anchorFolds = false;
    // Failure table of the folded find text, built the first time the fast scan gives up.
    mutable std::vector<qsizetype> m_border;
};

// What one press of Replace or Replace All does to a text and its selection.
struct ReplacePlan
{
    // The one edit: the bytes [start, end) of the text become replacement. Without any
    // replacement the text and the selection stay as they are.
    qsizetype start = 0;
    qsizetype end = 0;
    QByteArray replacement;
    // The caret after the edit (nothing selected).
    qsizetype caret = 0;
    qsizetype replacements = 0;
    // A search found an occurrence (the window is then brought forward with its control).
    bool found = false;
    // The run ended with a search that found nothing: sound the beep once.
    bool beep = false;
    // The edited text would exceed maxTextSize; nothing is done.
    bool tooLarge = false;
};

// The largest text the control holds (its positions are ints).
inline constexpr qsizetype maxTextSize = 0x7fffffff;

// Plans Replace (all == false) or Replace All. The selection is replaced first when it is
// exactly the find text (letter case counting even without match case); otherwise the
// search starts at the selection's end. Each later search starts after the text just
// inserted, so the replace text is never searched again; occurrences before the selection
// stay. One pass over the text, whatever the number of occurrences.
ReplacePlan planReplace(std::string_view text, qsizetype selStart, qsizetype selLength,
                        std::string_view what, std::string_view with, bool matchCase, bool all,
                        qsizetype maxSize = maxTextSize);
