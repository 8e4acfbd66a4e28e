#include "platform/finddialogs.h"

#include "app/MainForm.h"
#include "editor/Childwin.h"
#include "platform/boxes.h"
#include "platform/mdiframe.h"
#include "platform/textcontrol.h"
#include "testutil.h"
#include "toolchain/compunit.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QApplication>
#include <QTest>

namespace {

TMDIChild *newDocument(const QByteArray &text)
{
    MainForm->FileNewItemClick();
    auto *child = qobject_cast<TMDIChild *>(MainForm->activeChild());
    if (child) {
        child->RichEdit1->setText(text);
        child->RichEdit1->setSelection(0, 0);
    }
    return child;
}

struct Selection
{
    int start;
    int length;
    bool operator==(const Selection &) const = default;
};

Selection selectionOf(const qv::TextControl *edit)
{
    return {edit->selStart(), edit->selLength()};
}

} // namespace

namespace QTest {
template<> char *toString(const Selection &selection)
{
    return qstrdup(QByteArray::number(selection.start) + '+'
                   + QByteArray::number(selection.length));
}
} // namespace QTest

class TestSearchDialogs : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void dialogsShowTheUsualControls();
    void buttonsFireTheirEvents();
    void reopenedDialogKeepsTextsOptionsAndPlace();
    void findNextWalksForwardAndBeepsAtTheEnd_data();
    void findNextWalksForwardAndBeepsAtTheEnd();
    void findActsOnWhicheverChildIsActive();
    void findWorksInAnOutputWindow();
    void buttonsDoNothingWithoutAChildWindow();
    void replaceAllIsOneUndoableEditEndingWithOneBeep();
    void replaceWithNothingSelectedReplacesTheNextOccurrence();
    void replaceDialogFindNextUsesItsOwnTextAndOption();
};

void TestSearchDialogs::cleanup()
{
    QCOMPARE(testutil::unexpectedModals(), QStringList());
}

void TestSearchDialogs::dialogsShowTheUsualControls()
{
    // Match case is the one option shown; Find Next is the default button of a dialog that
    // stays open beside the text.
    qv::FindDialog find;
    QVERIFY(find.findNextButton()->isDefault());
    QVERIFY(!find.isModal());
    QCOMPARE(find.findChildren<QCheckBox *>(), QList<QCheckBox *>{find.matchCaseBox()});
    qv::ReplaceDialog replace;
    QCOMPARE(replace.findChildren<QCheckBox *>(), QList<QCheckBox *>{replace.matchCaseBox()});

    const QString longText(300, u'x');
    replace.setFindText(longText);
    replace.setReplaceText(longText);
    QCOMPARE(replace.findText().size(), 255);
    QCOMPARE(replace.replaceText().size(), 255);
    QCOMPARE(replace.findEdit()->maxLength(), 255);
    QCOMPARE(replace.replaceEdit()->maxLength(), 255);
}

void TestSearchDialogs::buttonsFireTheirEvents()
{
    qv::ReplaceDialog dialog;
    dialog.execute();
    QSignalSpy finds(&dialog, &qv::FindDialog::find);
    QSignalSpy replaces(&dialog, &qv::ReplaceDialog::replace);
    QList<bool> allOptions;
    connect(&dialog, &qv::ReplaceDialog::replace, this, [&] {
        allOptions << dialog.replaceAllOption();
    });

    dialog.findNextButton()->click();
    dialog.replaceAllButton()->click();
    dialog.replaceButton()->click();
    QCOMPARE(finds.size(), 1);
    QCOMPARE(replaces.size(), 2);
    QCOMPARE(allOptions, (QList<bool>{true, false}));
    QVERIFY(dialog.isVisible());

    dialog.cancelButton()->click();
    QVERIFY(!dialog.isVisible());
    QCOMPARE(finds.size(), 1);
}

void TestSearchDialogs::reopenedDialogKeepsTextsOptionsAndPlace()
{
    QWidget owner;
    owner.setGeometry(100, 100, 400, 300);
    owner.show();
    qv::ReplaceDialog dialog(&owner);
    dialog.execute();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.setFindText(QStringLiteral("int"));
    dialog.setReplaceText(QStringLiteral("long"));
    dialog.setMatchCase(true);
    dialog.move(dialog.pos() + QPoint(37, 23));
    // As if dragged by the user: the window system moved it, the program did not.
    dialog.setAttribute(Qt::WA_Moved, false);
    const QPoint place = dialog.pos();

    dialog.execute();
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.pos(), place);

    dialog.cancelButton()->click();
    QVERIFY(!dialog.isVisible());
    dialog.execute();
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.findText(), QStringLiteral("int"));
    QCOMPARE(dialog.replaceText(), QStringLiteral("long"));
    QVERIFY(dialog.matchCase());
    QCOMPARE(dialog.pos(), place);

    dialog.reject();
    QVERIFY(!dialog.isVisible());
    dialog.execute();
    QCOMPARE(dialog.pos(), place);
}

void TestSearchDialogs::findNextWalksForwardAndBeepsAtTheEnd_data()
{
    QTest::addColumn<bool>("matchCase");
    QTest::addColumn<QList<Selection>>("presses");
    QTest::newRow("match case off") << false << QList<Selection>{{2, 3}, {6, 3}, {6, 3}};
    QTest::newRow("match case on") << true << QList<Selection>{{2, 3}, {2, 3}};
}

void TestSearchDialogs::findNextWalksForwardAndBeepsAtTheEnd()
{
    QFETCH(bool, matchCase);
    QFETCH(QList<Selection>, presses);
    testutil::ShownSession session;
    TMDIChild *child = newDocument("Print INT");
    QVERIFY(child);
    MainForm->SearchItemClick();
    qv::FindDialog *dialog = MainForm->FindDialog1;
    QVERIFY(dialog->isVisible());
    dialog->setFindText(QStringLiteral("int"));
    dialog->setMatchCase(matchCase);

    for (qsizetype i = 0; i < presses.size(); ++i) {
        const int beeps = qv::beepCount();
        dialog->findNextButton()->click();
        QCOMPARE(selectionOf(child->RichEdit1), presses[i]);
        const bool last = i == presses.size() - 1;
        QCOMPARE(qv::beepCount() - beeps, last ? 1 : 0);
    }
    QCOMPARE(child->RichEdit1->text(), QByteArray("Print INT"));
    QVERIFY(child->RichEdit1->isAncestorOf(child->focusWidget()));
}

void TestSearchDialogs::findActsOnWhicheverChildIsActive()
{
    testutil::ShownSession session;
    TMDIChild *first = newDocument("one needle");
    TMDIChild *second = newDocument("needle two");
    QVERIFY(first && second);
    MainForm->SearchItemClick();
    MainForm->FindDialog1->setFindText(QStringLiteral("needle"));

    MainForm->FindDialog1->findNextButton()->click();
    QCOMPARE(selectionOf(second->RichEdit1), (Selection{0, 6}));
    QCOMPARE(selectionOf(first->RichEdit1), (Selection{0, 0}));

    MainForm->ClientArea->activate(first);
    QCOMPARE(MainForm->activeChild(), first);
    MainForm->FindDialog1->findNextButton()->click();
    QCOMPARE(selectionOf(first->RichEdit1), (Selection{4, 6}));
    QCOMPARE(selectionOf(second->RichEdit1), (Selection{0, 6}));
    QCOMPARE(MainForm->activeChild(), first);
}

void TestSearchDialogs::findWorksInAnOutputWindow()
{
    testutil::ShownSession session;
    TMDIChild *document = newDocument("error in document");
    QVERIFY(document);
    auto *output = new TCompOutForm;
    MainForm->ClientArea->addChild(output);
    output->RichEdit1->appendLine("Demo.java:3: error: ';' expected");
    output->RichEdit1->setSelection(0, 0);
    QCOMPARE(MainForm->activeChild(), output);

    MainForm->FindDialog1->setFindText(QStringLiteral("ERROR"));
    QVERIFY(MainForm->FindDialog1Find(MainForm->FindDialog1));
    QCOMPARE(selectionOf(output->RichEdit1), (Selection{13, 5}));
    QCOMPARE(selectionOf(document->RichEdit1), (Selection{0, 0}));
}

void TestSearchDialogs::buttonsDoNothingWithoutAChildWindow()
{
    testutil::ShownSession session;
    QCOMPARE(MainForm->activeChild(), nullptr);
    const int beeps = qv::beepCount();
    MainForm->FindDialog1->setFindText(QStringLiteral("x"));
    MainForm->ReplaceDialog1->setFindText(QStringLiteral("x"));
    QVERIFY(!MainForm->FindDialog1Find(MainForm->FindDialog1));
    MainForm->ReplaceDialog1->findNextButton()->click();
    MainForm->ReplaceDialog1->replaceButton()->click();
    MainForm->ReplaceDialog1->replaceAllButton()->click();
    QCOMPARE(qv::beepCount(), beeps);
}

void TestSearchDialogs::replaceAllIsOneUndoableEditEndingWithOneBeep()
{
    testutil::ShownSession session;
    TMDIChild *child = newDocument("a a");
    QVERIFY(child);
    child->RichEdit1->setModified(false);
    MainForm->ReplaceItemClick();
    qv::ReplaceDialog *dialog = MainForm->ReplaceDialog1;
    QVERIFY(dialog->isVisible());
    dialog->setFindText(QStringLiteral("a"));
    dialog->setReplaceText(QStringLiteral("aa"));

    const int beeps = qv::beepCount();
    dialog->replaceAllButton()->click();
    QCOMPARE(child->RichEdit1->text(), QByteArray("aa aa"));
    QCOMPARE(selectionOf(child->RichEdit1), (Selection{5, 0}));
    QCOMPARE(qv::beepCount() - beeps, 1);
    QVERIFY(child->RichEdit1->modified());

    // Typing in the document makes the main window the active one, whose Undo takes Ctrl+Z.
    QApplication::setActiveWindow(MainForm);
    QTest::keyClick(child->RichEdit1->view(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(child->RichEdit1->text(), QByteArray("a a"));
}

void TestSearchDialogs::replaceWithNothingSelectedReplacesTheNextOccurrence()
{
    testutil::ShownSession session;
    TMDIChild *child = newDocument("two one two TWO");
    QVERIFY(child);
    child->RichEdit1->setSelection(1, 0);
    qv::ReplaceDialog *dialog = MainForm->ReplaceDialog1;
    MainForm->ReplaceItemClick();
    dialog->setFindText(QStringLiteral("two"));
    dialog->setReplaceText(QStringLiteral("2"));

    const int beeps = qv::beepCount();
    dialog->replaceButton()->click();
    QCOMPARE(child->RichEdit1->text(), QByteArray("two one 2 TWO"));
    QCOMPARE(selectionOf(child->RichEdit1), (Selection{9, 0}));

    // A selection that differs from the find text only in case is passed over.
    child->RichEdit1->setSelection(10, 3);
    dialog->replaceButton()->click();
    QCOMPARE(child->RichEdit1->text(), QByteArray("two one 2 TWO"));
    QCOMPARE(selectionOf(child->RichEdit1), (Selection{10, 3}));
    QCOMPARE(qv::beepCount() - beeps, 1);

    dialog->setFindText(QStringLiteral("TWO"));
    dialog->replaceButton()->click();
    QCOMPARE(child->RichEdit1->text(), QByteArray("two one 2 2"));
    QCOMPARE(selectionOf(child->RichEdit1), (Selection{11, 0}));
    QCOMPARE(qv::beepCount() - beeps, 1);
}

void TestSearchDialogs::replaceDialogFindNextUsesItsOwnTextAndOption()
{
    testutil::ShownSession session;
    TMDIChild *child = newDocument("Print INT int");
    QVERIFY(child);
    MainForm->FindDialog1->setFindText(QStringLiteral("Print"));
    qv::ReplaceDialog *dialog = MainForm->ReplaceDialog1;
    MainForm->ReplaceItemClick();
    dialog->setFindText(QStringLiteral("INT"));
    dialog->setMatchCase(true);

    dialog->findNextButton()->click();
    QCOMPARE(selectionOf(child->RichEdit1), (Selection{6, 3}));
    dialog->findNextButton()->click();
    QCOMPARE(selectionOf(child->RichEdit1), (Selection{6, 3}));
    QCOMPARE(child->RichEdit1->text(), QByteArray("Print INT int"));
}

QTEST_MAIN(TestSearchDialogs)
#include "tst_searchdialogs.moc"
