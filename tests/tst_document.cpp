#include "testutil.h"

#include "app/MainForm.h"
#include "editor/Childwin.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/forms.h"
#include "platform/mdiframe.h"
#include "platform/textcontrol.h"
#include "platform/textwindow.h"

#include <QAction>
#include <QLabel>
#include <QTest>
#include <QToolButton>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace testutil;

class tst_Document : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QVERIFY(unexpectedModals().isEmpty()); }

    void padLeftNeverCuts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("expected");
        QTest::newRow("short") << "1" << 4 << "   1";
        QTest::newRow("exact") << "1234" << 4 << "1234";
        QTest::newRow("longer") << "12345" << 4 << "12345";
        QTest::newRow("empty") << "" << 2 << "  ";
    }
    void padLeftNeverCuts()
    {
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(QString, expected);
        QCOMPARE(qv::PadLeft(text, width), expected);
    }

    void caretPanelText_data()
    {
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("expected");
        QTest::newRow("start") << 0 << 1 << "   1:  1 ";
        QTest::newRow("line 3 column 10") << 2 << 10 << "   3: 10 ";
        QTest::newRow("line 12 column 5") << 11 << 5 << "  12:  5 ";
        QTest::newRow("five digits") << 9999 << 1 << "10000:  1 ";
        QTest::newRow("nothing cut") << 12344 << 1234 << "12345:1234 ";
    }
    void caretPanelText()
    {
        QFETCH(int, line);
        QFETCH(int, column);
        QFETCH(QString, expected);
        QCOMPARE(qv::caretPanelText(line, column), expected);
    }

    // Each of CR LF, LF and CR ends a line; the column counts characters, not bytes.
    void caretPanelFollowsTheSelectionStart()
    {
        ShownSession session;
        MainForm->FileNewItem->trigger();
        TMDIChild *document = MainForm->activeDocument();
        QCOMPARE(document->StatusBar1->panelText(0), QStringLiteral("   1:  1 "));
        document->RichEdit1->setText("one\r\ntwo\nthree\rfour \xc3\xa4\xc3\xa4x");
        const int x = document->RichEdit1->length() - 1;
        document->RichEdit1->setSelection(x, 0);
        QCOMPARE(document->StatusBar1->panelText(0), QStringLiteral("   4:  8 "));
        // A selection made backwards shows its lower end.
        document->RichEdit1->setSelection(9, -4);
        QCOMPARE(document->StatusBar1->panelText(0), QStringLiteral("   2:  1 "));
        QTest::keyClicks(document->RichEdit1->view(), "ab");
        QCOMPARE(document->StatusBar1->panelText(0), QStringLiteral("   2:  3 "));
        QVERIFY(document->RichEdit1->modified());
    }

    // The widest text, a five-digit line and a four-digit column, fits the panel whole.
    void caretPanelHoldsTheWidestText()
    {
        ShownSession session;
        MainForm->FileNewItem->trigger();
        TMDIChild *document = MainForm->activeDocument();
        auto *panel = document->StatusBar1->findChild<QLabel *>();
        QVERIFY(panel);
        QCOMPARE(panel->x(), 0);
        for (const char *text : {"12345:1234 ", "88888:8888 ", "00000:0000 "}) {
            panel->setText(QLatin1String(text));
            QVERIFY2(panel->width() >= panel->sizeHint().width(), text);
        }
    }

    // Opening and saving without edits writes back exactly the bytes that were read.
    void openAndSaveKeepsEveryByte_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("lf") << QByteArray("class A {\n}\n");
        QTest::newRow("crlf") << QByteArray("class A {\r\n}\r\n");
        QTest::newRow("cr") << QByteArray("a\rb\r");
        QTest::newRow("mixed, no final break") << QByteArray("a\r\nb\nc\rd");
        QTest::newRow("utf-8") << QByteArray("// gr\xc3\xbc\xc3\x9f\x65 \xe2\x82\xac\n");
        QTest::newRow("latin-1") << QByteArray("// gr\xfc\xdf\x65\n");
        QTest::newRow("invalid utf-8") << QByteArray("\xff\xfe\xc3(\xe2\x82\n\x80");
        QTest::newRow("nul bytes") << QByteArray("a\0b\0\0c\n", 7);
        QByteArray binary;
        for (int i = 0; i < 4096; ++i)
            binary.append(char((i * 7919) & 0xff));
        QTest::newRow("binary") << binary;
    }
    void openAndSaveKeepsEveryByte()
    {
        QFETCH(QByteArray, bytes);
        ShownSession session;
        const QString name = session.file(QStringLiteral("Round.java"));
        writeFile(name, bytes);
        MainForm->OpenDocument(name, true);
        TMDIChild *document = MainForm->activeDocument();
        QVERIFY(!document->RichEdit1->modified());
        QCOMPARE(document->RichEdit1->text(), bytes);
        writeFile(name, "something else");
        answerBox(QStringLiteral("&Yes"));
        MainForm->SaveBtn->click();
        QVERIFY(allModalsHandled());
        QCOMPARE(readFile(name), bytes);
    }

    void unreadableNamesReportErrorOpening_data()
    {
        QTest::addColumn<QString>("relative");
        QTest::newRow("missing") << "missing.java";
        QTest::newRow("directory") << "folder";
        QTest::newRow("fifo") << "fifo";
        QTest::newRow("endless device") << "/dev/zero";
    }
    void unreadableNamesReportErrorOpening()
    {
        QFETCH(QString, relative);
        ShownSession session;
        QDir(session.dir()).mkdir(QStringLiteral("folder"));
        QCOMPARE(::mkfifo(QFile::encodeName(session.file(QStringLiteral("fifo"))).constData(),
                          0644),
                 0);
        const QString name = relative.startsWith(u'/') ? relative : session.file(relative);
        auto box = answerBox();
        MainForm->OpenDocument(name, true);
        QVERIFY(allModalsHandled());
        QCOMPARE(box->text, QStringLiteral("Error opening:") + name);
        QCOMPARE(MainForm->activeChild()->windowTitle(), name);
        QVERIFY(!MainForm->activeDocument()->RichEdit1->modified());
    }

    void openedFilesUseTheEditorFontNewOnesTheirOwn()
    {
        ShownSession session;
        *MainForm->EditorFont = QFont(QStringLiteral("Courier"), 17);
        const QString name = session.file(QStringLiteral("A.java"));
        writeFile(name, "x");
        MainForm->OpenDocument(name, true);
        QCOMPARE(MainForm->activeDocument()->RichEdit1->textFont().pointSize(), 17);
        MainForm->FileNewItem->trigger();
        QCOMPARE(MainForm->activeDocument()->RichEdit1->textFont().pixelSize(), 13);
    }

    void closeQuestionAnswers_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<bool>("saved");
        QTest::newRow("yes saves and closes") << "&Yes" << true << true;
        QTest::newRow("no closes without saving") << "&No" << true << false;
        QTest::newRow("cancel keeps the window") << "Cancel" << false << false;
    }
    void closeQuestionAnswers()
    {
        QFETCH(QString, answer);
        QFETCH(bool, closed);
        QFETCH(bool, saved);
        ShownSession session;
        QDir::setCurrent(session.dir());
        MainForm->FileNewItem->trigger();
        MainForm->FileNewItem->trigger();
        TMDIChild *document = MainForm->activeDocument();
        QCOMPARE(document->caption(), QStringLiteral("NONAME2"));
        QTest::keyClicks(document->RichEdit1->view(), "text");
        const QString panel = document->StatusBar1->panelText(0);
        auto box = answerBox(answer);
        MainForm->FileCloseItem->trigger();
        QVERIFY(allModalsHandled());
        QCOMPARE(box->text, QStringLiteral("NONAME2 has been modified.  Save changes?"));
        QTRY_COMPARE(MainForm->ClientArea->childCount(), closed ? 1 : 2);
        QCOMPARE(QFile::exists(session.file(QStringLiteral("NONAME2"))), saved);
        if (saved)
            QCOMPARE(readFile(session.file(QStringLiteral("NONAME2"))), QByteArray("text"));
        if (!closed) {
            QVERIFY(document->RichEdit1->modified());
            QCOMPARE(document->RichEdit1->text(), QByteArray("text"));
            QCOMPARE(document->StatusBar1->panelText(0), panel);
        }
    }

    // The window font is given in pixels; the text must show at that size, not shrunk.
    void pixelSizedFontShowsAtItsSize()
    {
        qv::TextControl inPixels, inPoints;
        QFont pixels(QStringLiteral("System"));
        pixels.setPixelSize(13);
        QFont points(QStringLiteral("System"));
        points.setPointSizeF(13 * 72.0 / inPoints.logicalDpiY());
        inPixels.setTextFont(pixels);
        inPoints.setTextFont(points);
        for (qv::TextControl *control : {&inPixels, &inPoints}) {
            control->resize(200, 60);
            control->setText("Mg");
        }
        QCOMPARE(inPixels.grab().toImage(), inPoints.grab().toImage());
        QCOMPARE(inPixels.textFont().pixelSize(), 13);
    }

    void tabKeyInsertsATab()
    {
        ShownSession session;
        MainForm->FileNewItem->trigger();
        TMDIChild *document = MainForm->activeDocument();
        document->RichEdit1->setFocus();
        QTest::keyClick(document->RichEdit1->view(), Qt::Key_Tab);
        QTest::keyClicks(document->RichEdit1->view(), "x");
        QCOMPARE(document->RichEdit1->text(), QByteArray("\tx"));
        QCOMPARE(document->StatusBar1->panelText(0), QStringLiteral("   1:  3 "));
    }

    void unmodifiedWindowClosesWithoutAQuestion()
    {
        ShownSession session;
        MainForm->FileNewItem->trigger();
        MainForm->FileCloseItem->trigger();
        QTRY_COMPARE(MainForm->ClientArea->childCount(), 0);
    }

    void saveIntoAMissingFolderKeepsTheWindowModified()
    {
        ShownSession session;
        MainForm->FileNewItem->trigger();
        TMDIChild *document = MainForm->activeDocument();
        const QString name = session.file(QStringLiteral("no/such/folder/A.java"));
        document->setCaption(name);
        QTest::keyClicks(document->RichEdit1->view(), "x");
        auto question = answerBox(QStringLiteral("&Yes"));
        auto error = answerBox();
        MainForm->FileCloseItem->trigger();
        QVERIFY(allModalsHandled());
        QCOMPARE(error->text, QStringLiteral("Cannot create file ") + name + u'.');
        QCOMPARE(error->icon, QMessageBox::Critical);
        QCOMPARE(error->caption, QStringLiteral("Quorvel"));
        QCOMPARE(MainForm->ClientArea->childCount(), 1);
        QVERIFY(document->RichEdit1->modified());
    }

    // A save that runs out of room (here a file-size limit, which must not kill the program)
    // fails as a save and leaves the old file whole.
    void failedWriteLeavesTheOldFileIntact()
    {
        ShownSession session;
        const QString name = session.file(QStringLiteral("Big.java"));
        const QByteArray original("the original contents\n");
        writeFile(name, original);
        MainForm->OpenDocument(name, true);
        TMDIChild *document = MainForm->activeDocument();
        document->RichEdit1->setText(QByteArray(200000, 'x'));
        const pid_t child = fork();
        if (child == 0) {
            rlimit limit{4096, 4096};
            setrlimit(RLIMIT_FSIZE, &limit);
            try {
                document->SaveDocument();
                _exit(1);
            } catch (const qv::Error &error) {
                _exit(error.message() == QLatin1String("Failed to Save Stream") ? 0 : 2);
            }
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
        QCOMPARE(readFile(name), original);
        QCOMPARE(QDir(session.dir()).entryList(QDir::Files), QStringList{"Big.java"});
    }

    void saveKeepsTheFilesPermissions()
    {
        ShownSession session;
        const QString name = session.file(QStringLiteral("Run.sh"));
        writeFile(name, "echo hi\n");
        QFile::setPermissions(name, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        MainForm->OpenDocument(name, true);
        MainForm->FileSaveItem->trigger();
        QCOMPARE(QFile::permissions(name),
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser
                     | QFile::WriteUser | QFile::ExeUser);
    }

    // A long single line opens whole; showing it costs a while (the text control measures the
    // whole line), so the window stays hidden here.
    void hugeSingleLineFileOpens()
    {
        Session session;
        const QString name = session.file(QStringLiteral("Line.java"));
        writeFile(name, QByteArray(20 * 1024 * 1024, 'a'));
        MainForm->OpenDocument(name, true);
        QCOMPARE(MainForm->activeDocument()->RichEdit1->length(), 20 * 1024 * 1024);
        QCOMPARE(MainForm->activeDocument()->StatusBar1->panelText(0), QStringLiteral("   1:  1 "));
    }
};

QTEST_MAIN(tst_Document)
#include "tst_document.moc"
