#pragma once

// Helpers shared by the compile tests: a stand-in compiler folder and a recorder that answers
// every message box as it opens.

#include "testutil.h"

#include "app/MainForm.h"
#include "editor/Childwin.h"
#include "platform/boxes.h"
#include "platform/mdiframe.h"
#include "toolchain/Compopt.h"
#include "toolchain/compunit.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <functional>

namespace compiletesting {

inline const QString FakeCompiler = QStringLiteral(QUORVEL_TESTTOOLS "/fakejavac");

// A folder "bin" in the session's scratch folder whose compiler file is the stand-in
// compiler; it becomes the compiler directory.
inline QString useFakeCompiler(const testutil::Session &session)
{
    const QString bin = session.file(QStringLiteral("bin"));
    QDir().mkpath(bin);
    QFile::link(FakeCompiler, bin + QStringLiteral("/javac"));
    CompileOptForm->JavaPath->setText(bin);
    return bin;
}

// Makes the directory of the real compiler on PATH (through symbolic links) the compiler
// directory; false, and an empty directory, without one.
inline bool useRealCompiler()
{
    const QString found = QStandardPaths::findExecutable(QStringLiteral("javac"));
    const QString directory
        = found.isEmpty() ? QString()
                          : QFileInfo(QFileInfo(found).canonicalFilePath()).absolutePath();
    CompileOptForm->JavaPath->setText(directory);
    return !directory.isEmpty();
}

// Whether any process is left in the group (zombies not yet collected count).
inline bool processGroupExists(qint64 group)
{
    return ::kill(-pid_t(group), 0) == 0 || errno == EPERM;
}

// An executable shell script with the given body, standing in for a program.
inline void writeScript(const QString &path, const QByteArray &body)
{
    testutil::writeFile(path, "#!/bin/sh\n" + body);
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
}

// Opens a document window for a new file with the given text, saved.
inline TMDIChild *openSavedDocument(const QString &path, const QByteArray &text)
{
    testutil::writeFile(path, text);
    MainForm->OpenDocument(path, true);
    return MainForm->activeDocument();
}

// Runs the event loop until done() holds or the deadline passes; returns done(). Unlike
// QTRY_*, which sleeps between rounds of events, this serves a stream of hand-overs at full
// speed.
inline bool runEventsUntil(const std::function<bool()> &done, int timeoutMs)
{
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start();
    if (!done())
        loop.exec();
    return done();
}

// Answers every message box (and every box of error output) with "OK" or the chosen button
// (or closes it) as soon as it is open, and records what it showed, in the
// order the boxes were answered.
class BoxRecorder
{
public:
    BoxRecorder()
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            poll();
        });
        m_timer.start();
    }

    QList<testutil::BoxInfo> boxes;
    // Runs when a box has been seen, before it is answered.
    std::function<void()> beforeAnswer;
    // The text of the button to press; "OK" when not set.
    std::function<QString(const testutil::BoxInfo &)> chooseButton;
    // When set, a box is answered only once this holds (a user who takes time to read).
    std::function<bool()> ready;

    QStringList texts() const
    {
        QStringList list;
        for (const testutil::BoxInfo &box : boxes)
            list.append(box.text);
        return list;
    }

    // The boxes whose text contains the part.
    int countContaining(const QString &part) const
    {
        int count = 0;
        for (const testutil::BoxInfo &box : boxes)
            count += box.text.contains(part) ? 1 : 0;
        return count;
    }

private:
    void poll()
    {
        // A box of error output is not modal: it is answered wherever it is open.
        qv::TextBox *textBox = nullptr;
        for (QWidget *window : QApplication::topLevelWidgets()) {
            if (auto *box = qobject_cast<qv::TextBox *>(window); box && box->isVisible())
                textBox = box;
        }
        QWidget *modal = QApplication::activeModalWidget();
        if (textBox) {
            if (!textBox->isVisible() || (ready && !ready()))
                return;
            testutil::BoxInfo info;
            info.seen = true;
            info.caption = textBox->windowTitle();
            info.text = textBox->text();
            info.buttons = QStringList{QStringLiteral("OK")};
            boxes.append(info);
            if (beforeAnswer)
                beforeAnswer();
            textBox->accept();
            return;
        }
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box || !box->isVisible() || box == m_answered || (ready && !ready()))
            return;
        m_answered = box;
        testutil::BoxInfo info;
        info.seen = true;
        info.caption = box->windowTitle();
        info.text = box->text();
        info.icon = box->icon();
        for (QAbstractButton *button : box->buttons())
            info.buttons.append(button->text());
        boxes.append(info);
        if (beforeAnswer)
            beforeAnswer();
        const QString wanted = chooseButton ? chooseButton(info) : QStringLiteral("OK");
        QAbstractButton *target = nullptr;
        for (QAbstractButton *button : box->buttons()) {
            if (button->text() == wanted)
                target = button;
        }
        if (target)
            target->click();
        else
            box->reject();
    }

    QTimer m_timer;
    QPointer<QMessageBox> m_answered;
};

} // namespace compiletesting
