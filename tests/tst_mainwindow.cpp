#include "testutil.h"

#include "app/About.h"
#include "platform/application.h"
#include "platform/textcontrol.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDebug>
#include <QEnterEvent>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QToolButton>

using namespace testutil;

namespace {

// What a control shows, computed once the windows exist.
using Shown = std::function<QVariant()>;

QStringList captionsOf(const QList<QAction *> &actions)
{
    QStringList captions;
    for (QAction *action : actions)
        captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return captions;
}

QStringList hintsOf(const QList<QAction *> &actions)
{
    QStringList hints;
    for (QAction *action : actions) {
        if (!action->isSeparator())
            hints << qv::hintOf(action);
    }
    return hints;
}

// A value as a readable text, so that a difference shows in the failure.
QString written(const QVariant &value)
{
    QString text;
    QDebug(&text).nospace() << value;
    return text;
}

} // namespace

Q_DECLARE_METATYPE(Shown)

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

    // The windows as designed: captions, menus and hints, the tool buttons' places and tips,
    // the About box and the options dialog as they are created.
    void windowsAreAsDesigned_data()
    {
        QTest::addColumn<Shown>("shown");
        QTest::addColumn<QVariant>("designed");
        const auto row = [](const QByteArray &name, const Shown &shown, const QVariant &designed) {
            QTest::newRow(name.constData()) << shown << designed;
        };
        row("main window caption", [] { return MainForm->windowTitle(); }, "Quorvel");
        row("menu titles", [] { return captionsOf(MainForm->MainMenu1->actions()); },
            QStringList{"&File", "&Edit", "Java", "Run", "&Window", "&Help"});
        row("menu hints", [] { return hintsOf(MainForm->MainMenu1->actions()); },
            QStringList{"File related commands", "", "", "",
                        "Window related commands such as Tile and Cascade", "Help topics"});
        row("File menu", [] { return captionsOf(MainForm->File1->actions()); },
            QStringList{"&New", "&Open", "&Close", "&Save", "Save &As...", "-", "E&xit"});
        row("File hints", [] { return hintsOf(MainForm->File1->actions()); },
            QStringList{"Create a new file", "Open an existing file", "Close current file",
                        "Save current file", "Save current file as...", "Exit the application"});
        // Items added after the standard ones leave those in place.
        row("Edit menu", [] { return captionsOf(MainForm->Edit1->actions()).mid(0, 9); },
            QStringList{"Cu&t", "&Copy", "&Paste", "-", "Search", "Replace", "-", "&Font", "-"});
        row("Edit hints", [] { return hintsOf(MainForm->Edit1->actions()).mid(0, 6); },
            QStringList{"Cut to clipboard", "Copy to clipboard", "Paste from clipboard",
                        "Search for text", "Replace text", "Change Font"});
        row("Java menu", [] { return captionsOf(MainForm->Java1->actions()).mid(0, 2); },
            QStringList{"Compile", "Java Options"});
        row("Java hints", [] { return hintsOf(MainForm->Java1->actions()).mid(0, 2); },
            QStringList{"Compile Java Code", "Java Options"});
        row("Run menu", [] { return captionsOf(MainForm->Run1->actions()).mid(0, 2); },
            QStringList{"Browser", "Interpreter"});
        row("Window menu", [] { return captionsOf(MainForm->Window1->actions()).mid(0, 4); },
            QStringList{"&Cascade", "&Tile", "&Arrange Icons", "&Minimize All"});
        row("Window hints", [] { return hintsOf(MainForm->Window1->actions()).mid(0, 4); },
            QStringList{"Arrange windows to overlap", "Arrange windows without overlap",
                        "Arrange window icons at bottom of main window", "Minimize all windows"});
        row("Help menu", [] { return captionsOf(MainForm->Help1->actions()).mid(0, 1); },
            QStringList{"&About"});

        // Every button is 25 high at the top 2, shows a picture and has its name as its tip.
        const struct
        {
            const char *name;
            QToolButton *TMainForm::*button;
            int left;
            int width;
        } buttons[] = {{"New", &TMainForm::NewBtn, 3, 25},
                       {"Open", &TMainForm::OpenBtn, 28, 25},
                       {"Save", &TMainForm::SaveBtn, 52, 25},
                       {"Cut", &TMainForm::CutBtn, 87, 25},
                       {"Copy", &TMainForm::CopyBtn, 111, 25},
                       {"Paste", &TMainForm::PasteBtn, 135, 25},
                       {"Search", &TMainForm::SearchBtn, 170, 25},
                       {"Replace", &TMainForm::ReplaceBtn, 195, 25},
                       {"Browser", &TMainForm::BrowserBtn, 230, 25},
                       {"Interpreter", &TMainForm::InterpreterBtn, 255, 25},
                       {"Compile", &TMainForm::CompileBtn, 320, 25},
                       {"Stop", &TMainForm::StopBtn, 345, 25},
                       {"Compile and Run", &TMainForm::CompileAndRunBtn, 370, 25},
                       {"Exit", &TMainForm::ExitBtn, 400, 22}};
        for (const auto &b : buttons) {
            const auto button = b.button;
            row(QByteArray(b.name) + " button",
                [button] {
                    QToolButton *shown = MainForm->*button;
                    return QVariantList{shown->geometry(), !shown->icon().isNull()};
                },
                QVariantList{QRect(b.left, 2, b.width, 25), true});
            if (button != &TMainForm::CompileAndRunBtn)
                row(QByteArray(b.name) + " tip",
                    [button] { return (MainForm->*button)->toolTip(); },
                    QString::fromLatin1(b.name));
        }

        row("About box", [] {
            return QStringList{AboutBox->windowTitle(), AboutBox->ProductName->text(),
                               AboutBox->Version->text(), AboutBox->OKButton->text()};
        }, QStringList{"About", "Quorvel", ".99c (beta)", "OK"});
        row("About box places", [] {
            return QVariantList{AboutBox->size(), AboutBox->Panel1->geometry(),
                                AboutBox->ProgramIcon->geometry(), AboutBox->ProductName->pos(),
                                AboutBox->Version->pos(), AboutBox->OKButton->geometry(),
                                AboutBox->OKButton->isDefault()};
        }, QVariantList{QSize(298, 213), QRect(8, 8, 281, 161), QRect(8, 8, 65, 57),
                        QPoint(88, 16), QPoint(88, 40), QRect(111, 180, 75, 25), true});

        row("options dialog", [] {
            return QVariantList{CompileOptForm->windowTitle(), CompileOptForm->pos(),
                                CompileOptForm->GroupBox1->title()};
        }, QVariantList{"Java Compiler Options", QPoint(200, 109), "Java Compiler Options"});
        row("options labels, bold", [] {
            QStringList shown;
            for (QLabel *label : {CompileOptForm->Label1, CompileOptForm->Label2,
                                  CompileOptForm->Label3, CompileOptForm->Label4,
                                  CompileOptForm->Label5})
                shown << label->text() + (label->font().bold() ? "" : " (not bold)");
            return shown;
        }, QStringList{"Compiler Path", "Directory Path", "Class Path", "Browser", "Interpreter"});
        row("options start empty", [] {
            QStringList shown;
            for (QLineEdit *edit : {CompileOptForm->JavaPath, CompileOptForm->DirectoryPath,
                                    CompileOptForm->ClassPath, CompileOptForm->BrowserPath,
                                    CompileOptForm->Interpreter})
                shown << edit->text();
            return shown;
        }, QStringList(5, QString()));
        // The flags in their order as the group's children, unchecked, with two states.
        row("options flags", [] {
            QStringList shown;
            for (QCheckBox *box : CompileOptForm->GroupBox1->findChildren<QCheckBox *>())
                shown << box->text() + (box->isChecked() ? " (checked)" : "")
                             + (box->isTristate() ? " (three states)" : "");
            return shown;
        }, QStringList{"g", "O", "debug", "depend", "nowarn", "verbose", "nowrite"});
        row("options buttons", [] {
            const TCompileOptForm *form = CompileOptForm;
            return QVariantList{form->BitBtn1->text(), form->BitBtn1->isDefault(),
                                form->BitBtn2->text(), form->BitBtn2->isDefault(),
                                int(form->SpeedButton1->focusPolicy())};
        }, QVariantList{"OK", true, "Cancel", false, int(Qt::NoFocus)});
    }
    void windowsAreAsDesigned()
    {
        QFETCH(Shown, shown);
        QFETCH(QVariant, designed);
        Session session;
        QCOMPARE(written(shown()), written(designed));
    }

    // The 25 commands, and Stop, follow the number of child windows: documents and output
    // windows alike.
    void commandsAreEnabledExactlyWhileAChildExists()
    {
        ShownSession session;
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
        ShownSession session;
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

    void aboutCommandShowsTheAboutBoxModally()
    {
        ShownSession session;
        bool modal = false;
        onNextModal([&](QWidget *box) {
            modal = box == AboutBox;
            AboutBox->OKButton->click();
        });
        MainForm->HelpAboutItem->trigger();
        QVERIFY(allModalsHandled());
        QVERIFY(modal);
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
        ShownSession session("[Setup]\nLastFileName=\n");
        QCOMPARE(MainForm->File1->actions().size(), 7);
        QVERIFY(!MainForm->LastFileItem);
    }

    // Minimize All works from the last position of the activation list down to position 0,
    // so the most recently active window is minimised last.
    void minimizeAllEndsWithTheMostRecentlyActiveWindow()
    {
        QList<QWidget *> minimised;
        ShownSession session;
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
        ShownSession session;
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
        ShownSession session;
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
        ShownSession session;
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
        ShownSession session("[Options]\nCompilerPath=\n");
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
