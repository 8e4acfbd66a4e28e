#include "platform/files.h"
#include "platform/textcontrol.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>

namespace {

// What reached the accessibility layer, and how often the editor dispatched its own notices
// of an insertion or a deletion (each of which counts the characters before the change).
struct Notices
{
    QList<QAccessible::Event> events;
    int insertedAt = -1;
    int dispatched = 0;
};
Notices *notices = nullptr;

void recordNotice(QAccessibleEvent *event)
{
    if (!notices)
        return;
    notices->events.append(event->type());
    if (event->type() == QAccessible::TextInserted)
        notices->insertedAt = static_cast<QAccessibleTextInsertEvent *>(event)->changePosition();
}

void setAccessibilityActive(bool active)
{
    QGuiApplicationPrivate::platformIntegration()->accessibility()->setActive(active);
}

QString writtenFile(const QTemporaryDir &dir, const QByteArray &bytes)
{
    const QString name = dir.filePath(QStringLiteral("Text.java"));
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return name;
}

} // namespace

class Dispatches : public QObject
{
    Q_OBJECT

public slots:
    void modified(int, int type)
    {
        if (notices && (type & 0x3) != 0) // an insertion or a deletion done
            ++notices->dispatched;
    }
};

class tst_TextControl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QAccessible::installUpdateHandler(recordNotice); }
    void cleanup()
    {
        notices = nullptr;
        setAccessibilityActive(false);
    }

    // Typing, deleting and moving the caret near the end of a large text: while nothing
    // listens, none of it makes a notice for assistive technology; while something does, each
    // is told as before, at its character offset. Either way the control reports the changes.
    void keystrokeNoticesOnlyWhileAccessibilityIsActive_data()
    {
        QTest::addColumn<bool>("active");
        QTest::newRow("inactive") << false;
        QTest::newRow("active") << true;
    }
    void keystrokeNoticesOnlyWhileAccessibilityIsActive()
    {
        QFETCH(bool, active);
        qv::TextControl edit;
        auto *editor = edit.findChild<QAbstractScrollArea *>();
        QVERIFY(editor);
        Dispatches dispatches;
        connect(editor, SIGNAL(SCN_MODIFIED(int, int, const char *, int, int, int, int, int, int,
                                            int)),
                &dispatches, SLOT(modified(int, int)));
        QByteArray text;
        for (int i = 0; text.size() < 1000000; ++i)
            text += "int \xc3\xa4" + QByteArray::number(i) + " = 0;\n";
        edit.setText(text);
        edit.resize(400, 300);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        setAccessibilityActive(active);
        const int end = edit.length();
        edit.setSelection(end, 0);
        QCoreApplication::processEvents();

        Notices seen;
        notices = &seen;
        QSignalSpy changes(&edit, &qv::TextControl::changed);
        QTest::keyClick(edit.view(), Qt::Key_X);
        QTest::keyClick(edit.view(), Qt::Key_Backspace);
        QTest::keyClick(edit.view(), Qt::Key_Left);
        edit.view()->repaint();
        QCoreApplication::processEvents();
        notices = nullptr;

        QCOMPARE(changes.count(), 2);
        QCOMPARE(edit.text(), text);
        QCOMPARE(seen.events.contains(QAccessible::TextInserted), active);
        QCOMPARE(seen.events.contains(QAccessible::TextRemoved), active);
        QCOMPARE(seen.events.contains(QAccessible::TextCaretMoved), active);
        QCOMPARE(seen.dispatched > 0, active);
        if (active)
            QCOMPARE(seen.insertedAt, edit.characterCount(0, end));
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(editor);
        QVERIFY(iface);
        QCOMPARE(iface->textInterface() != nullptr, active);
    }

    // Laying out a line of many kilobytes takes long enough to show the busy cursor until the
    // control has painted; other text shows none.
    void busyCursorUntilALongLineIsPainted_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("busy");
        QTest::newRow("long line") << QByteArray(200000, 'x') << true;
        QTest::newRow("short lines") << QByteArray("int x;\n").repeated(100) << false;
    }
    void busyCursorUntilALongLineIsPainted()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, busy);
        qv::TextControl edit;
        edit.resize(400, 300);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        edit.setText(text);
        QCOMPARE(QApplication::overrideCursor() != nullptr, busy);
        if (busy)
            QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        QTRY_VERIFY(!QApplication::overrideCursor());
    }

    // A file comes in a piece at a time; the text is its bytes all the same, with its lines
    // counted right where a CR LF is split between two pieces.
    void loadsAFileReadInPiecesWhole_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("lines");
        const QByteArray filler(qv::ReadPieceSize - 1, 'a');
        QTest::newRow("CR LF across pieces") << filler + "\r\nb\r\n" << 3;
        QTest::newRow("CR ends a piece") << filler + "\rb\n" << 3;
        QTest::newRow("NUL bytes, three pieces")
            << QByteArray(2 * qv::ReadPieceSize + 5, '\0') + "\nz" << 2;
    }
    void loadsAFileReadInPiecesWhole()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, lines);
        QTemporaryDir dir;
        const QString name = writtenFile(dir, bytes);
        QVERIFY(!name.isEmpty());
        qv::TextControl edit;
        edit.setSourceEditing();
        QCOMPARE(edit.loadFromFile(name), qv::ReadStatus::Ok);
        QVERIFY(edit.bytes() == std::string_view(bytes.constData(), size_t(bytes.size())));
        QCOMPARE(edit.lineCount(), lines);
        QVERIFY(!edit.modified());
    }

    // Opening a file needs little more memory than its text and the text's colours: never
    // a whole copy of it, in a read buffer or in the undo history.
    void openingNeedsAtMostThreeTimesTheFile_data()
    {
        QTest::addColumn<qsizetype>("size");
        QTest::newRow("highlighted") << qv::highlightingLimit - 1024 * 1024;
        QTest::newRow("too large to highlight") << qv::highlightingLimit + 8 * 1024 * 1024;
    }
    void openingNeedsAtMostThreeTimesTheFile()
    {
#if defined(__SANITIZE_ADDRESS__)
        QSKIP("the address sanitizer keeps freed memory resident");
#endif
        QFETCH(qsizetype, size);
        QTemporaryDir dir;
        const QString name = writtenFile(
            dir, QByteArray("    int value = 42; // a line of code\n").repeated(size / 38));
        QVERIFY(!name.isEmpty());
        qv::TextControl edit;
        edit.setSourceEditing();
        QFile refs(QStringLiteral("/proc/self/clear_refs"));
        if (!refs.open(QIODevice::WriteOnly) || refs.write("5") != 1)
            QSKIP("the peak of resident memory cannot be reset here");
        refs.close();
        const qint64 before = qv::procValueKiB("/proc/self/status", "VmRSS:");
        QCOMPARE(edit.loadFromFile(name), qv::ReadStatus::Ok);
        const double peak
            = double(qv::procValueKiB("/proc/self/status", "VmHWM:") - before) * 1024.0;
        QVERIFY2(peak <= 3.0 * double(size), qPrintable(QString::number(peak / double(size))));
    }

    // One mark taken away leaves the others of its line, their messages and their kind.
    void removingAMarkKeepsTheOthers()
    {
        using Mark = qv::TextControl::LineMark;
        qv::TextControl edit;
        edit.setText("a\nb\nc\n");
        const int error = edit.addLineMark(1, Mark::Error, QStringLiteral("first"));
        edit.addLineMark(1, Mark::Warning, QStringLiteral("second"));
        const int other = edit.addLineMark(2, Mark::Error, QStringLiteral("third"));
        edit.removeLineMark(error);
        QCOMPARE(edit.lineMarks(1), QList<Mark>{Mark::Warning});
        QCOMPARE(edit.lineMessage(1), QStringLiteral("second"));
        edit.removeLineMark(other);
        edit.removeLineMark(other);
        QVERIFY(edit.lineMarks(2).isEmpty());
        QVERIFY(edit.lineMessage(2).isEmpty());
    }
};

QTEST_MAIN(tst_TextControl)
#include "tst_textcontrol.moc"
