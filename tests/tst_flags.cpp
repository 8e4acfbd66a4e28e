#include "testutil.h"

#include "platform/application.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

using namespace testutil;

// The compiler flags between the flag boxes of the options dialog and text: the options part
// of the compiler's command line, the stored flag string and its reading.
class tst_Flags : public QObject
{
    Q_OBJECT

private:
    static QList<QCheckBox *> boxes()
    {
        return CompileOptForm->GroupBox1->findChildren<QCheckBox *>(Qt::FindDirectChildrenOnly);
    }

    static void check(const QStringList &captions)
    {
        for (const QString &caption : captions) {
            for (QCheckBox *box : boxes()) {
                if (box->text() == caption)
                    box->setChecked(true);
            }
        }
    }

    static QStringList checked()
    {
        QStringList result;
        for (QCheckBox *box : boxes()) {
            if (box->isChecked())
                result << box->text();
        }
        return result;
    }

private slots:
    void cleanup() { QVERIFY(unexpectedModals().isEmpty()); }

    // The check order is the user's; both texts follow the order of the boxes.
    void textsFollowTheBoxes_data()
    {
        QTest::addColumn<QStringList>("checkOrder");
        QTest::addColumn<QString>("directory");
        QTest::addColumn<QString>("classPath");
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("stored");
        const QStringList all{"g", "O", "debug", "depend", "nowarn", "verbose", "nowrite"};
        QTest::newRow("nothing") << QStringList() << "" << "" << "" << "";
        QTest::newRow("flags and directory")
            << QStringList{"g", "verbose"} << "/opt/classes" << "" << "-g -verbose -d /opt/classes"
            << "g verbose";
        QTest::newRow("checked in reverse") << QStringList{"verbose", "g"} << "" << ""
                                            << "-g -verbose" << "g verbose";
        QTest::newRow("class path only, no leading blank")
            << QStringList() << "" << "/kit/lib:." << "-classpath /kit/lib:." << "";
        QTest::newRow("flags, directory and class path")
            << QStringList{"nowrite", "O"} << "/out" << "/lib"
            << "-O -nowrite -d /out -classpath /lib" << "O nowrite";
        QTest::newRow("all seven") << all << "" << ""
                                   << "-g -O -debug -depend -nowarn -verbose -nowrite"
                                   << "g O debug depend nowarn verbose nowrite";
        QTest::newRow("blank directory is not empty") << QStringList() << "  " << ""
                                                      << "-d   " << "";
        QTest::newRow("paths taken as typed, blanks and all")
            << QStringList{"depend"} << " my out " << "a b"
            << "-depend -d  my out  -classpath a b" << "depend";
    }

    void textsFollowTheBoxes()
    {
        QFETCH(QStringList, checkOrder);
        QFETCH(QString, directory);
        QFETCH(QString, classPath);
        Session session;
        check(checkOrder);
        CompileOptForm->DirectoryPath->setText(directory);
        CompileOptForm->ClassPath->setText(classPath);
        QTEST(MainForm->BuildCompilerOptions(), "options");
        QTEST(MainForm->FlagsToString(), "stored");
    }

    // Only check boxes among the group's children are flags; a label with a flag's caption
    // neither contributes nor gets in the way.
    void childrenThatAreNotCheckBoxesAreSkipped()
    {
        Session session;
        auto *label = new QLabel(QStringLiteral("nowarn"), CompileOptForm->GroupBox1);
        auto *early = new QLabel(QStringLiteral("g"), CompileOptForm->GroupBox1);
        early->stackUnder(CompileOptForm->CheckBox1);
        QVERIFY(CompileOptForm->flagBoxChildren().contains(label));
        MainForm->ApplyFlagsString(QStringLiteral("nowarn g"));
        QCOMPARE(checked(), QStringList({"g", "nowarn"}));
        CompileOptForm->ClassPath->setText(QStringLiteral("/lib"));
        QCOMPARE(MainForm->BuildCompilerOptions(), QStringLiteral("-g -nowarn -classpath /lib"));
        QCOMPARE(MainForm->FlagsToString(), QStringLiteral("g nowarn"));
    }

    // A flag that the configured compiler rejects stays checked and stored, but is left off
    // the command line, and its box shows disabled with a hint. Without a compiler, no flag
    // is left off.
    void flagsTheCompilerRejectsAreLeftOut_data()
    {
        QTest::addColumn<bool>("installed");
        QTest::addColumn<QString>("options");
        QTest::addColumn<QStringList>("disabled");
        QTest::newRow("installed compiler")
            << true << "-g -O -nowarn -verbose" << QStringList{"debug", "depend", "nowrite"};
        QTest::newRow("no compiler")
            << false << "-g -O -debug -depend -nowarn -verbose -nowrite" << QStringList();
    }

    void flagsTheCompilerRejectsAreLeftOut()
    {
        QFETCH(bool, installed);
        QFETCH(QStringList, disabled);
        Session session;
        if (installed && !testutil::useRealCompiler())
            QSKIP("no javac on PATH");
        const QString all = QStringLiteral("g O debug depend nowarn verbose nowrite");
        MainForm->ApplyFlagsString(all);
        QTEST(MainForm->BuildCompilerOptions(), "options");
        QCOMPARE(MainForm->FlagsToString(), all);

        QStringList shownDisabled;
        QString hint;
        onNextModal([&](QWidget *) {
            for (QCheckBox *box : boxes()) {
                if (!box->isEnabled())
                    shownDisabled << box->text();
            }
            hint = qv::hintOf(CompileOptForm->CheckBox3);
            CompileOptForm->BitBtn2->click();
        });
        MainForm->JavaOptions1->trigger();
        QVERIFY(allModalsHandled());
        QCOMPARE(shownDisabled, disabled);
        QCOMPARE(hint, installed ? QStringLiteral("The compiler no longer supports -debug")
                                 : QString());
        QCOMPARE(checked().size(), 7);
    }
};

QTEST_MAIN(tst_Flags)
#include "tst_flags.moc"
