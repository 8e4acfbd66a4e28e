#include "testutil.h"

#include "app/MainForm.h"
#include "editor/Childwin.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/mdiframe.h"
#include "platform/textcontrol.h"

#include <QDir>
#include <QProcess>
#include <QTest>
#include <QToolButton>

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace testutil;

namespace {

constexpr uid_t Nobody = 65534;
constexpr uid_t OtherUser = 1;
constexpr gid_t SharedGroup = 4321;

// Saves the document in a child process, as root or as the user nobody (a member of
// SharedGroup); returns the error message that the save raised, empty when it succeeded.
QString saveInChild(TMDIChild *document, bool asNobody)
{
    int channel[2];
    if (::pipe(channel) != 0)
        return QStringLiteral("no pipe");
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        const gid_t groups[] = {SharedGroup};
        if (asNobody
            && (::setgroups(1, groups) != 0 || ::setgid(Nobody) != 0 || ::setuid(Nobody) != 0))
            ::_exit(3);
        QByteArray message;
        try {
            document->SaveDocument();
        } catch (const qv::Error &error) {
            message = error.message().toUtf8();
        }
        const bool written = ::write(channel[1], message.constData(), size_t(message.size()))
                             == message.size();
        ::_exit(written ? 0 : 4);
    }
    ::close(channel[1]);
    QByteArray message;
    char buffer[4096];
    for (ssize_t n; (n = ::read(channel[0], buffer, sizeof buffer)) > 0;)
        message.append(buffer, n);
    ::close(channel[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return QStringLiteral("the saving process failed");
    return QString::fromUtf8(message);
}

struct stat statOf(const QString &path)
{
    struct stat info{};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info;
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

TMDIChild *openWith(const QString &name, const QByteArray &text)
{
    writeFile(name, text);
    MainForm->OpenDocument(name, true);
    return MainForm->activeDocument();
}

// Rewrites the file from another process, as another program would.
void changeFromOutside(const QString &name, const QByteArray &text)
{
    QCOMPARE(QProcess::execute(QStringLiteral("/bin/sh"),
                               {QStringLiteral("-c"), QStringLiteral("printf %s \"$1\" > \"$2\""),
                                QStringLiteral("sh"), QString::fromUtf8(text), name}),
             0);
}

} // namespace

class tst_FileSafety : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QVERIFY(unexpectedModals().isEmpty()); }

    void savesKeepOwnersLinksAndOldText_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<bool>("asNobody");
        QTest::addColumn<QString>("error");
        QTest::addColumn<bool>("inPlace");
        QTest::newRow("root saves another user's file") << "owned by nobody" << false << ""
                                                         << false;
        QTest::newRow("group member saves another's file")
            << "group-writable" << true << "" << true;
        QTest::newRow("writable file, read-only folder") << "read-only folder" << true << ""
                                                         << true;
        QTest::newRow("hard link") << "hard link" << false << "" << true;
        QTest::newRow("symbolic link") << "symbolic link" << false << "" << false;
        QTest::newRow("read-only file, read-only folder")
            << "read-only file" << true << "Cannot create file" << true;
        QTest::newRow("read-only file, writable folder")
            << "read-only file, writable folder" << true << "Cannot create file" << true;
        QTest::newRow("disk full half-way in place")
            << "full disk" << false << "Failed to Save Stream" << true;
    }
    void savesKeepOwnersLinksAndOldText()
    {
        QFETCH(QString, setup);
        QFETCH(bool, asNobody);
        QFETCH(QString, error);
        QFETCH(bool, inPlace);
        if (::getuid() != 0)
            QSKIP("needs root to own files as other users");
        Session session;
        const QByteArray old("the old text\n");
        const QByteArray text = setup == u"full disk" ? QByteArray(256 * 1024, 'n')
                                                      : QByteArray("the new text\n");
        const QString folder = session.file(QStringLiteral("work"));
        QDir().mkpath(folder);
        const QString name = folder + QStringLiteral("/A.java");
        QString written = name;
        QStringList expectedEntries{QStringLiteral("A.java")};
        if (setup == u"full disk") {
            if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=64k")
                != 0)
                QSKIP("cannot mount a small file system here");
        }
        writeFile(name, old);
        if (setup == u"owned by nobody") {
            QCOMPARE(::chown(QFile::encodeName(name).constData(), Nobody, Nobody), 0);
        } else if (setup == u"group-writable") {
            QCOMPARE(::chown(QFile::encodeName(name).constData(), OtherUser, SharedGroup), 0);
            ::chmod(QFile::encodeName(name).constData(), 0664);
            ::chmod(QFile::encodeName(folder).constData(), 0777);
        } else if (setup == u"read-only folder" || setup == u"read-only file") {
            ::chmod(QFile::encodeName(name).constData(),
                    setup == u"read-only folder" ? 0666 : 0644);
            ::chmod(QFile::encodeName(folder).constData(), 0555);
        } else if (setup == u"read-only file, writable folder") {
            ::chmod(QFile::encodeName(name).constData(), 0444);
            ::chmod(QFile::encodeName(folder).constData(), 0777);
        } else if (setup == u"hard link" || setup == u"full disk") {
            QCOMPARE(::link(QFile::encodeName(name).constData(),
                            QFile::encodeName(folder + QStringLiteral("/B.java")).constData()),
                     0);
            expectedEntries.append(QStringLiteral("B.java"));
        } else if (setup == u"symbolic link") {
            written = folder + QStringLiteral("/Target.java");
            QVERIFY(QFile::rename(name, written));
            QVERIFY(QFile::link(QStringLiteral("Target.java"), name));
            expectedEntries.append(QStringLiteral("Target.java"));
        }
        // Others may walk into the folders; the settings folder takes the copies.
        ::chmod(QFile::encodeName(session.dir()).constData(), 0755);
        ::chmod(QFile::encodeName(session.configDir()).constData(), 0777);
        const struct stat before = statOf(written);

        MainForm->OpenDocument(name, true);
        TMDIChild *document = MainForm->activeDocument();
        document->RichEdit1->setText(text);
        const QString message = saveInChild(document, asNobody);
        const QStringList settingsEntries = entries(session.configDir());
        const QByteArray after = readFile(written);
        const QByteArray other = readFile(folder + QStringLiteral("/B.java"));
        const QStringList folderEntries = entries(folder);
        const struct stat now = statOf(written);
        ::chmod(QFile::encodeName(folder).constData(), 0755);
        const bool isLink = QFileInfo(name).isSymLink();
        if (setup == u"full disk")
            ::umount(QFile::encodeName(folder).constData());

        QVERIFY2(error.isEmpty() ? message.isEmpty() : message.startsWith(error),
                 qPrintable(message));
        QCOMPARE(folderEntries, expectedEntries);
        QCOMPARE(now.st_uid, before.st_uid);
        QCOMPARE(now.st_gid, before.st_gid);
        QCOMPARE(now.st_mode, before.st_mode);
        if (setup == u"symbolic link")
            QVERIFY(isLink);
        if (error.isEmpty()) {
            QCOMPARE(after, text);
            QCOMPARE(now.st_ino == before.st_ino, inPlace);
            if (expectedEntries.contains(QStringLiteral("B.java")))
                QCOMPARE(other, text);
            QCOMPARE(settingsEntries, QStringList{QStringLiteral("QUORVEL.INI")});
        } else if (setup == u"full disk") {
            // The file was cut short by the full disk; the message names the full copy.
            const QString copy = message.section(QStringLiteral(" kept in "), 1);
            QVERIFY2(QFileInfo(copy).fileName().startsWith(QStringLiteral(".A.java.")),
                     qPrintable(message));
            QCOMPARE(readFile(copy), text);
            QCOMPARE(settingsEntries.size(), 2);
        } else {
            QCOMPARE(after, old);
            QCOMPARE(message, QStringLiteral("Cannot create file ") + name);
            QCOMPARE(settingsEntries, QStringList{QStringLiteral("QUORVEL.INI")});
        }
    }

    void saveAsksBeforeOverwritingAnotherProgramsChange_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QByteArray>("onDisk");
        QTest::newRow("yes") << "&Yes" << QByteArray("mine\n");
        QTest::newRow("no") << "&No" << QByteArray("theirs");
    }
    void saveAsksBeforeOverwritingAnotherProgramsChange()
    {
        QFETCH(QString, answer);
        QFETCH(QByteArray, onDisk);
        ShownSession session;
        const QString name = session.file(QStringLiteral("A.java"));
        TMDIChild *document = openWith(name, "opened\n");
        document->RichEdit1->setText("mine\n");
        changeFromOutside(name, "theirs");
        auto question = answerBox(answer);
        MainForm->SaveBtn->click();
        QVERIFY(allModalsHandled());
        QCOMPARE(question->text,
                 name + QStringLiteral(" has been changed by another program.  Save anyway?"));
        QCOMPARE(readFile(name), onDisk);
        QCOMPARE(document->RichEdit1->modified(), answer == u"&No");
        // Once saved over, the change is asked about no more.
        if (answer == u"&Yes")
            MainForm->SaveBtn->click();
    }

    // Each case ends with the window's text written (to the file named last) or not, and
    // the box's text and default button; "%1" is the file's name, "%2" a link's target.
    void savesAskBeforeReplacingWhatTheWindowDidNotRead_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("defaultButton");
        QTest::addColumn<bool>("written");
        const QString replace = QStringLiteral("%1 already exists.  Replace it?");
        const QString unread = QStringLiteral(
            "%1 could not be read.  Replace its contents with this window's text?");
        const QString link = QStringLiteral(
            "%1 is now a link to %2.  Write this window's text into %2?");
        QTest::newRow("save as onto another file, yes")
            << "save as" << QStringList{"&Yes"} << replace << "&No" << true;
        QTest::newRow("save as onto another file, no, then cancel")
            << "save as" << QStringList{"&No"} << replace << "&No" << false;
        QTest::newRow("save as onto its own file") << "save as own" << QStringList{}
                                                    << QString() << QString() << true;
        QTest::newRow("unreadable file, yes") << "unreadable" << QStringList{"&Yes"} << unread
                                              << "&No" << true;
        QTest::newRow("unreadable file, cancel")
            << "unreadable" << QStringList{"Cancel"} << unread << "&No" << false;
        QTest::newRow("new document over an existing NONAME1")
            << "new" << QStringList{"&No"}
            << "%1 has been changed by another program.  Save anyway?" << "&Yes" << false;
        QTest::newRow("name became a link") << "became a link" << QStringList{"&No"} << link
                                            << "&No" << false;
        QTest::newRow("link points elsewhere") << "link moved" << QStringList{"&Yes"} << link
                                               << "&No" << true;
        QTest::newRow("in-place save cut short by a full disk")
            << "full disk" << QStringList{"OK"} << "Failed to Save Stream" << QString() << false;
    }
    void savesAskBeforeReplacingWhatTheWindowDidNotRead()
    {
        QFETCH(QString, setup);
        QFETCH(QStringList, answers);
        QFETCH(QString, question);
        QFETCH(QString, defaultButton);
        QFETCH(bool, written);
        if (setup == u"full disk" && ::getuid() != 0)
            QSKIP("needs root to mount a small file system");
        ShownSession session;
        QString folder = session.dir();
        if (setup == u"full disk") {
            folder = session.file(QStringLiteral("small"));
            QDir().mkpath(folder);
            if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, "size=64k")
                != 0)
                QSKIP("cannot mount a small file system here");
        }
        const QString name = folder + QStringLiteral("/A.java");
        const QString other = session.file(QStringLiteral("B.java"));
        const QString target = session.file(QStringLiteral("T.java"));
        writeFile(other, "other\n");
        writeFile(target, "target\n");
        QString writtenTo = name;
        QString shownTarget;
        if (setup == u"link moved") {
            QVERIFY(QFile::link(other, name));
        } else {
            writeFile(name, "theirs\n");
        }
        if (setup == u"unreadable") {
            ::chmod(QFile::encodeName(name).constData(), 0200);
            ::chmod(QFile::encodeName(session.dir()).constData(), 0755);
        } else if (setup == u"full disk") {
            QCOMPARE(::link(QFile::encodeName(name).constData(),
                            QFile::encodeName(folder + QStringLiteral("/B.java")).constData()),
                     0);
        }

        TMDIChild *document = nullptr;
        if (setup == u"new") {
            QDir::setCurrent(session.dir());
            writtenTo = session.file(QStringLiteral("NONAME1"));
            writeFile(writtenTo, "theirs\n");
            MainForm->FileNewItem->trigger();
            document = MainForm->activeDocument();
        } else {
            // As root, the file is opened as a user who may not read it.
            const bool dropped = setup == u"unreadable" && ::geteuid() == 0
                                 && ::seteuid(Nobody) == 0;
            auto opening = answerBox();
            MainForm->OpenDocument(name, true);
            if (dropped)
                QCOMPARE(::seteuid(0), 0);
            if (setup == u"unreadable")
                QVERIFY(allModalsHandled());
            else
                resetModals();
            document = MainForm->activeDocument();
        }
        const QByteArray text = setup == u"full disk" ? QByteArray(256 * 1024, 'n')
                                                      : QByteArray("mine\n");
        document->RichEdit1->setText(text);
        if (setup == u"became a link" || setup == u"link moved") {
            // Another program puts a link in the file's place.
            QCOMPARE(QProcess::execute(QStringLiteral("/bin/sh"),
                                       {QStringLiteral("-c"), QStringLiteral("ln -sfn \"$1\" \"$2\""),
                                        QStringLiteral("sh"), target, name}),
                     0);
            writtenTo = target;
            shownTarget = QFileInfo(target).canonicalFilePath();
        }

        QList<std::shared_ptr<BoxInfo>> boxes;
        if (setup.startsWith(u"save as")) {
            writtenTo = setup == u"save as own" ? name : other;
            chooseFile(writtenTo);
            for (const QString &answer : std::as_const(answers))
                boxes.append(answerBox(answer));
            if (answers.value(0) == u"&No")
                chooseFile(QString());
            MainForm->FileSaveAsItem->trigger();
        } else {
            for (const QString &answer : std::as_const(answers))
                boxes.append(answerBox(answer));
            MainForm->SaveBtn->click();
        }
        QVERIFY(allModalsHandled());
        const QByteArray after = readFile(writtenTo);
        if (setup == u"full disk") {
            // The program's own half-written file is no change of another program's: no
            // reload is offered, and the window keeps its whole text.
            document->CheckFileOnDisk();
            QCOMPARE(document->RichEdit1->text(), text);
            ::umount(QFile::encodeName(folder).constData());
        }

        QCOMPARE(boxes.size(), question.isEmpty() ? 0 : 1);
        if (!question.isEmpty()) {
            const QString asked = setup == u"new"            ? QStringLiteral("NONAME1")
                                  : setup.startsWith(u"save as") ? other
                                                                 : name;
            QVERIFY2(boxes.first()->text.startsWith(question.arg(asked, shownTarget)),
                     qPrintable(boxes.first()->text));
            if (!defaultButton.isEmpty())
                QCOMPARE(boxes.first()->defaultButton, defaultButton);
        }
        QCOMPARE(after == text, written);
        QCOMPARE(document->RichEdit1->modified(), !written);
        if (setup.startsWith(u"save as"))
            QCOMPARE(document->caption(), written ? writtenTo : name);
    }

    // Saves cut short leave their temporaries beside the file; opening it removes those that
    // are stale, and nothing that is not certainly one of them.
    void openRemovesStaleTemporariesOfTheFile()
    {
        ShownSession session;
        const QString name = session.file(QStringLiteral("A.java"));
        writeFile(name, "text\n");
        const QString kept = session.file(QStringLiteral("kept.txt"));
        writeFile(kept, "someone else's\n");
        struct Entry
        {
            const char *name;
            bool stale;
            bool removed;
        };
        const Entry made[] = {
            {".A.java.k2x9q.tmp", true, true},
            {".A.java.7.tmp", true, true},
            {".A.java.k2x9r.tmp", false, false},  // may be a save going on now
            {".A.java.k2x9q.kept", true, false},  // the whole text of a save in place
            {".B.java.k2x9q.tmp", true, false},   // another file's
            {".A.java.K2X9Q.tmp", true, false},   // not a name the program makes
            {".A.java.k2x9qabc.tmp", true, false},
            {".A.java.link1.tmp", true, false},   // a link, made by someone else
            {".A.java.nobody.tmp", true, false},  // another user's
        };
        const timespec old[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
        for (const Entry &entry : made) {
            const QString file = session.file(QString::fromLatin1(entry.name));
            const QByteArray path = QFile::encodeName(file);
            if (QByteArray(entry.name).contains("link"))
                QVERIFY(QFile::link(kept, file));
            else
                writeFile(file, "partial");
            if (QByteArray(entry.name).contains("nobody")
                && (::getuid() != 0 || ::lchown(path.constData(), Nobody, Nobody) != 0))
                QVERIFY(QFile::remove(file));
            if (entry.stale)
                QCOMPARE(::utimensat(AT_FDCWD, path.constData(), old, AT_SYMLINK_NOFOLLOW), 0);
        }
        QStringList expected = entries(session.dir());
        for (const Entry &entry : made) {
            if (entry.removed)
                QVERIFY(expected.removeOne(QString::fromLatin1(entry.name)));
        }
        QCOMPARE(expected.size(), ::getuid() == 0 ? 9 : 8);
        MainForm->OpenDocument(name, true);
        QCOMPARE(entries(session.dir()), expected);
        QCOMPARE(readFile(kept), QByteArray("someone else's\n"));
    }

    void activationOffersToReloadAChangedFile_data()
    {
        QTest::addColumn<bool>("edited");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QByteArray>("shown");
        QTest::newRow("unmodified, reloaded")
            << false << "&Yes" << "Reload it?" << QByteArray("theirs");
        QTest::newRow("modified, kept") << true << "&No" << "Reload it and lose your changes?"
                                        << QByteArray("opened\nmine");
    }
    void activationOffersToReloadAChangedFile()
    {
        QFETCH(bool, edited);
        QFETCH(QString, answer);
        QFETCH(QString, question);
        QFETCH(QByteArray, shown);
        ShownSession session;
        const QString name = session.file(QStringLiteral("A.java"));
        TMDIChild *document = openWith(name, "opened\n");
        if (edited) {
            document->RichEdit1->setSelection(7, 0);
            document->RichEdit1->replaceSelection("mine");
        }
        MainForm->FileNewItem->trigger();
        changeFromOutside(name, "theirs");
        auto box = answerBox(answer);
        MainForm->ClientArea->activate(document);
        QVERIFY(allModalsHandled());
        QCOMPARE(box->text, name + QStringLiteral(" has been changed by another program.  ")
                                + question);
        // Enter keeps the window's text.
        QCOMPARE(box->defaultButton, QStringLiteral("&No"));
        QCOMPARE(document->RichEdit1->text(), shown);
        QCOMPARE(document->RichEdit1->modified(), edited);
    }

    void oversizedFilesAreRefusedOrAskedAbout_data()
    {
        QTest::addColumn<qint64>("size");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("text");
        QTest::newRow("2 GB") << (qint64(2) << 30) << "OK"
                              << "Error opening:%1\nThe editor holds files of less than 2 GB.";
        QTest::newRow("300 MB") << (qint64(300) << 20) << "&No"
                                << "%1 is 300 MB large; opening it takes a while and much "
                                   "memory.  Open it anyway?";
    }
    void oversizedFilesAreRefusedOrAskedAbout()
    {
        QFETCH(qint64, size);
        QFETCH(QString, button);
        QFETCH(QString, text);
        if (size <= qv::MaxTextSize && !qv::sizeProblem(size).isEmpty())
            QSKIP("too little free memory here for a file of this size");
        ShownSession session;
        const QString name = session.file(QStringLiteral("Huge.java"));
        QFile file(name);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(size));
        file.close();
        auto box = answerBox(button);
        MainForm->OpenDocument(name, true);
        QVERIFY(allModalsHandled());
        QCOMPARE(box->text, text.arg(name));
        QCOMPARE(MainForm->ClientArea->childCount(), 0);
    }

    void openRefusesWhatMemoryCannotHold()
    {
        const pid_t child = ::fork();
        if (child == 0) {
            rlimit limit{};
            ::getrlimit(RLIMIT_AS, &limit);
            QFile status(QStringLiteral("/proc/self/status"));
            status.open(QIODevice::ReadOnly);
            qint64 used = 0;
            for (const QByteArray &line : status.readAll().split('\n')) {
                if (line.startsWith("VmSize:"))
                    used = line.mid(7).trimmed().split(' ').value(0).toLongLong() * 1024;
            }
            limit.rlim_cur = rlim_t(used + (qint64(64) << 20));
            ::setrlimit(RLIMIT_AS, &limit);
            const bool refused = qv::sizeProblem(qint64(100) << 20)
                                 == QLatin1String("There is not enough free memory to hold it.");
            ::_exit(refused && qv::sizeProblem(1 << 20).isEmpty() ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 0);
    }

    // Such a name comes back from the system with replacement characters; a save under it
    // would make a second file with a name nobody gave.
    void namesThatAreNotTextAreNeverMangled()
    {
        ShownSession session;
        const QByteArray raw = QFile::encodeName(session.dir()) + "/\xff\xfe.java";
        const int fd = ::open(raw.constData(), O_WRONLY | O_CREAT, 0644);
        QVERIFY(fd >= 0 && ::write(fd, "original", 8) == 8);
        ::close(fd);
        const QString name = QFile::decodeName(raw);
        auto opening = answerBox();
        MainForm->OpenDocument(name, true);
        QVERIFY(allModalsHandled());
        QCOMPARE(opening->text, QStringLiteral("Error opening:") + name
                                    + QStringLiteral("\nThe name holds bytes that are not text."));
        QTest::keyClicks(MainForm->activeDocument()->RichEdit1->view(), "x");
        auto saving = answerBox();
        MainForm->SaveBtn->click();
        QVERIFY(allModalsHandled());
        QVERIFY2(saving->text.startsWith(QStringLiteral("Cannot create file ") + name + u'\n'),
                 qPrintable(saving->text));
        // The folder is listed by its bytes: a listing by names would miss the file itself.
        QList<QByteArray> names;
        DIR *folder = ::opendir(QFile::encodeName(session.dir()).constData());
        while (const dirent *entry = ::readdir(folder))
            names.append(entry->d_name);
        ::closedir(folder);
        ::unlink(raw.constData());
        names.removeAll(".");
        names.removeAll("..");
        QCOMPARE(names, QList<QByteArray>{"\xff\xfe.java"});
        QVERIFY(MainForm->activeDocument()->RichEdit1->modified());
    }
};

QTEST_MAIN(tst_FileSafety)
#include "tst_filesafety.moc"
