#include "testutil.h"

#include "app/About.h"
#include "app/MainForm.h"
#include "app/Program.h"
#include "editor/Childwin.h"
#include "platform/application.h"
#include "platform/mdiframe.h"
#include "platform/textcontrol.h"

#include <QAction>
#include <QApplication>
#include <QEnterEvent>
#include <QLabel>
#include <QMenu>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace testutil;

class tst_MainWindow : public QObject
{
    Q_OBJECT

private:
    QList<QObject *> enablingControls() const
    {
        return {MainForm->FileCloseItem, MainForm->FileSaveItem, MainForm->FileSaveAsItem,
                MainForm->CutItem, MainForm->CopyItem, MainForm->PasteItem,
                MainForm->FontItem, MainForm->SearchItem, MainForm->ReplaceItem,
                MainForm->CompileItem, MainForm->BrowserItem, MainForm->InterpreterItem,
                MainForm->SaveBtn, MainForm->CutBtn, MainForm->CopyBtn, MainForm->PasteBtn,
                MainForm->SearchBtn, MainForm->ReplaceBtn, MainForm->CompileBtn,
                MainForm->BrowserBtn, MainForm->InterpreterBtn, MainForm->WindowCascadeItem,
                MainForm->WindowTileItem, MainForm->WindowArrangeItem,
                MainForm->WindowMinimizeItem, MainForm->StopItem, MainForm->StopBtn};
    }

    int enabledCount() const
    {
        int count = 0;
        for (QObject *control : enablingControls())
            count += control->property("enabled").toBool() ? 1 : 0;
        return count;
    }

    // The items added after the standard ones follow the same rule.
    int addedEnabledCount() const
    {
        int count = 0;
        for (QAction *item : {MainForm->UndoItem, MainForm->RedoItem, MainForm->SelectAllItem,
                              MainForm->FindNextItem, MainForm->GoToLineItem,
                              MainForm->LineNumbersItem, MainForm->HighlightingItem,
                              MainForm->WindowTabsItem})
            count += item->isEnabled() ? 1 : 0;
        return count;
    }

private slots:
    void cleanup()
    {
        QVERIFY2(unexpectedModals().isEmpty(), "a box opened that the test did not expect");
    }

    void menusHaveTheirCaptionsAndHints()
    {
        Session session;
        QStringList titles;
        for (QAction *action : MainForm->MainMenu1->actions())
            titles << action->text();
        QCOMPARE(titles, QStringList({"&File", "&Edit", "Java", "Run", "&Window", "&Help"}));
        QStringList file;
        for (QAction *action : MainForm->File1->actions())
            file << (action->isSeparator() ? QStringLiteral("-") : action->text());
        QCOMPARE(file, QStringList({"&New", "&Open", "&Close", "&Save", "Save &As...", "-",
                                    "E&xit"}));
        QCOMPARE(qv::hintOf(MainForm->FileOpenItem), QStringLiteral("Open an existing file"));
        QCOMPARE(qv::hintOf(MainForm->WindowArrangeItem),
                 QStringLiteral("Arrange window icons at bottom of main window"));
        QCOMPARE(qv::hintOf(MainForm->Window1->menuAction()),
                 QStringLiteral("Window related commands such as Tile and Cascade"));
        // Items added after the standard ones leave those in place.
        QStringList edit;
        for (QAction *action : MainForm->Edit1->actions())
            edit << (action->isSeparator() ? QStringLiteral("-") : action->text());
        QCOMPARE(edit.mid(0, 8), QStringList({"Cu&t", "&Copy", "&Paste", "-", "Search", "Replace",
                                              "-", "&Font"}));
        QCOMPARE(edit.value(8), QStringLiteral("-"));
    }

    void toolButtonsSitWhereDesignedWithTheirTips()
    {
        Session session;
        struct Expected {
            QToolButton *button;
            int left;
            int width;
            const char *tip;
        };
        const QList<Expected> expected = {
            {MainForm->NewBtn, 3, 25, "New"},       {MainForm->OpenBtn, 28, 25, "Open"},
            {MainForm->SaveBtn, 52, 25, "Save"},    {MainForm->CutBtn, 87, 25, "Cut"},
            {MainForm->CopyBtn, 111, 25, "Copy"},   {MainForm->PasteBtn, 135, 25, "Paste"},
            {MainForm->SearchBtn, 170, 25, "Search"},
            {MainForm->ReplaceBtn, 195, 25, "Replace"},
            {MainForm->BrowserBtn, 230, 25, "Browser"},
            {MainForm->InterpreterBtn, 255, 25, "Interpreter"},
            {MainForm->CompileBtn, 320, 25, "Compile"}, {MainForm->StopBtn, 345, 25, "Stop"},
            {MainForm->ExitBtn, 400, 22, "Exit"}};
        for (const Expected &e : expected) {
            QCOMPARE(e.button->geometry(), QRect(e.left, 2, e.width, 25));
            QCOMPARE(e.button->toolTip(), QLatin1String(e.tip));
            QVERIFY(!e.button->icon().isNull());
        }
    }

    // The 25 commands, and Stop, follow the number of child windows: documents and output
    // windows alike.
    void commandsAreEnabledExactlyWhileAChildExists()
    {
        Session session;
        session.show();
        QCOMPARE(enabledCount(), 0);
        QVERIFY(MainForm->FileNewItem->isEnabled());
        QVERIFY(MainForm->NewBtn->isEnabled());
        QVERIFY(MainForm->JavaOptions1->isEnabled());

        QCOMPARE(addedEnabledCount(), 0);

        MainForm->NewBtn->click();
        QTRY_COMPARE(enabledCount(), 27);
        QCOMPARE(addedEnabledCount(), 8);
        MainForm->FileNewItem->trigger();
        QCOMPARE(MainForm->ClientArea->childCount(), 2);
        QCOMPARE(enabledCount(), 27);

        MainForm->FileCloseItem->trigger();
        QTRY_COMPARE(MainForm->ClientArea->childCount(), 1);
        QCOMPARE(enabledCount(), 27);
        MainForm->FileCloseItem->trigger();
        QTRY_COMPARE(MainForm->ClientArea->childCount(), 0);
        QTRY_COMPARE(enabledCount(), 0);
        QCOMPARE(addedEnabledCount(), 0);
    }

    void menuHighlightShowsTheHintInTheStatusLine()
    {
        Session session;
        session.show();
        emit MainForm->File1->hovered(MainForm->FileNewItem);
        QCOMPARE(MainForm->StatusBar->text(), QStringLiteral("Create a new file"));
        emit MainForm->MainMenu1->hovered(MainForm->Window1->menuAction());
        QCOMPARE(MainForm->StatusBar->text(),
                 QStringLiteral("Window related commands such as Tile and Cascade"));
        // A tool button's long part is empty, so the status line empties over it.
        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QApplication::sendEvent(MainForm->OpenBtn, &enter);
        QCOMPARE(MainForm->StatusBar->text(), QString());
    }

    void hintChangedFiresOnlyOnAChange()
    {
        int fired = 0;
        auto connection = connect(qv::app(), &qv::Application::hintChanged, [&] { ++fired; });
        qv::app()->setHint(QStringLiteral("one"));
        qv::app()->setHint(QStringLiteral("one"));
        qv::app()->setHint(QStringLiteral("two"));
        disconnect(connection);
        QCOMPARE(fired, 2);
        QCOMPARE(qv::hintShortPart(QStringLiteral("Open|")), QStringLiteral("Open"));
        QCOMPARE(qv::hintLongPart(QStringLiteral("Open|")), QString());
        QCOMPARE(qv::hintLongPart(QStringLiteral("Search for text")),
                 QStringLiteral("Search for text"));
        QCOMPARE(qv::hintLongPart(QStringLiteral("a|b|c")), QStringLiteral("b|c"));
    }

    void aboutBoxShowsProductAndVersion()
    {
        Session session;
        session.show();
        QString caption;
        onNextModal([&](QWidget *box) {
            caption = box->windowTitle();
            QCOMPARE(box, static_cast<QWidget *>(AboutBox));
            AboutBox->OKButton->click();
        });
        MainForm->HelpAboutItem->trigger();
        QVERIFY(allModalsHandled());
        QCOMPARE(caption, QStringLiteral("About"));
        QCOMPARE(AboutBox->ProductName->text(), QStringLiteral("Quorvel"));
        QCOMPARE(AboutBox->Version->text(), QStringLiteral(".99c (beta)"));
        QCOMPARE(AboutBox->size(), QSize(298, 213));
    }

    void startupFileOpensAndBecomesTheLastFile()
    {
        Session session(QByteArrayLiteral("[Options]\n"));
        const QString name = session.file(QStringLiteral("My Hello.java"));
        writeFile(name, "class Hello {}\n");
        destroyQuorvelWindows();
        createQuorvelWindows({name, QStringLiteral("ignored.java")});
        session.show();
        QCOMPARE(MainForm->ClientArea->childCount(), 1);
        QCOMPARE(MainForm->activeChild()->windowTitle(), name);
        QCOMPARE(MainForm->LastFileName, name);
        QVERIFY(MainForm->StartupFile.isEmpty());
        QCOMPARE(MainForm->activeDocument()->RichEdit1->text(), QByteArray("class Hello {}\n"));
    }

    void missingStartupFileReportsAndKeepsAnEmptyWindow()
    {
        Session session(QByteArrayLiteral("[Options]\n"), {QStringLiteral("nowhere/none.java")});
        auto box = answerBox();
        session.show();
        QVERIFY(allModalsHandled());
        QCOMPARE(box->text, QStringLiteral("Error opening:nowhere/none.java"));
        QCOMPARE(box->caption, QStringLiteral("Quorvel"));
        QCOMPARE(box->icon, QMessageBox::NoIcon);
        QCOMPARE(box->buttons, QStringList{"OK"});
        TMDIChild *document = MainForm->activeDocument();
        QVERIFY(document);
        QCOMPARE(document->caption(), QStringLiteral("nowhere/none.java"));
        QCOMPARE(document->RichEdit1->length(), 0);
        QVERIFY(!document->RichEdit1->modified());
        QCOMPARE(MainForm->LastFileName, QStringLiteral("nowhere/none.java"));
    }

    void lastFileEntryOpensTheFileItNames()
    {
        Session session;
        const QString earlier = session.file(QStringLiteral("Earlier.java"));
        const QString now = session.file(QStringLiteral("Now.java"));
        writeFile(earlier, "earlier");
        writeFile(now, "now");
        writeFile(session.iniPath(), "[Setup]\nLastFileName=" + earlier.toUtf8() + "\n");
        destroyQuorvelWindows();
        createQuorvelWindows({now});
        session.show();
        QCOMPARE(MainForm->LastFileName, now);
        QStringList file;
        for (QAction *action : MainForm->File1->actions())
            file << (action->isSeparator() ? QStringLiteral("-") : action->text());
        QCOMPARE(file, QStringList({"&New", "&Open", "&Close", "&Save", "Save &As...", "-",
                                    earlier, "-", "E&xit"}));
        MainForm->LastFileItem->trigger();
        QCOMPARE(MainForm->activeChild()->windowTitle(), earlier);
    }

    void emptyLastFileAddsNoEntry()
    {
        Session session("[Setup]\nLastFileName=\n");
        session.show();
        QCOMPARE(MainForm->File1->actions().size(), 7);
        QVERIFY(!MainForm->LastFileItem);
    }

    // Minimize All works from the last position of the activation list down to position 0,
    // so the most recently active window is minimised last.
    void minimizeAllEndsWithTheMostRecentlyActiveWindow()
    {
        QList<QWidget *> minimised;
        Session session;
        session.show();
        for (int i = 0; i < 3; ++i)
            MainForm->FileNewItem->trigger();
        const QList<QWidget *> order = MainForm->ClientArea->childWindows();
        QCOMPARE(order.size(), 3);
        QCOMPARE(order.first()->windowTitle(), QStringLiteral("NONAME3"));
        for (QWidget *child : order) {
            QWidget *frame = qv::MdiFrame::frameOf(child);
            connect(qobject_cast<QMdiSubWindow *>(frame), &QMdiSubWindow::windowStateChanged,
                    this, [&, child](Qt::WindowStates, Qt::WindowStates now) {
                        if ((now & Qt::WindowMinimized) && !minimised.contains(child))
                            minimised.append(child);
                    });
        }
        MainForm->WindowMinimizeItem->trigger();
        QTRY_COMPARE(minimised.size(), 3);
        QCOMPARE(minimised.last(), order.first());
        QCOMPARE(minimised.first(), order.last());
        for (QWidget *child : order)
            QVERIFY(MainForm->ClientArea->isMinimized(child));
    }

    void newChildrenCascadeInsideTheFrame()
    {
        Session session;
        session.show();
        MainForm->resize(900, 700);
        QTRY_VERIFY(MainForm->ClientArea->viewport()->height() > 500);
        QList<QPoint> places;
        for (int i = 0; i < 3; ++i) {
            MainForm->FileNewItem->trigger();
            QWidget *frame = qv::MdiFrame::frameOf(MainForm->activeChild());
            places << frame->pos();
            QVERIFY(MainForm->ClientArea->viewport()->rect().contains(frame->geometry()));
        }
        QCOMPARE(places[0], QPoint(0, 0));
        QVERIFY(places[1].x() > 0 && places[1].x() == places[1].y());
        QCOMPARE(places[2], places[1] * 2);
    }

    void tileStacksFullWidthChildren()
    {
        Session session;
        session.show();
        MainForm->FileNewItem->trigger();
        MainForm->FileNewItem->trigger();
        MainForm->WindowTileItem->trigger();
        const QWidget *viewport = MainForm->ClientArea->viewport();
        QList<QRect> frames;
        for (QWidget *child : MainForm->ClientArea->childWindows())
            frames << qv::MdiFrame::frameOf(child)->geometry();
        std::sort(frames.begin(), frames.end(),
                  [](const QRect &a, const QRect &b) { return a.top() < b.top(); });
        QCOMPARE(frames[0].top(), 0);
        QCOMPARE(frames[0].width(), viewport->width());
        QCOMPARE(frames[1].width(), viewport->width());
        QCOMPARE(frames[1].top(), frames[0].bottom() + 1);
    }

    void windowMenuListsAndActivatesChildren()
    {
        Session session;
        session.show();
        MainForm->FileNewItem->trigger();
        MainForm->FileNewItem->trigger();
        emit MainForm->Window1->aboutToShow();
        const QList<QAction *> actions = MainForm->Window1->actions();
        // The four standard items, then the tabbed view after a separator, then the list.
        QCOMPARE(actions.indexOf(MainForm->WindowTabsItem), 5);
        QCOMPARE(actions.size(), 6 + 1 + 2);
        QVERIFY(actions[6]->isSeparator());
        QCOMPARE(actions[7]->text(), QStringLiteral("&1 NONAME1"));
        actions[7]->trigger();
        QCOMPARE(MainForm->activeChild()->windowTitle(), QStringLiteral("NONAME1"));
    }

    // Children are asked from position 0 upward; the first refusal abandons the close and
    // nothing is written.
    void exitStopsAtTheFirstRefusal()
    {
        Session session("[Options]\nCompilerPath=\n");
        session.show();
        MainForm->FileNewItem->trigger();
        MainForm->FileNewItem->trigger();
        for (QWidget *child : MainForm->ClientArea->childWindows())
            qobject_cast<TMDIChild *>(child)->RichEdit1->setText("changed");
        auto first = answerBox(QStringLiteral("Cancel"));
        MainForm->FileExitItem->trigger();
        QVERIFY(allModalsHandled());
        QCOMPARE(first->text, QStringLiteral("NONAME2 has been modified.  Save changes?"));
        QStringList buttons = first->buttons;
        buttons.sort();
        QCOMPARE(buttons, QStringList({"&No", "&Yes", "Cancel"}));
        QCOMPARE(first->icon, QMessageBox::Question);
        QCOMPARE(first->caption, QStringLiteral("Confirm"));
        QCOMPARE(MainForm->ClientArea->childCount(), 2);
        QCOMPARE(session.iniText(), QByteArray("[Options]\nCompilerPath=\n"));
        QVERIFY(MainForm->isVisible());

        answerBox(QStringLiteral("&No"));
        answerBox(QStringLiteral("&No"));
        MainForm->FileExitItem->trigger();
        QVERIFY(allModalsHandled());
        QVERIFY(!MainForm->isVisible());
        QVERIFY(session.iniText().contains("[Setup]"));
    }
};

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
