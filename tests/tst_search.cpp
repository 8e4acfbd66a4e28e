#include "app/Search.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <limits>
#include <string_view>

namespace {

std::string_view view(const QByteArray &bytes)
{
    return {bytes.constData(), size_t(bytes.size())};
}

QByteArray capitals(QByteArray bytes, qsizetype from = 0)
{
    for (qsizetype i = from; i < bytes.size(); ++i) {
        if (bytes[i] >= 'a' && bytes[i] <= 'z')
            bytes[i] = char(bytes[i] - 'a' + 'A');
    }
    return bytes;
}

// The search as a user would describe it: copy, fold the copies, try every position.
qsizetype plainFind(const QByteArray &text, qsizetype start, const QByteArray &what, bool matchCase)
{
    const QByteArray f = matchCase ? what : capitals(what);
    const QByteArray t = matchCase ? text : capitals(text, start);
    if (f.isEmpty() || t.size() - start < f.size())
        return -1;
    for (qsizetype p = start; p + f.size() <= t.size(); ++p) {
        if (std::memcmp(t.constData() + p, f.constData(), size_t(f.size())) == 0)
            return p;
    }
    return -1;
}

struct Outcome
{
    QByteArray text;
    qsizetype selStart = 0;
    qsizetype selLength = 0;
    int beeps = 0;
    qsizetype replacements = 0;
};

// Replace and Replace All one step at a time, each search on a fresh copy of the text.
Outcome stepByStep(const QByteArray &text, qsizetype selStart, qsizetype selLength,
                   const QByteArray &what, const QByteArray &with, bool matchCase, bool all)
{
    Outcome out{text, selStart, selLength, 0, 0};
    for (;;) {
        if (out.text.mid(out.selStart, out.selLength) != what) {
            const qsizetype p = plainFind(out.text, out.selStart + out.selLength, what, matchCase);
            if (p < 0) {
                ++out.beeps;
                return out;
            }
            out.selStart = p;
            out.selLength = what.size();
        }
        if (out.selLength == 0)
            return out;
        out.text.replace(out.selStart, out.selLength, with);
        out.selStart += with.size();
        out.selLength = 0;
        ++out.replacements;
        if (!all)
            return out;
    }
}

Outcome applyPlan(const QByteArray &text, qsizetype selStart, qsizetype selLength,
                  const ReplacePlan &plan)
{
    Outcome out{text, selStart, selLength, plan.beep ? 1 : 0, plan.replacements};
    if (plan.replacements > 0) {
        out.text.replace(plan.start, plan.end - plan.start, plan.replacement);
        out.selStart = plan.caret;
        out.selLength = 0;
    }
    return out;
}

QByteArray randomBytes(QRandomGenerator &random, qsizetype length)
{
    // Few distinct bytes, so that occurrences overlap and differ only in case; the accented
    // pair and the punctuation pair differ only in the bit that separates a from A.
    static const QByteArray alphabet("aAbB \0\xE9\xC9[{", 10);
    QByteArray bytes;
    for (qsizetype i = 0; i < length; ++i)
        bytes.append(alphabet[random.bounded(int(alphabet.size()))]);
    return bytes;
}

QByteArray flipSomeCases(QRandomGenerator &random, QByteArray bytes)
{
    for (char &c : bytes) {
        if (((c | 0x20) >= 'a' && (c | 0x20) <= 'z') && random.bounded(3) == 0)
            c = char(c ^ 0x20);
    }
    return bytes;
}

} // namespace

class TestSearch : public QObject
{
    Q_OBJECT

private slots:
    void findNextFindsTheLowestOccurrenceFromStart_data();
    void findNextFindsTheLowestOccurrenceFromStart();
    void findNextAgreesWithATrialAtEveryPosition();
    void findNextAgreesOnLongRepetitiveTexts();
    void findNextStaysLinearOnRepetitiveText();
    void replaceCases_data();
    void replaceCases();
    void replaceAllIsOneEditWithTheCaretAfterTheLastInsertion();
    void replaceRefusesATextThatWouldGrowTooLarge();
    void onePassReplaceGivesTheStepByStepResults();
};

void TestSearch::findNextFindsTheLowestOccurrenceFromStart_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<qsizetype>("start");
    QTest::addColumn<QByteArray>("what");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<qsizetype>("expected");

    const QByteArray print("Print INT");
    QTest::newRow("folded: int inside Print")
        << print << qsizetype(0) << QByteArray("int") << false << qsizetype(2);
    QTest::newRow("folded: then INT")
        << print << qsizetype(5) << QByteArray("int") << false << qsizetype(6);
    QTest::newRow("folded: then nothing")
        << print << qsizetype(9) << QByteArray("int") << false << qsizetype(-1);
    QTest::newRow("exact: INT passed over")
        << print << qsizetype(5) << QByteArray("int") << true << qsizetype(-1);
    QTest::newRow("exact: capitals found")
        << print << qsizetype(0) << QByteArray("INT") << true << qsizetype(6);
    QTest::newRow("occurrence before start")
        << print << qsizetype(3) << QByteArray("Pri") << false << qsizetype(-1);
    QTest::newRow("overlapping candidate")
        << QByteArray("aaaa") << qsizetype(1) << QByteArray("aa") << true << qsizetype(1);
    QTest::newRow("at the very start")
        << QByteArray("abc") << qsizetype(0) << QByteArray("ABC") << false << qsizetype(0);
    QTest::newRow("at the very end") << QByteArray("xxxxxxxxxxxxxxxxxxxab") << qsizetype(0)
                                     << QByteArray("AB") << false << qsizetype(19);
    QTest::newRow("empty find text")
        << print << qsizetype(0) << QByteArray() << false << qsizetype(-1);
    QTest::newRow("find text longer than text")
        << QByteArray("ab") << qsizetype(0) << QByteArray("abc") << false << qsizetype(-1);
    QTest::newRow("rest shorter than find text")
        << QByteArray("abcab") << qsizetype(4) << QByteArray("ab") << true << qsizetype(-1);
    QTest::newRow("start past the end")
        << QByteArray("ab") << qsizetype(7) << QByteArray("a") << true << qsizetype(-1);
    QTest::newRow("negative start from the beginning")
        << QByteArray("ab") << qsizetype(-3) << QByteArray("a") << true << qsizetype(0);
    QTest::newRow("empty text") << QByteArray() << qsizetype(0) << QByteArray("a") << false
                                << qsizetype(-1);
    QTest::newRow("NUL bytes compare exactly") << QByteArray("a\0 b\0c", 6) << qsizetype(0)
                                               << QByteArray("\0C", 2) << false << qsizetype(4);
    QTest::newRow("NUL is not a blank")
        << QByteArray("a\0b", 3) << qsizetype(0) << QByteArray(" b") << false << qsizetype(-1);
    QTest::newRow("accented small is not its capital (UTF-8)")
        << QByteArray("\xC3\x89t\xC3\xA9") << qsizetype(0) << QByteArray("\xC3\x89T\xC3\x89")
        << false << qsizetype(-1);
    QTest::newRow("accented small is not its capital (8-bit)")
        << QByteArray("caf\xE9") << qsizetype(0) << QByteArray("CAF\xC9") << false << qsizetype(-1);
    QTest::newRow("non-ASCII find text found exactly")
        << QByteArray("na\xC3\xAFve NA\xC3\xAFVE") << qsizetype(2) << QByteArray("a\xC3\xAFv")
        << false << qsizetype(8);
    QTest::newRow("brackets are not braces")
        << QByteArray("{x} [x]") << qsizetype(0) << QByteArray("[X]") << false << qsizetype(4);
    QTest::newRow("at sign is not a backquote")
        << QByteArray("`a @a") << qsizetype(0) << QByteArray("@A") << false << qsizetype(3);
}

void TestSearch::findNextFindsTheLowestOccurrenceFromStart()
{
    QFETCH(QByteArray, text);
    QFETCH(qsizetype, start);
    QFETCH(QByteArray, what);
    QFETCH(bool, matchCase);
    QFETCH(qsizetype, expected);
    QCOMPARE(findNext(view(text), start, view(what), matchCase), expected);
}

void TestSearch::findNextAgreesWithATrialAtEveryPosition()
{
    QRandomGenerator random(20240611);
    for (int round = 0; round < 20000; ++round) {
        const QByteArray text = randomBytes(random, random.bounded(120));
        QByteArray what;
        if (!text.isEmpty() && random.bounded(2) == 0) {
            const qsizetype at = random.bounded(int(text.size()));
            what = flipSomeCases(random, text.mid(at, 1 + random.bounded(5)));
        } else {
            what = randomBytes(random, random.bounded(4));
        }
        const qsizetype start = random.bounded(int(text.size()) + 2);
        const bool matchCase = random.bounded(2) == 0;
        const qsizetype expected = plainFind(text, start, what, matchCase);
        if (findNext(view(text), start, view(what), matchCase) != expected) {
            QFAIL(qPrintable(QStringLiteral("text %1 start %2 find %3 case %4")
                                 .arg(QString::fromLatin1(text.toHex()))
                                 .arg(start)
                                 .arg(QString::fromLatin1(what.toHex()))
                                 .arg(matchCase)));
        }
    }
}

// Dense near-misses: the scan gives up on checking candidates and finishes another way.
void TestSearch::findNextAgreesOnLongRepetitiveTexts()
{
    QRandomGenerator random(99);
    for (int round = 0; round < 300; ++round) {
        const QByteArray unit = QByteArray(1 + random.bounded(30), 'a') + "bB"[round % 2];
        QByteArray text = unit.repeated(1 + random.bounded(20000 / int(unit.size())));
        for (int i = random.bounded(4); i > 0; --i)
            text[random.bounded(int(text.size()))] = "aAbB"[random.bounded(4)];
        text += flipSomeCases(random, QByteArray(60, 'a'));
        // Runs of a longer than the text's make every a a candidate that fails late.
        QByteArray what = QByteArray(1 + random.bounded(40), 'a');
        if (random.bounded(2) == 0)
            what = text.mid(random.bounded(int(text.size())), 1 + random.bounded(60));
        what = flipSomeCases(random, what);
        const qsizetype start = random.bounded(int(text.size()));
        const bool matchCase = random.bounded(2) == 0;
        QCOMPARE(findNext(view(text), start, view(what), matchCase),
                 plainFind(text, start, what, matchCase));
    }
}

// A long find text that almost matches at every position of a long text is found at its end,
// in either case mode; bench/ measures that its cost stays linear.
void TestSearch::findNextStaysLinearOnRepetitiveText()
{
    for (const qsizetype length : {32, 255}) {
        const QByteArray run = QByteArray(length - 1, 'b') + 'a';
        QByteArray text = run.repeated(16 * 1024 * 1024 / run.size());
        const QByteArray what(length, 'B');
        text += QByteArray(length, 'b');
        const qsizetype last = text.size() - length;
        QCOMPARE(findNext(view(text), 0, view(what), false), last);
        QCOMPARE(findNext(view(text), 0, view(what), true), -1);
        QCOMPARE(findNext(view(text), 0, view(what.toLower()), false), last);
        QCOMPARE(findNext(view(text), 0, view(what.toLower()), true), last);
    }
}

void TestSearch::replaceCases_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<QByteArray>("what");
    QTest::addColumn<QByteArray>("with");
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<bool>("all");
    QTest::addColumn<QByteArray>("result");
    QTest::addColumn<int>("caret");
    QTest::addColumn<bool>("beep");

    QTest::newRow("all: a to aa on 'a a'")
        << QByteArray("a a") << 0 << 0 << QByteArray("a") << QByteArray("aa") << false << true
        << QByteArray("aa aa") << 5 << true;
    QTest::newRow("selection exactly the find text")
        << QByteArray("one two two") << 4 << 3 << QByteArray("two") << QByteArray("2") << true
        << false << QByteArray("one 2 two") << 5 << false;
    QTest::newRow("nothing selected: next after the caret")
        << QByteArray("two one two") << 1 << 0 << QByteArray("two") << QByteArray("2") << true
        << false << QByteArray("two one 2") << 9 << false;
    QTest::newRow("selection differs only in case: passed over")
        << QByteArray("TWO two") << 0 << 3 << QByteArray("two") << QByteArray("2") << false << false
        << QByteArray("TWO 2") << 5 << false;
    QTest::newRow("no occurrence after the selection")
        << QByteArray("two one") << 4 << 3 << QByteArray("two") << QByteArray("2") << false << false
        << QByteArray("two one") << -1 << true;
    QTest::newRow("all with empty replace text keeps what is before")
        << QByteArray("ab ab ab ab") << 3 << 2 << QByteArray("ab") << QByteArray() << true << true
        << QByteArray("ab   ") << 5 << true;
    QTest::newRow("all: replace text holding the find text")
        << QByteArray("xx") << 0 << 0 << QByteArray("x") << QByteArray("<x>") << true << true
        << QByteArray("<x><x>") << 6 << true;
    QTest::newRow("all: nothing to replace beeps once")
        << QByteArray("abc") << 0 << 0 << QByteArray("z") << QByteArray("y") << false << true
        << QByteArray("abc") << -1 << true;
    QTest::newRow("empty find text with a caret: nothing, no beep")
        << QByteArray("abc") << 1 << 0 << QByteArray() << QByteArray("y") << false << true
        << QByteArray("abc") << -1 << false;
    QTest::newRow("empty find text with a selection beeps")
        << QByteArray("abc") << 1 << 1 << QByteArray() << QByteArray("y") << false << true
        << QByteArray("abc") << -1 << true;
    QTest::newRow("NUL bytes replaced like any other")
        << QByteArray("a\0b\0", 4) << 0 << 0 << QByteArray("\0", 1) << QByteArray("0") << true
        << true << QByteArray("a0b0") << 4 << true;
}

void TestSearch::replaceCases()
{
    QFETCH(QByteArray, text);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(QByteArray, what);
    QFETCH(QByteArray, with);
    QFETCH(bool, matchCase);
    QFETCH(bool, all);
    QFETCH(QByteArray, result);
    QFETCH(int, caret);
    QFETCH(bool, beep);

    const ReplacePlan plan
        = planReplace(view(text), selStart, selLength, view(what), view(with), matchCase, all);
    const Outcome out = applyPlan(text, selStart, selLength, plan);
    QCOMPARE(out.text, result);
    QCOMPARE(plan.beep, beep);
    if (caret < 0) {
        QCOMPARE(plan.replacements, 0);
    } else {
        QCOMPARE(out.selStart, caret);
        QCOMPARE(out.selLength, 0);
    }
}

void TestSearch::replaceAllIsOneEditWithTheCaretAfterTheLastInsertion()
{
    const QByteArray text("keep int; int x = int(y); tail");
    const ReplacePlan plan = planReplace(view(text), 6, 0, "int", "long", true, true);
    QCOMPARE(plan.replacements, 2);
    QCOMPARE(plan.start, 10);
    QCOMPARE(plan.end, 21);
    QCOMPARE(plan.replacement, QByteArray("long x = long"));
    QCOMPARE(plan.caret, 23);
    QVERIFY(plan.found);
    QVERIFY(plan.beep);
}

void TestSearch::replaceRefusesATextThatWouldGrowTooLarge()
{
    const QByteArray text(1000, 'a');
    const ReplacePlan refused = planReplace(view(text), 0, 0, "a", "bb", false, true, 1999);
    QVERIFY(refused.tooLarge);
    QCOMPARE(refused.replacements, 0);
    QVERIFY(!refused.beep);
    const ReplacePlan fits = planReplace(view(text), 0, 0, "a", "bb", false, true, 2000);
    QVERIFY(!fits.tooLarge);
    QCOMPARE(fits.replacement, QByteArray(2000, 'b'));
    QVERIFY(planReplace(view(text), 0, 0, "a", "bb", false, false, 1000).tooLarge);
}

void TestSearch::onePassReplaceGivesTheStepByStepResults()
{
    QRandomGenerator random(7031);
    for (int round = 0; round < 30000; ++round) {
        const QByteArray text = randomBytes(random, random.bounded(40));
        const qsizetype size = text.size();
        QByteArray what;
        switch (random.bounded(4)) {
        case 0:
            what = randomBytes(random, random.bounded(4));
            break;
        default:
            if (size > 0)
                what = flipSomeCases(random,
                                     text.mid(random.bounded(int(size)), 1 + random.bounded(3)));
        }
        QByteArray with;
        switch (random.bounded(4)) {
        case 0:
            break;
        case 1:
            with = what + randomBytes(random, 1) + what;
            break;
        default:
            with = randomBytes(random, random.bounded(5));
        }
        qsizetype selStart = random.bounded(int(size) + 1);
        qsizetype selLength = random.bounded(int(size - selStart) + 1);
        // Often select an occurrence of the find text, exactly or in other letter case.
        const qsizetype hit = plainFind(text, selStart, what, false);
        if (hit >= 0 && random.bounded(2) == 0) {
            selStart = hit;
            selLength = what.size();
        } else if (random.bounded(3) == 0) {
            selLength = 0;
        }
        const bool matchCase = random.bounded(2) == 0;
        const bool all = random.bounded(3) != 0;

        const Outcome expected = stepByStep(text, selStart, selLength, what, with, matchCase, all);
        const ReplacePlan plan
            = planReplace(view(text), selStart, selLength, view(what), view(with), matchCase, all);
        const Outcome actual = applyPlan(text, selStart, selLength, plan);
        if (actual.text != expected.text || actual.selStart != expected.selStart
            || actual.selLength != expected.selLength || actual.beeps != expected.beeps
            || actual.replacements != expected.replacements) {
            QFAIL(qPrintable(QStringLiteral("text %1 sel %2+%3 find %4 with %5 case %6 all %7")
                                 .arg(QString::fromLatin1(text.toHex()))
                                 .arg(selStart)
                                 .arg(selLength)
                                 .arg(QString::fromLatin1(what.toHex()))
                                 .arg(QString::fromLatin1(with.toHex()))
                                 .arg(matchCase)
                                 .arg(all)));
        }
    }
}

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
