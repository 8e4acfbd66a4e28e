#include "testutil.h"

#include "app/MainForm.h"
#include "toolchain/Compopt.h"

#include <QApplication>
#include <QCheckBox>
#include <QAbstractProxyModel>
#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

using namespace testutil;

// The options dialog: its controls, the close check on every way of closing, and the
// directory and program pickers, driven through the real dialogs.
class tst_Compopt : public QObject
{
    Q_OBJECT

private:
    // Closing runs later, from the event loop, so that a message box it opens is answered
    // by the next queued action rather than inside the current one.
    static void closeLater(const QString &way)
    {
        QTimer::singleShot(0, CompileOptForm, [way] {
            TCompileOptForm *form = CompileOptForm;
            if (way == QLatin1String("ok"))
                form->BitBtn1->click();
            else if (way == QLatin1String("cancel"))
                form->BitBtn2->click();
            else if (way == QLatin1String("enter"))
                QTest::keyClick(form->JavaPath, Qt::Key_Return);
            else if (way == QLatin1String("escape"))
                QTest::keyClick(form->DirectoryPath, Qt::Key_Escape);
            else
                form->windowHandle()->close();
        });
    }

    static QFileDialog *fileDialog(QWidget *modal)
    {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        if (!dialog && modal)
            modal->close();
        return dialog;
    }

private slots:
    void cleanup() { QVERIFY(unexpectedModals().isEmpty()); }

    void tabVisitsTheControlsInTheirKeyboardOrder()
    {
        Session session;
        TCompileOptForm *form = CompileOptForm;
        form->show();
        QApplication::setActiveWindow(form);
        QVERIFY(QTest::qWaitForWindowActive(form));
        form->JavaPath->setFocus();
        QList<QWidget *> visited{QApplication::focusWidget()};
        for (int i = 0; i < 14; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            visited << QApplication::focusWidget();
        }
        const QList<QWidget *> expected{form->JavaPath, form->DirectoryPath, form->ClassPath,
                                        form->BitBtn1, form->BitBtn2, form->CheckBox1,
                                        form->CheckBox2, form->CheckBox3, form->CheckBox4,
                                        form->CheckBox5, form->CheckBox6, form->CheckBox7,
                                        form->BrowserPath, form->Interpreter, form->JavaPath};
        QCOMPARE(visited, expected);
        form->hide();
    }

    // Every way of closing passes the same check. A refused close leaves the dialog open and
    // modal with its text; emptying the compiler directory then lets the same way through.
    void closeCheckGuardsEveryWayOfClosing_data()
    {
        QTest::addColumn<QString>("way");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("tried");
        QTest::addColumn<int>("result");
        const struct {
            const char *way;
            int result;
        } ways[] = {{"ok", 1}, {"enter", 1}, {"cancel", 2}, {"escape", 2}, {"frame", 2}};
        for (const auto &w : ways) {
            const QByteArray way(w.way);
            QTest::newRow(way + " empty") << w.way << "" << "" << w.result;
            QTest::newRow(way + " holds compiler") << w.way << "@/jdk/bin" << "" << w.result;
            QTest::newRow(way + " wrong") << w.way << "@/nothere" << "@/nothere/javac"
                                          << w.result;
        }
        QTest::newRow("trailing separator") << "ok" << "@/jdk/bin/" << "" << 1;
        QTest::newRow("relative to the current directory") << "ok" << "jdk/bin" << "" << 1;
        QTest::newRow("javac is a directory") << "ok" << "@/fake" << "@/fake/javac" << 1;
        QTest::newRow("root") << "cancel" << "/" << "/javac" << 2;
    }

    void closeCheckGuardsEveryWayOfClosing()
    {
        QFETCH(QString, way);
        QFETCH(QString, typed);
        QFETCH(QString, tried);
        Session session;
        QDir(session.dir()).mkpath(QStringLiteral("jdk/bin"));
        QDir(session.dir()).mkpath(QStringLiteral("fake/javac"));
        writeFile(session.file(QStringLiteral("jdk/bin/javac")), "#!/bin/sh\n");
        QDir::setCurrent(session.dir());
        typed.replace(u'@', session.dir());
        tried.replace(u'@', session.dir());
        TCompileOptForm *form = CompileOptForm;

        onNextModal([&](QWidget *) {
            form->JavaPath->setText(typed);
            form->DirectoryPath->setText(QStringLiteral("/no/such/dir"));
            form->BrowserPath->setText(QStringLiteral("/no/such/browser"));
            closeLater(way);
        });
        std::shared_ptr<BoxInfo> box;
        bool stayedOpen = false;
        if (!tried.isEmpty()) {
            box = answerBox();
            onNextModal([&](QWidget *modal) {
                stayedOpen = modal == form && form->isVisible() && form->JavaPath->text() == typed;
                form->JavaPath->clear();
                closeLater(way);
            });
        }
        const int result = form->ShowModal();
        QVERIFY(allModalsHandled());
        QTEST(result, "result");
        QVERIFY(!form->isVisible());
        if (box) {
            QVERIFY(stayedOpen);
            QCOMPARE(box->text, QStringLiteral("Error!: Unable to find Java Compiler:") + tried);
            QCOMPARE(box->caption, QStringLiteral("Quorvel"));
            QCOMPARE(box->icon, QMessageBox::NoIcon);
        }
    }

    // The chooser starts at the current directory, whatever the field holds, and its answer
    // replaces the whole field; cancelling keeps the field.
    void directoryPickersReplaceTheField_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("confirm");
        QTest::newRow("compiler path") << 1 << true;
        QTest::newRow("directory path") << 2 << true;
        QTest::newRow("class path list") << 3 << true;
        QTest::newRow("cancelled") << 3 << false;
    }

    void directoryPickersReplaceTheField()
    {
        QFETCH(int, button);
        QFETCH(bool, confirm);
        Session session;
        TCompileOptForm *form = CompileOptForm;
        const QList<QPair<QToolButton *, QLineEdit *>> pickers{
            {form->SpeedButton1, form->JavaPath},
            {form->SpeedButton2, form->DirectoryPath},
            {form->SpeedButton3, form->ClassPath}};
        auto [picker, edit] = pickers.at(button - 1);
        const QString start = QDir(session.dir()).canonicalPath();
        QDir(start).mkpath(QStringLiteral("deep/classes"));
        QDir::setCurrent(start);
        edit->setText(QStringLiteral("/usr/lib:/opt/lib:."));

        const auto visit = chooseFile(confirm ? start + QStringLiteral("/deep/classes")
                                              : QString());
        picker->click();
        QVERIFY(allModalsHandled());
        QCOMPARE(visit->title, QStringLiteral("Select Directory"));
        QCOMPARE(visit->directory, start);
        QCOMPARE(edit->text(), confirm ? start + QStringLiteral("/deep/classes")
                                       : QStringLiteral("/usr/lib:/opt/lib:."));
    }

    // The program picker opens with the field's name and both filter entries, the first one
    // chosen; a confirmed choice puts the full path in the field, a cancelled one keeps it.
    void programPickersOfferTheFieldsName_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("before");
        QTest::addColumn<bool>("confirm");
        QTest::newRow("browser, empty, confirmed") << 4 << "" << true;
        QTest::newRow("interpreter, named, confirmed") << 5 << "/usr/bin/viewer" << true;
        QTest::newRow("interpreter, named, cancelled") << 5 << "@/viewer" << false;
    }

    void programPickersOfferTheFieldsName()
    {
        QFETCH(int, button);
        QFETCH(QString, before);
        QFETCH(bool, confirm);
        Session session;
        TCompileOptForm *form = CompileOptForm;
        const QString program = session.file(QStringLiteral("viewer"));
        writeFile(program, "#!/bin/sh\n");
        before.replace(u'@', session.dir());
        QLineEdit *edit = button == 4 ? form->BrowserPath : form->Interpreter;
        edit->setText(before);

        const auto visit = chooseFile(confirm ? program : QString());
        (button == 4 ? form->SpeedButton4 : form->SpeedButton5)->click();
        QVERIFY(allModalsHandled());
        QCOMPARE(visit->shownName, before.section(u'/', -1));
        QCOMPARE(visit->filters, QStringList({"Programs (*.exe)", "All files (*.*)"}));
        QCOMPARE(visit->selectedFilter, QStringLiteral("Programs (*.exe)"));
        QCOMPARE(edit->text(), confirm ? program : before);
    }

    // "Programs" lists the files that may be executed (and the folders); "All files" lists
    // every file.
    void programsEntryListsExecutableFiles()
    {
        Session session;
        const QString kit = session.file(QStringLiteral("kit"));
        QDir().mkpath(kit + QStringLiteral("/sub"));
        for (const char *name : {"tool", "notes.txt", "setup.exe"})
            writeFile(kit + u'/' + QLatin1String(name), "#!/bin/sh\n");
        QFile::setPermissions(kit + QStringLiteral("/tool"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        CompileOptForm->Interpreter->setText(kit + QStringLiteral("/tool"));

        QStringList programs;
        QStringList everything;
        onNextModal([&](QWidget *modal) {
            QFileDialog *dialog = fileDialog(modal);
            if (!dialog)
                return;
            const auto listed = [&] {
                auto *files = dialog->findChild<QFileSystemModel *>();
                QAbstractProxyModel *shown = dialog->proxyModel();
                const QModelIndex folder = shown->mapFromSource(files->index(kit));
                QStringList names;
                for (int row = 0; row < shown->rowCount(folder); ++row)
                    names << shown->index(row, 0, folder).data().toString();
                names.sort();
                return names;
            };
            QVERIFY(QTest::qWaitFor([&] { return listed().size() == 2; }, 20000));
            programs = listed();
            auto *types = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
            types->setCurrentIndex(1);
            emit types->activated(1);
            emit types->textActivated(types->currentText());
            QVERIFY(QTest::qWaitFor([&] { return listed().size() == 4; }, 20000));
            everything = listed();
            dialog->reject();
        });
        CompileOptForm->SpeedButton5->click();
        QVERIFY(allModalsHandled());
        QCOMPARE(programs, QStringList({"sub", "tool"}));
        QCOMPARE(everything, QStringList({"notes.txt", "setup.exe", "sub", "tool"}));
    }
};

QTEST_MAIN(tst_Compopt)
#include "tst_compopt.moc"
