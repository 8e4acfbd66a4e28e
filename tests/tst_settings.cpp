#include "testutil.h"

#include "platform/profile.h"

#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QScopeGuard>

#include <unistd.h>
#include <sys/resource.h>

using namespace testutil;

namespace {

const QByteArray FirstRunMessage = "QUORVEL.INI not found.\n\nPlease enter Java compiler path.";

QByteArray value(const QByteArray &iniText, const char *section, const char *key)
{
    return qv::profileLookup(iniText, QLatin1String(section), QLatin1String(key))
        .value_or(QStringLiteral("<missing>"))
        .toUtf8();
}

QStringList checkedFlags()
{
    QStringList result;
    for (QCheckBox *box : CompileOptForm->GroupBox1->findChildren<QCheckBox *>()) {
        if (box->isChecked())
            result << box->text();
    }
    return result;
}

// What a user types into the options dialog in the tests below.
struct Typed
{
    QString compiler;
    QString directory = QStringLiteral("/work/out");
    QString classPath = QStringLiteral("/lib/a.jar:.");
    QString browser = QStringLiteral("/usr/bin/viewer");
    QString interpreter = QStringLiteral("/usr/bin/java");
};

void type(const Typed &typed)
{
    CompileOptForm->JavaPath->setText(typed.compiler);
    CompileOptForm->DirectoryPath->setText(typed.directory);
    CompileOptForm->ClassPath->setText(typed.classPath);
    CompileOptForm->BrowserPath->setText(typed.browser);
    CompileOptForm->Interpreter->setText(typed.interpreter);
    CompileOptForm->CheckBox6->setChecked(true);
}

QString makeCompilerDirectory(const Session &session)
{
    QDir(session.dir()).mkpath(QStringLiteral("jdk/bin"));
    writeFile(session.file(QStringLiteral("jdk/bin/javac")), "#!/bin/sh\n");
    return session.file(QStringLiteral("jdk/bin"));
}

// Points the settings folder below a regular file, where nothing can be created.
void breakSettingsFolder(const Session &session)
{
    writeFile(session.file(QStringLiteral("plain")), "x");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(session.file(QStringLiteral("plain/config"))));
}

} // namespace

// The settings file: what the first show reads, what every save writes and in which order,
// the first run, and values in the file that are wrong.
class tst_Settings : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QVERIFY(unexpectedModals().isEmpty()); }

    void missingSetupGivesTheDefaults()
    {
        ShownSession session("[Options]\nCompilerPath=\n");
        QCOMPARE(MainForm->pos(), QPoint(195, 110));
        QCOMPARE(MainForm->size(), QSize(435, 298));
        QCOMPARE(MainForm->EditorFont->family(), QStringLiteral("System"));
        QCOMPARE(MainForm->EditorFont->pointSize(), 10);
        QVERIFY(!MainForm->LastFileItem);
        QCOMPARE(MainForm->File1->actions().size(), 7);
    }

    void everyKeyReachesItsControl()
    {
        ShownSession session("[Setup]\nLeft=20\nTop=30\nWidth=500\nHeight=400\nFontName=Courier\n"
                             "FontSize=13\nLastFileName=/src/Last One.java\n"
                             "[Options]\nCompilerPath=/jdk/bin\nDirectoryPath=/out\n"
                             "ClassPath=/lib:.\nBrowser=/usr/bin/b\nInterpreter=/usr/bin/java\n"
                             "CompilerOptions=nowarn  G\n");
        QCOMPARE(CompileOptForm->JavaPath->text(), QStringLiteral("/jdk/bin"));
        QCOMPARE(CompileOptForm->DirectoryPath->text(), QStringLiteral("/out"));
        QCOMPARE(CompileOptForm->ClassPath->text(), QStringLiteral("/lib:."));
        QCOMPARE(CompileOptForm->BrowserPath->text(), QStringLiteral("/usr/bin/b"));
        QCOMPARE(CompileOptForm->Interpreter->text(), QStringLiteral("/usr/bin/java"));
        QCOMPARE(checkedFlags(), QStringList({"g", "nowarn"}));
        QCOMPARE(MainForm->pos(), QPoint(20, 30));
        QCOMPARE(MainForm->size(), QSize(500, 400));
        QCOMPARE(MainForm->EditorFont->family(), QStringLiteral("Courier"));
        QCOMPARE(MainForm->EditorFont->pointSize(), 13);
        QCOMPARE(MainForm->LastFileName, QStringLiteral("/src/Last One.java"));
        QVERIFY(MainForm->LastFileItem);
        QCOMPARE(MainForm->LastFileItem->text(), QStringLiteral("/src/Last One.java"));
    }

    void integersFollowTheReadingRules_data()
    {
        QTest::addColumn<QByteArray>("setup");
        QTest::addColumn<QString>("what");
        QTest::addColumn<int>("expected");
        QTest::newRow("0x hex") << QByteArray("Height=0x200") << "height" << 512;
        QTest::newRow("dollar hex") << QByteArray("Height=$200") << "height" << 512;
        QTest::newRow("leading blanks") << QByteArray("Width=   500") << "width" << 500;
        QTest::newRow("negative position") << QByteArray("Left=-40") << "left" << -40;
        QTest::newRow("letters") << QByteArray("FontSize=abc") << "font" << 10;
        QTest::newRow("font too large to draw") << QByteArray("FontSize=2147483647") << "font"
                                                << 1000;
        QTest::newRow("negative font size") << QByteArray("FontSize=-5") << "font" << 1;
        QTest::newRow("zero font size") << QByteArray("FontSize=0") << "font" << 1;
    }

    void integersFollowTheReadingRules()
    {
        QFETCH(QByteArray, setup);
        QFETCH(QString, what);
        ShownSession session("[Setup]\n" + setup + "\n");
        const QHash<QString, int> read{{"height", MainForm->height()},
                                       {"width", MainForm->width()},
                                       {"left", MainForm->x()},
                                       {"top", MainForm->y()},
                                       {"font", MainForm->EditorFont->pointSize()}};
        QTEST(read.value(what), "expected");
    }

    void fontNameIsCutOrKept_data()
    {
        QTest::addColumn<QByteArray>("setup");
        QTest::addColumn<QString>("family");
        QTest::addColumn<int>("size");
        QTest::newRow("empty keeps the initial face")
            << QByteArray("FontName=\nFontSize=14") << "MS Sans Serif" << 14;
        QTest::newRow("face held to 31 characters")
            << QByteArray("FontName=" + QByteArray(40, 'f')) << QString(31, u'f') << 10;
        QTest::newRow("never splits a character")
            << QByteArray("FontName=" + QByteArray(30, 'f') + "\xF0\x9D\x84\x9E")
            << QString(30, u'f') << 10;
    }

    void fontNameIsCutOrKept()
    {
        QFETCH(QByteArray, setup);
        ShownSession session("[Setup]\n" + setup + "\n");
        QTEST(MainForm->EditorFont->family(), "family");
        QTEST(MainForm->EditorFont->pointSize(), "size");
    }

    // Values Qt or the screen cannot show are held to what they can; nothing in the file may
    // crash or stall the program, and the next save writes what is in use.
    void hostileValuesAreHeldToWhatCanBeShown()
    {
        const QSize desktop = QGuiApplication::primaryScreen()->virtualSize();
        ShownSession session("[Setup\nFontSize=2147483647\n[Setup]\nHeight=-100000\n"
                             "Width=99999999\nLeft=-40000\nTop=0x7FFFFFFF\nFontName="
                             + QByteArray(1023, 'x') + "\nLastFileName=\x01\xFF\xFE\x80junk\n"
                             "[Options]\nClassPath=" + QByteArray(2000, 'y')
                             + "\nCompilerOptions=\xC3\x28 g\n");
        QCOMPARE(MainForm->EditorFont->pointSize(), 1000);
        QCOMPARE(MainForm->EditorFont->family(), QString(31, u'x'));
        QVERIFY(MainForm->height() >= 1);
        QCOMPARE(MainForm->width(), desktop.width());
        QVERIFY(QGuiApplication::primaryScreen()->availableGeometry().contains(MainForm->pos()));
        QCOMPARE(CompileOptForm->ClassPath->text(), QString(2000, u'y'));
        QCOMPARE(checkedFlags(), QStringList{"g"});
        QVERIFY(MainForm->LastFileItem);

        QVERIFY(MainForm->close());
        const QByteArray saved = session.iniText();
        QCOMPARE(value(saved, "Setup", "FontSize"), QByteArray("1000"));
        QCOMPARE(value(saved, "Setup", "Width"), QByteArray::number(desktop.width()));
        QCOMPARE(value(saved, "Setup", "Left"), QByteArray::number(MainForm->x()));
        QCOMPARE(value(saved, "Setup", "Height"), QByteArray::number(MainForm->height()));
        QCOMPARE(value(saved, "Options", "ClassPath"), QByteArray(2000, 'y'));
    }

    // A stored position from which no part of the title bar would show (a screen removed
    // since) is moved onto the screen; the size is kept, and a window partly shown stays.
    void positionOffEveryScreenIsMovedOn_data()
    {
        QTest::addColumn<QPoint>("stored");
        QTest::addColumn<bool>("moved");
        QTest::newRow("far left") << QPoint(-5000, 100) << true;
        QTest::newRow("below") << QPoint(100, 5000) << true;
        QTest::newRow("beyond the right edge") << QPoint(20000, 20) << true;
        QTest::newRow("partly shown") << QPoint(-300, 40) << false;
    }

    void positionOffEveryScreenIsMovedOn()
    {
        QFETCH(QPoint, stored);
        QFETCH(bool, moved);
        ShownSession session(QStringLiteral("[Setup]\nLeft=%1\nTop=%2\nWidth=400\nHeight=300\n")
                            .arg(stored.x())
                            .arg(stored.y())
                            .toLatin1());
        QCOMPARE(MainForm->size(), QSize(400, 300));
        if (moved) {
            const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
            QVERIFY(screen.contains(QRect(MainForm->pos(), MainForm->size())));
        } else {
            QCOMPARE(MainForm->pos(), stored);
        }
    }

    // The first run asks for the compiler path. OK writes the file at once from the design
    // bounds and the initial font, before the start-up file opens; anything else takes the
    // four paths from the (missing) file again and leaves the interpreter and flags alone.
    // Said once, before the settings are read; a folder in the file's place still counts as
    // no file and starts the first run.
    void unreadableSettingsAreSaidAtStart_data()
    {
        QTest::addColumn<bool>("folder");
        QTest::newRow("folder in the file's place") << true;
        QTest::newRow("file without read permission") << false;
    }

    void unreadableSettingsAreSaidAtStart()
    {
        QFETCH(bool, folder);
        if (!folder && geteuid() == 0)
            QSKIP("root reads files without read permission");
        Session session(folder ? QByteArray() : QByteArray("[Options]\nCompilerPath=/jdk\n"));
        if (folder)
            QVERIFY(QDir().mkpath(session.iniPath()));
        else
            QVERIFY(QFile::setPermissions(session.iniPath(), QFile::WriteOwner));
        auto box = answerBox();
        if (folder) {
            answerBox();
            onNextModal([](QWidget *modal) { modal->close(); });
        }
        session.show();
        QVERIFY(allModalsHandled());
        QCOMPARE(box->text, session.iniPath()
                                + QStringLiteral(" could not be read.\nThe default settings "
                                                 "are in use."));
        QCOMPARE(CompileOptForm->JavaPath->text(), QString());
    }

    void firstRunAsksForTheCompiler_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::newRow("ok") << true;
        QTest::newRow("cancel") << false;
    }

    void firstRunAsksForTheCompiler()
    {
        QFETCH(bool, ok);
        Session session(QByteArray(), {QStringLiteral("Start.java")});
        writeFile(session.file(QStringLiteral("Start.java")), "class Start {}\n");
        QDir::setCurrent(session.dir());
        Typed typed;
        typed.compiler = makeCompilerDirectory(session);
        auto box = answerBox();
        onNextModal([&](QWidget *modal) {
            if (modal != CompileOptForm) {
                modal->close();
                return;
            }
            type(typed);
            (ok ? CompileOptForm->BitBtn1 : CompileOptForm->BitBtn2)->click();
        });
        session.show();
        QVERIFY(allModalsHandled());
        QCOMPARE(box->text.toUtf8(), FirstRunMessage);
        QCOMPARE(box->caption, QStringLiteral("Quorvel"));
        QCOMPARE(MainForm->activeChild()->windowTitle(), QStringLiteral("Start.java"));
        QCOMPARE(MainForm->LastFileName, QStringLiteral("Start.java"));
        QVERIFY(!MainForm->LastFileItem);
        QCOMPARE(MainForm->size(), QSize(435, 297));
        const QSize screen = QGuiApplication::primaryScreen()->size();
        QCOMPARE(MainForm->pos(), QPoint((screen.width() - 435) / 2, (screen.height() - 297) / 2));
        QCOMPARE(checkedFlags(), QStringList{"verbose"});
        QCOMPARE(CompileOptForm->Interpreter->text(), typed.interpreter);

        if (ok) {
            QCOMPARE(session.iniText(),
                     "[Setup]\nHeight=297\nWidth=435\nLeft=187\nTop=121\n"
                     "FontName=MS Sans Serif\nFontSize=8\nLastFileName=\n[Options]\n"
                     "CompilerPath=" + typed.compiler.toUtf8() + "\nDirectoryPath=/work/out\n"
                     "ClassPath=/lib/a.jar:.\nBrowser=/usr/bin/viewer\n"
                     "Interpreter=/usr/bin/java\nCompilerOptions=verbose\n");
            QCOMPARE(CompileOptForm->JavaPath->text(), typed.compiler);
            return;
        }
        QVERIFY(!QFile::exists(session.iniPath()));
        for (QLineEdit *edit : {CompileOptForm->JavaPath, CompileOptForm->DirectoryPath,
                                CompileOptForm->ClassPath, CompileOptForm->BrowserPath})
            QVERIFY(edit->text().isEmpty());
        QVERIFY(MainForm->close());
        const QByteArray saved = session.iniText();
        QCOMPARE(value(saved, "Options", "CompilerPath"), QByteArray());
        QCOMPARE(value(saved, "Options", "Interpreter"), QByteArray("/usr/bin/java"));
        QCOMPARE(value(saved, "Options", "CompilerOptions"), QByteArray("verbose"));
        QCOMPARE(value(saved, "Setup", "LastFileName"), QByteArray("Start.java"));
    }

    // During a run OK writes at once; Cancel writes nothing, yet what was typed is in use
    // and reaches the file when the main window closes.
    void optionsTakeEffectAtOnceAndOkSaves_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::newRow("ok") << true;
        QTest::newRow("cancel") << false;
    }

    void optionsTakeEffectAtOnceAndOkSaves()
    {
        QFETCH(bool, ok);
        const QByteArray before = "; kept\n[Options]\nClassPath=/old\n";
        ShownSession session(before);
        onNextModal([&](QWidget *) {
            type(Typed());
            (ok ? CompileOptForm->BitBtn1 : CompileOptForm->BitBtn2)->click();
        });
        MainForm->JavaOptions1->trigger();
        QVERIFY(allModalsHandled());
        QCOMPARE(MainForm->BuildCompilerOptions(),
                 QStringLiteral("-verbose -d /work/out -classpath /lib/a.jar:."));
        if (ok)
            QCOMPARE(value(session.iniText(), "Options", "ClassPath"), QByteArray("/lib/a.jar:."));
        else
            QCOMPARE(session.iniText(), before);

        QVERIFY(MainForm->close());
        const QByteArray saved = session.iniText();
        QVERIFY(saved.startsWith("; kept\n[Options]\nClassPath=/lib/a.jar:.\n"));
        QCOMPARE(value(saved, "Options", "CompilerOptions"), QByteArray("verbose"));
        QCOMPARE(value(saved, "Options", "Browser"), QByteArray("/usr/bin/viewer"));
    }

    // A save that cannot be written changes nothing in the file and is reported; the user may
    // then stay (the window keeps its settings for a later save) or quit anyway.
    void unwritableSettingsLetTheUserQuit_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("file-size limit") << "limit";
        QTest::newRow("folder in the file's place") << "folder";
        QTest::newRow("read-only file") << "read-only";
    }

    void unwritableSettingsLetTheUserQuit()
    {
        QFETCH(QString, fault);
        if (fault == u"read-only" && geteuid() == 0)
            QSKIP("root writes read-only files");
        ShownSession session("[Options]\n");
        rlimit original{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &original), 0);
        rlimit limited = original;
        limited.rlim_cur = rlim_t(session.iniText().size());
        if (fault == u"folder") {
            QVERIFY(QFile::remove(session.iniPath()));
            QVERIFY(QDir().mkpath(session.iniPath()));
        } else if (fault == u"read-only") {
            QVERIFY(QFile::setPermissions(session.iniPath(), QFile::ReadOwner));
        } else {
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
        }
        const QByteArray before = session.iniText();

        auto error = answerBox();
        auto stay = answerBox(QStringLiteral("&No"));
        QVERIFY(!MainForm->close());
        QVERIFY(allModalsHandled());
        QCOMPARE(error->text, QStringLiteral("Unable to write to QUORVEL.INI."));
        QCOMPARE(error->icon, QMessageBox::Critical);
        QCOMPARE(stay->text, QStringLiteral("Quit without saving the settings?"));
        QVERIFY(MainForm->isVisible());
        QCOMPARE(session.iniText(), before);

        answerBox();
        answerBox(QStringLiteral("&Yes"));
        const bool closed = MainForm->close();
        setrlimit(RLIMIT_FSIZE, &original);
        QVERIFY(allModalsHandled());
        QVERIFY(closed);
        QCOMPARE(session.iniText(), before);
    }

    // The first run fills in the folder of the installed compiler, found through JAVA_HOME,
    // else the PATH with links resolved, and the interpreter beside it, and the desktop's
    // opener on the PATH as the browser. Cancel still empties the compiler directory.
    void firstRunFillsInTheInstalledCompiler_data()
    {
        QTest::addColumn<bool>("javaHome");
        QTest::addColumn<bool>("onPath");
        QTest::addColumn<QString>("compiler");
        QTest::newRow("JAVA_HOME first") << true << true << "@/home/bin";
        QTest::newRow("PATH, through a link") << false << true << "@/jdk/bin";
        QTest::newRow("none") << false << false << "";
    }

    void firstRunFillsInTheInstalledCompiler()
    {
        QFETCH(bool, javaHome);
        QFETCH(bool, onPath);
        QFETCH(QString, compiler);
        Session session{QByteArray()};
        const QString root = QFileInfo(session.dir()).canonicalFilePath();
        for (const char *kit : {"home", "jdk"}) {
            const QString bin = root + u'/' + QLatin1String(kit) + QStringLiteral("/bin/");
            QDir().mkpath(bin);
            for (const char *program : {"javac", "java"}) {
                writeFile(bin + QLatin1String(program), "#!/bin/sh\n");
                QFile::setPermissions(bin + QLatin1String(program),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            }
        }
        QDir().mkpath(root + QStringLiteral("/path"));
        QFile::link(root + QStringLiteral("/jdk/bin/javac"), root + QStringLiteral("/path/javac"));
        QFile::link(root + QStringLiteral("/jdk/bin/java"), root + QStringLiteral("/path/xdg-open"));
        const QByteArray oldPath = qgetenv("PATH");
        const QByteArray oldHome = qgetenv("JAVA_HOME");
        qputenv("PATH", onPath ? (root + "/path").toUtf8() : QByteArray("/nowhere"));
        qputenv("JAVA_HOME", javaHome ? (root + "/home").toUtf8() : QByteArray());
        const auto restore = qScopeGuard([&] {
            qputenv("PATH", oldPath);
            qputenv("JAVA_HOME", oldHome);
        });

        QString shownCompiler;
        QString shownInterpreter;
        QString shownBrowser;
        answerBox();
        onNextModal([&](QWidget *) {
            shownCompiler = CompileOptForm->JavaPath->text();
            shownInterpreter = CompileOptForm->Interpreter->text();
            shownBrowser = CompileOptForm->BrowserPath->text();
            CompileOptForm->BitBtn2->click();
        });
        session.show();
        QVERIFY(allModalsHandled());
        compiler.replace(u'@', root);
        QCOMPARE(shownCompiler, compiler);
        QCOMPARE(shownInterpreter, compiler.isEmpty() ? QString() : compiler + "/java");
        QCOMPARE(shownBrowser, onPath ? root + "/path/xdg-open" : QString());
        QVERIFY(CompileOptForm->JavaPath->text().isEmpty());
    }

    // When the first run's save fails, the rest of the first show is skipped: the start-up
    // file does not open. The values stay in the dialog.
    void failedFirstRunSaveSkipsTheStartupFile()
    {
        Session session(QByteArray(), {QStringLiteral("Start.java")});
        writeFile(session.file(QStringLiteral("Start.java")), "class Start {}\n");
        QDir::setCurrent(session.dir());
        breakSettingsFolder(session);
        answerBox();
        onNextModal([&](QWidget *) {
            CompileOptForm->Interpreter->setText(QStringLiteral("/usr/bin/java"));
            CompileOptForm->BitBtn1->click();
        });
        auto error = answerBox();
        session.show();
        QVERIFY(allModalsHandled());
        QCOMPARE(error->text, QStringLiteral("Unable to write to QUORVEL.INI."));
        QVERIFY(MainForm->isVisible());
        QCOMPARE(MainForm->ClientArea->childCount(), 0);
        QCOMPARE(CompileOptForm->Interpreter->text(), QStringLiteral("/usr/bin/java"));
    }

    // A font chosen by its pixel size is stored by the point size it is shown at.
    void pixelSizedFontIsSavedInPoints()
    {
        ShownSession session("[Options]\n");
        MainForm->EditorFont->setPixelSize(20);
        QVERIFY(MainForm->close());
        const int saved = value(session.iniText(), "Setup", "FontSize").toInt();
        QVERIFY2(saved > 1, value(session.iniText(), "Setup", "FontSize").constData());
    }
};

QTEST_MAIN(tst_Settings)
#include "tst_settings.moc"
