#include "testutil.h"

#include "app/MainForm.h"
#include "editor/Childwin.h"
#include "platform/dialogs.h"
#include "platform/mdiframe.h"
#include "platform/textcontrol.h"

#include <QAction>
#include <QApplication>
#include <QAbstractItemView>
#include <QClipboard>
#include <QCompleter>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QFontDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QToolButton>

using namespace testutil;


class tst_FileCommands : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QVERIFY(unexpectedModals().isEmpty()); }

    void newNamesCountTheOpenWindows()
    {
        ShownSession session;
        MainForm->FileNewItem->trigger();
        MainForm->NewBtn->click();
        QCOMPARE(MainForm->activeChild()->windowTitle(), QStringLiteral("NONAME2"));
        MainForm->ClientArea->activate(MainForm->ClientArea->childWindows().at(1));
        QCOMPARE(MainForm->activeChild()->windowTitle(), QStringLiteral("NONAME1"));
        MainForm->FileCloseItem->trigger();
        QTRY_COMPARE(MainForm->ClientArea->childCount(), 1);
        MainForm->FileNewItem->trigger();
        QStringList captions;
        for (QWidget *child : MainForm->ClientArea->childWindows())
            captions << child->windowTitle();
        QCOMPARE(captions, QStringList({"NONAME2", "NONAME2"}));
    }

    // A child window's own menu leaves the commands' keys alone: Ctrl+W in the text closes
    // that one window, not none through an ambiguous key.
    void closeKeyClosesTheWindowWithTheFocus()
    {
        ShownSession session;
        MainForm->FileNewItem->trigger();
        MainForm->FileNewItem->trigger();
        auto *document = qobject_cast<TMDIChild *>(MainForm->activeChild());
        QVERIFY(document);
        document->RichEdit1->setFocus();
        QTRY_VERIFY(document->RichEdit1->hasFocus());
        const QPointer<TMDIChild> closed(document);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_W, Qt::ControlModifier);
        QTRY_VERIFY(!closed);
        QCOMPARE(MainForm->ClientArea->childCount(), 1);
    }

    void openOffersTheThreeFiltersAndRecordsTheName()
    {
        ShownSession session;
        const QString name = session.file(QStringLiteral("Hello.java"));
        writeFile(name, "class Hello {}\n");
        auto visit = chooseFile(name);
        MainForm->OpenBtn->click();
        QVERIFY(allModalsHandled());
        QCOMPARE(visit->filters, QStringList({"Java file (*.java,*.jav)",
                                              "Html file (*.html, *.htm)", "All files (*.*)"}));
        QCOMPARE(visit->selectedFilter, QStringLiteral("Java file (*.java,*.jav)"));
        QCOMPARE(visit->modelPatterns, QStringList({"*.java", "*.jav"}));
        QCOMPARE(MainForm->activeChild()->windowTitle(), name);
        QCOMPARE(MainForm->LastFileName, name);
        QCOMPARE(MainForm->activeDocument()->RichEdit1->text(), QByteArray("class Hello {}\n"));

        // The dialog shows the name chosen in its previous use; cancelling changes nothing.
        auto again = chooseFile(QString());
        MainForm->FileOpenItem->trigger();
        QVERIFY(allModalsHandled());
        QCOMPARE(again->shownName, QStringLiteral("Hello.java"));
        QCOMPARE(MainForm->ClientArea->childCount(), 1);
    }

    void openingAMissingNameStillRecordsItAndSavingCreatesIt()
    {
        ShownSession session;
        const QString name = session.file(QStringLiteral("New.java"));
        chooseFile(name);
        auto box = answerBox();
        MainForm->FileOpenItem->trigger();
        QVERIFY(allModalsHandled());
        QCOMPARE(box->text, QStringLiteral("Error opening:") + name);
        QCOMPARE(MainForm->LastFileName, name);
        TMDIChild *document = MainForm->activeDocument();
        QVERIFY(!document->RichEdit1->modified());
        QTest::keyClicks(document->RichEdit1->view(), "class New {}");
        MainForm->FileSaveItem->trigger();
        QCOMPARE(readFile(name), QByteArray("class New {}"));
        QVERIFY(!document->RichEdit1->modified());
    }

    void sameFileOpensTwiceIndependently()
    {
        ShownSession session;
        const QString name = session.file(QStringLiteral("Twice.java"));
        writeFile(name, "x");
        MainForm->OpenDocument(name, true);
        MainForm->OpenDocument(name, true);
        QCOMPARE(MainForm->ClientArea->childCount(), 2);
        MainForm->activeDocument()->RichEdit1->setText("second");
        MainForm->FileSaveItem->trigger();
        QCOMPARE(readFile(name), QByteArray("second"));
    }

    void saveRewritesAnUnmodifiedFile()
    {
        ShownSession session;
        const QString name = session.file(QStringLiteral("Same.java"));
        writeFile(name, "kept");
        MainForm->OpenDocument(name, true);
        writeFile(name, "changed outside");
        answerBox(QStringLiteral("&Yes"));
        MainForm->SaveBtn->click();
        QVERIFY(allModalsHandled());
        QCOMPARE(readFile(name), QByteArray("kept"));
    }

    // Enter on a name the dialog's completion list offers closes the dialog and the list
    // with it; the keys typed next reach the document.
    void completionListClosesWithTheDialog()
    {
        ShownSession session;
        writeFile(session.file(QStringLiteral("Existing.java")), "old");
        MainForm->FileNewItem->trigger();
        bool listShown = false;
        onNextModal([&](QWidget *widget) {
            auto *dialog = qobject_cast<QFileDialog *>(widget);
            auto *edit = widget->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            if (!dialog || !edit || !edit->completer()) {
                widget->close();
                return;
            }
            dialog->setDirectory(session.dir());
            QApplication::setActiveWindow(dialog);
            edit->setFocus();
            QAbstractItemView *list = edit->completer()->popup();
            QDeadlineTimer deadline(10000);
            while (!list->isVisible() && !deadline.hasExpired()) {
                edit->clear();
                QTest::keyClicks(edit, "Exi");
                QTest::qWait(50);
            }
            listShown = list->isVisible();
            QWidget *keys = listShown ? static_cast<QWidget *>(list) : edit;
            QTest::keyClick(keys, Qt::Key_Down);
            QTest::keyClick(keys, Qt::Key_Return);
        });
        answerBox(QStringLiteral("&Yes"));
        MainForm->FileSaveAsItem->trigger();
        QVERIFY(allModalsHandled());
        QVERIFY(listShown);
        QTRY_COMPARE(MainForm->activeDocument()->caption(),
                     session.file(QStringLiteral("Existing.java")));
        QCOMPARE(QApplication::activePopupWidget(), nullptr);
        QTest::keyClicks(MainForm->activeDocument()->RichEdit1->view(), "xy");
        QCOMPARE(MainForm->activeDocument()->RichEdit1->text(), QByteArray("xy"));
    }

    // A name typed without a suffix gets ".java" in a Java document only.
    void saveAsGivesJavaDocumentsTheirSuffix_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("saved");
        QTest::newRow("Java document") << "Hello.java" << "Copy.java";
        QTest::newRow("page") << "page.html" << "Copy";
    }
    void saveAsGivesJavaDocumentsTheirSuffix()
    {
        QFETCH(QString, file);
        QFETCH(QString, saved);
        ShownSession session;
        writeFile(session.file(file), "class Hello {}\n");
        MainForm->OpenDocument(session.file(file), true);
        chooseFile(session.file(QStringLiteral("Copy")));
        MainForm->FileSaveAsItem->trigger();
        QVERIFY(allModalsHandled());
        QCOMPARE(MainForm->activeDocument()->caption(), session.file(saved));
        QVERIFY(QFile::exists(session.file(saved)));
    }

    void failedSaveAsKeepsCaptionAndTarget()
    {
        ShownSession session;
        MainForm->FileNewItem->trigger();
        TMDIChild *document = MainForm->activeDocument();
        document->RichEdit1->setText("text");
        const QString target = session.file(QStringLiteral("missing/Out.java"));
        chooseFile(target);
        auto error = answerBox();
        MainForm->FileSaveAsItem->trigger();
        QVERIFY(allModalsHandled());
        QCOMPARE(error->text, QStringLiteral("Cannot create file ") + target + u'.');
        QCOMPARE(document->caption(), QStringLiteral("NONAME1"));
        QVERIFY(document->RichEdit1->modified());
        QVERIFY(!QFile::exists(target));
    }

    void clipboardCommandsActOnTheActiveWindow()
    {
        ShownSession session;
        MainForm->FileNewItem->trigger();
        TMDIChild *document = MainForm->activeDocument();
        document->RichEdit1->setText("hello world");
        document->RichEdit1->setModified(false);
        document->RichEdit1->setSelection(0, 5);
        MainForm->CopyBtn->click();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("hello"));
        QVERIFY(!document->RichEdit1->modified());
        document->RichEdit1->setSelection(6, 5);
        MainForm->CutItem->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("world"));
        QCOMPARE(document->RichEdit1->text(), QByteArray("hello "));
        QVERIFY(document->RichEdit1->modified());
        document->RichEdit1->setSelection(0, 0);
        MainForm->PasteBtn->click();
        QCOMPARE(document->RichEdit1->text(), QByteArray("worldhello "));
        QCOMPARE(document->StatusBar1->panelText(0), QStringLiteral("   1:  6 "));
    }

    void fontCancelStillSetsTheEditorFont()
    {
        ShownSession session;
        MainForm->FileNewItem->trigger();
        TMDIChild *document = MainForm->activeDocument();
        const QFont windowFont = document->RichEdit1->textFont();
        onNextModal([](QWidget *widget) {
            auto *dialog = qobject_cast<QFontDialog *>(widget);
            QVERIFY(dialog);
            dialog->setCurrentFont(QFont(QStringLiteral("Courier"), 21));
            dialog->reject();
        });
        MainForm->FontItem->trigger();
        QVERIFY(allModalsHandled());
        QCOMPARE(document->RichEdit1->textFont(), windowFont);
        QCOMPARE(*MainForm->EditorFont, windowFont);
    }

    void fontChosenAppliesToTheWindowAndLaterFiles()
    {
        ShownSession session;
        MainForm->FileNewItem->trigger();
        MainForm->FileNewItem->trigger();
        TMDIChild *other = qobject_cast<TMDIChild *>(MainForm->ClientArea->childWindows().at(1));
        TMDIChild *document = MainForm->activeDocument();
        const QFont otherFont = other->RichEdit1->textFont();
        onNextModal([](QWidget *widget) {
            auto *dialog = qobject_cast<QFontDialog *>(widget);
            QVERIFY(dialog);
            QFont chosen(QStringLiteral("Courier"));
            chosen.setPointSize(21);
            dialog->setCurrentFont(chosen);
            dialog->accept();
        });
        MainForm->FontItem->trigger();
        QVERIFY(allModalsHandled());
        QCOMPARE(document->RichEdit1->textFont().pointSize(), 21);
        QCOMPARE(MainForm->EditorFont->pointSize(), 21);
        QCOMPARE(other->RichEdit1->textFont(), otherFont);
        const QString name = session.file(QStringLiteral("Later.java"));
        writeFile(name, "x");
        MainForm->OpenDocument(name, true);
        QCOMPARE(MainForm->activeDocument()->RichEdit1->textFont().pointSize(), 21);
    }

    // The chosen face and size reach every kind of word of a highlighted text, which keeps
    // its colours.
    void fontKeepsTheHighlighting()
    {
        ShownSession session;
        const QByteArray text = "public class Hello { // note\n}\n";
        writeFile(session.file(QStringLiteral("Hello.java")), text);
        MainForm->OpenDocument(session.file(QStringLiteral("Hello.java")), true);
        qv::TextControl *edit = MainForm->activeDocument()->RichEdit1;
        onNextModal([](QWidget *widget) {
            auto *dialog = qobject_cast<QFontDialog *>(widget);
            QVERIFY(dialog);
            dialog->setCurrentFont(QFont(QStringLiteral("DejaVu Sans Mono"), 15));
            dialog->accept();
        });
        MainForm->FontItem->trigger();
        QVERIFY(allModalsHandled());
        QList<QColor> colours;
        for (const char *word : {"public", "Hello", "// note", "{"}) {
            const int at = int(text.indexOf(word));
            QCOMPARE(edit->shownFontAt(at).family(), edit->textFont().family());
            QCOMPARE(edit->shownFontAt(at).pointSize(), 15);
            colours.append(edit->shownColourAt(at));
        }
        QVERIFY(colours[0] != colours[1]);
        QVERIFY(colours[2] != colours[1]);
    }

    void commandsWithoutAChildDoNothing()
    {
        ShownSession session;
        MainForm->FileCloseItemClick();
        MainForm->FileSaveItemClick();
        MainForm->FileSaveAsItemClick();
        MainForm->CutItemClick();
        MainForm->CopyItemClick();
        MainForm->PasteItemClick();
        MainForm->FontItemClick();
        QCOMPARE(MainForm->ClientArea->childCount(), 0);
    }

    void exitButtonClosesTheMainWindow()
    {
        ShownSession session;
        MainForm->ExitBtn->click();
        QVERIFY(!MainForm->isVisible());
    }
};

QTEST_MAIN(tst_FileCommands)
#include "tst_filecommands.moc"
