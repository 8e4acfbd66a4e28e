#include "testutil.h"

#include "app/MainForm.h"
#include "editor/Childwin.h"
#include "platform/boxes.h"
#include "platform/dialogs.h"
#include "platform/finddialogs.h"
#include "platform/forms.h"
#include "platform/mdiframe.h"
#include "platform/textcontrol.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMdiSubWindow>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>

using namespace testutil;

Q_DECLARE_METATYPE(qv::Highlighting)

namespace {

TMDIChild *openFile(const QString &path, const QByteArray &content)
{
    writeFile(path, content);
    MainForm->OpenDocument(path, true);
    return MainForm->activeDocument();
}

} // namespace

class tst_Editor : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QVERIFY(unexpectedModals().isEmpty()); }

    void highlightingFollowsTheName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("savedAs");
        QTest::addColumn<qv::Highlighting>("expected");
        QTest::newRow("java") << "A.java" << "" << qv::Highlighting::Java;
        QTest::newRow("jav, any case") << "B.JAV" << "" << qv::Highlighting::Java;
        QTest::newRow("html") << "c.html" << "" << qv::Highlighting::Html;
        QTest::newRow("htm") << "d.htm" << "" << qv::Highlighting::Html;
        QTest::newRow("other") << "notes.txt" << "" << qv::Highlighting::Plain;
        QTest::newRow("saved as java") << "notes.txt" << "Notes.java" << qv::Highlighting::Java;
        QTest::newRow("saved as text") << "E.java" << "E.txt" << qv::Highlighting::Plain;
    }

    void highlightingFollowsTheName()
    {
        QFETCH(QString, name);
        QFETCH(QString, savedAs);
        ShownSession session;
        TMDIChild *document = openFile(session.file(name), "class A { }\n");
        if (!savedAs.isEmpty()) {
            chooseFile(session.file(savedAs));
            MainForm->FileSaveAsItem->trigger();
            QVERIFY(allModalsHandled());
        }
        QTEST(document->RichEdit1->highlighting(), "expected");
    }

    // The options apply to open documents at once and are kept in a section of their own.
    void optionsTurnOffAndAreKept()
    {
        ShownSession session;
        TMDIChild *document = openFile(session.file("A.java"), "class A { }\n");
        QVERIFY(document->RichEdit1->lineNumbersShown());
        MainForm->HighlightingItem->trigger();
        MainForm->LineNumbersItem->trigger();
        QCOMPARE(document->RichEdit1->highlighting(), qv::Highlighting::Plain);
        QVERIFY(!document->RichEdit1->lineNumbersShown());
        QVERIFY(session.iniText().contains("[Editor]\nHighlighting=0\nLineNumbers=0\n"));
    }

    void largeFileOpensPlainAndSaysSo()
    {
        ShownSession session;
        QByteArray big(qv::highlightingLimit + 1, 'x');
        TMDIChild *document = openFile(session.file("Big.java"), big);
        QCOMPARE(document->RichEdit1->highlighting(), qv::Highlighting::Plain);
        QVERIFY(MainForm->StatusBar->text().contains(QLatin1String("too large")));
        QCOMPARE(document->RichEdit1->length(), big.size());
    }

    // Enter and paste insert the line end the file starts with; other line ends stay.
    void insertedLineEndsFollowTheFile_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("caret");
        QTest::addColumn<bool>("paste");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("CR LF, indentation kept")
            << QByteArray("\ta\r\nb") << 2 << false << QByteArray("\ta\r\n\tx\r\nb");
        QTest::newRow("LF") << QByteArray("a\nb") << 1 << false << QByteArray("a\nx\nb");
        QTest::newRow("CR") << QByteArray("a\rb") << 1 << false << QByteArray("a\rx\rb");
        QTest::newRow("mixed, first decides")
            << QByteArray("a\nb\r\nc\r") << 1 << false << QByteArray("a\nx\nb\r\nc\r");
        QTest::newRow("none: LF") << QByteArray("a") << 1 << false << QByteArray("a\nx");
        QTest::newRow("paste into CR LF")
            << QByteArray("a\r\n") << 1 << true << QByteArray("a1\r\n2\r\n3\r\n");
    }

    void insertedLineEndsFollowTheFile()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, caret);
        QFETCH(bool, paste);
        ShownSession session;
        const QString name = session.file("Lines.java");
        TMDIChild *document = openFile(name, content);
        document->RichEdit1->setSelection(caret, 0);
        if (paste) {
            QApplication::clipboard()->setText(QStringLiteral("1\n2\r3"));
            MainForm->PasteItem->trigger();
        } else {
            QTest::keyClick(document->RichEdit1->view(), Qt::Key_Return);
            QTest::keyClicks(document->RichEdit1->view(), "x");
        }
        MainForm->FileSaveItem->trigger();
        QTEST(readFile(name), "expected");
    }

    void shortcutsReachTheirCommands_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("item");
        const char *const table[][2] = {
            {"Ctrl+N", "FileNewItem"},       {"Ctrl+O", "FileOpenItem"},
            {"Ctrl+S", "FileSaveItem"},      {"Ctrl+Shift+S", "FileSaveAsItem"},
            {"Ctrl+W", "FileCloseItem"},     {"Ctrl+Q", "FileExitItem"},
            {"Ctrl+X", "CutItem"},           {"Ctrl+C", "CopyItem"},
            {"Ctrl+V", "PasteItem"},         {"Ctrl+F", "SearchItem"},
            {"Ctrl+H", "ReplaceItem"},       {"F3", "FindNextItem"},
            {"Ctrl+B", "CompileItem"},       {"F9", "CompileItem"},
            {"F5", "InterpreterItem"},       {"Ctrl+Shift+B", "BrowserItem"},
            {"Ctrl+Z", "UndoItem"},          {"Ctrl+Shift+Z", "RedoItem"},
            {"Ctrl+Y", "RedoItem"},          {"Ctrl+A", "SelectAllItem"},
            {"Ctrl+G", "GoToLineItem"},      {"Ctrl+R", "CompileAndRunItem"},
            {"Shift+F5", "RunWithArgumentsItem"},
        };
        for (const auto &row : table)
            QTest::newRow(row[0]) << row[0] << row[1];
    }

    // Typed in a document, each key runs its menu item (the editor keeps none of them).
    void shortcutsReachTheirCommands()
    {
        QFETCH(QString, key);
        QFETCH(QString, item);
        ShownSession session;
        MainForm->FileNewItem->trigger();
        auto *action = MainForm->findChild<QAction *>(item);
        QVERIFY(action);
        QVERIFY(action->shortcuts().contains(QKeySequence(key)));
        // Only the key's path is under test here: the command itself is left out.
        disconnect(action, &QAction::triggered, MainForm, nullptr);
        QSignalSpy triggered(action, &QAction::triggered);
        QWidget *view = MainForm->activeDocument()->RichEdit1->view();
        QApplication::setActiveWindow(MainForm);
        QTRY_VERIFY(MainForm->isActiveWindow());
        QTest::keySequence(view, QKeySequence(key));
        QCOMPARE(triggered.count(), 1);
        QCOMPARE(MainForm->activeDocument()->RichEdit1->text(), QByteArray());
    }

    void editingCommandsActOnTheActiveText()
    {
        ShownSession session;
        TMDIChild *document = openFile(session.file("t.txt"), "one\ntwo\nthree\n");
        qv::TextControl *edit = document->RichEdit1;
        QTest::keyClicks(edit->view(), "ab");
        MainForm->UndoItem->trigger();
        QCOMPARE(edit->text(), QByteArray("one\ntwo\nthree\n"));
        MainForm->RedoItem->trigger();
        QCOMPARE(edit->text(), QByteArray("abone\ntwo\nthree\n"));
        MainForm->SelectAllItem->trigger();
        QCOMPARE(edit->selLength(), edit->length());

        onNextModal([](QWidget *widget) {
            auto *dialog = qobject_cast<QInputDialog *>(widget);
            QVERIFY(dialog);
            dialog->setTextValue(QStringLiteral("3:4"));
            dialog->accept();
        });
        MainForm->GoToLineItem->trigger();
        QVERIFY(allModalsHandled());
        QCOMPARE(document->StatusBar1->panelText(0), QStringLiteral("   3:  4 "));
        QCOMPARE(edit->selLength(), 0);
    }

    void searchMissSaysSoUntilTheNextCommand()
    {
        ShownSession session;
        openFile(session.file("t.txt"), "abc");
        MainForm->FindDialog1->setFindText(QStringLiteral("zz"));
        const int beeps = qv::beepCount();
        QVERIFY(!MainForm->FindDialog1Find(MainForm->FindDialog1));
        QCOMPARE(qv::beepCount(), beeps + 1);
        QCOMPARE(MainForm->StatusBar->text(), QStringLiteral("Cannot find \"zz\""));
        MainForm->FileNewItem->trigger();
        QCOMPARE(MainForm->StatusBar->text(), QString());
    }

    // A tab marks its document's unsaved changes while the caption stays the file name.
    void tabShowsUnsavedChanges()
    {
        ShownSession session;
        writeFile(session.file(QStringLiteral("A.java")), "class A {}\n");
        MainForm->OpenDocument(session.file(QStringLiteral("A.java")), true);
        TMDIChild *document = MainForm->activeDocument();
        MainForm->WindowTabsItem->trigger();
        QTabBar *tabs = nullptr;
        QTRY_VERIFY((tabs = MainForm->ClientArea->findChild<QTabBar *>()));
        QVERIFY(tabs->tabIcon(0).isNull());
        QTest::keyClicks(document->RichEdit1->view(), "x");
        QVERIFY(!tabs->tabIcon(0).isNull());
        QCOMPARE(document->caption(), session.file(QStringLiteral("A.java")));
        QCOMPARE(tabs->tabText(0), session.file(QStringLiteral("A.java")));
        MainForm->FileSaveItem->trigger();
        QVERIFY(tabs->tabIcon(0).isNull());
    }

    void tabsComeAndGoAndCascadeStillArranges()
    {
        ShownSession session;
        MainForm->FileNewItem->trigger();
        MainForm->FileNewItem->trigger();
        MainForm->WindowTabsItem->trigger();
        QCOMPARE(MainForm->ClientArea->viewMode(), QMdiArea::TabbedView);
        QVERIFY(MainForm->ClientArea->tabsClosable());
        QVERIFY(session.iniText().contains("[Editor]\nTabs=1\n"));

        // Cascade returns to overlapping windows, one offset from the other.
        MainForm->WindowCascadeItem->trigger();
        QCOMPARE(MainForm->ClientArea->viewMode(), QMdiArea::SubWindowView);
        QVERIFY(!MainForm->WindowTabsItem->isChecked());
        QVERIFY(session.iniText().contains("[Editor]\nTabs=0\n"));
        const QList<QWidget *> children = MainForm->ClientArea->childWindows();
        const QWidget *first = qv::MdiFrame::frameOf(children[0]);
        const QWidget *second = qv::MdiFrame::frameOf(children[1]);
        QVERIFY(!first->isMaximized());
        QVERIFY(first->pos() != second->pos());
        QVERIFY(first->width() < MainForm->ClientArea->viewport()->width());
    }

    // The start-up file opens as the active tab, filling the frame.
    void tabsAreRestoredAtStart()
    {
        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("A.java"));
        writeFile(name, "class A { }\n");
        ShownSession session("[Editor]\nTabs=1\nLineNumbers=0\n", {name});
        QVERIFY(MainForm->WindowTabsItem->isChecked());
        QCOMPARE(MainForm->ClientArea->viewMode(), QMdiArea::TabbedView);
        QVERIFY(!MainForm->LineNumbersItem->isChecked());
        QVERIFY(MainForm->HighlightingItem->isChecked());
        QVERIFY(MainForm->activeDocument());
        QVERIFY(qv::MdiFrame::frameOf(MainForm->activeDocument())->isMaximized());
    }
};

QTEST_MAIN(tst_Editor)
#include "tst_editor.moc"
