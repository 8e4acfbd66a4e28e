#include "bench.h"
#include "pairs.h"
#include "typing.h"

#include "app/LiveCheck.h"
#include "app/MainForm.h"
#include "app/Program.h"
#include "app/Search.h"
#include "editor/Childwin.h"
#include "platform/finddialogs.h"
#include "platform/textcontrol.h"

#include <QApplication>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <cstdio>

namespace {

double rawRead(const QString &name)
{
    return millisecondsOf([&] {
        QFile input(name);
        if (input.open(QIODevice::ReadOnly))
            input.readAll();
    });
}

void print(const char *what, const Paired &run, const char *measure, const char *baseline,
           const char *bar)
{
    std::printf("%s: %s %s; %s %s; %s (bar %s)\n", what, measure, run.measure.text().c_str(),
                baseline, run.baseline.text().c_str(), run.ratioText().c_str(), bar);
}

void benchLargeFile(const QString &name)
{
    Window window;
    openToPaint(window, name);
    // In the last method, clear of the word that Find looks for.
    const int end = window.edit->length() - 40;
    const auto at = [&](int position, int key, Qt::KeyboardModifiers modifiers = {}) {
        return [&window, position, key, modifiers] {
            window.caretTo(position);
            return window.key(key, modifiers);
        };
    };
    // Typing goes on where it started: the first key after a jump also moves the editor's
    // buffer gap there (a copy of the text between), the keys after it do not. The first is
    // measured on its own; the typing figures are of the second key.
    const auto second = [&](int position, int key) {
        return [&window, position, key] {
            window.caretTo(position);
            window.key(key);
            return window.key(key);
        };
    };
    print("50 MB file, a typed character", interleaved(second(end, Qt::Key_X),
                                                       second(0, Qt::Key_X)),
          "at the end", "at the top", "2");
    // Every key is also noted by the live checker, which leaves a file this large unchecked.
    const auto checking = [&](bool on) {
        return [&window, end, on] {
            MainForm->LiveCheck->setEnabled(on);
            window.caretTo(end);
            window.key(Qt::Key_X);
            return window.key(Qt::Key_X);
        };
    };
    print("50 MB file, a typed character at the end", interleaved(checking(true), checking(false)),
          "checking while typing on", "off", "1.1");
    MainForm->LiveCheck->setEnabled(true);
    print("50 MB file, a deleted character",
          interleaved(second(end + 2, Qt::Key_Backspace), second(2, Qt::Key_Backspace)),
          "at the end", "at the top", "2");
    print("50 MB file, the first typed character after a jump",
          interleaved(at(end, Qt::Key_X), at(0, Qt::Key_X)), "at the end", "at the top", "none");
    print("50 MB file, the first deleted character after a jump",
          interleaved(at(end + 1, Qt::Key_Backspace), at(1, Qt::Key_Backspace)), "at the end",
          "at the top", "none");
    print("50 MB file, caret one character left", interleaved(at(end, Qt::Key_Left),
                                                              at(1, Qt::Key_Left)),
          "at the end", "at the top", "2");
    print("50 MB file, Ctrl+End from the top against Ctrl+Home from the end",
          interleaved(at(0, Qt::Key_End, Qt::ControlModifier),
                      at(end, Qt::Key_Home, Qt::ControlModifier)),
          "Ctrl+End", "Ctrl+Home", "2");

    // Find Next from the top to a word at the end, against the search itself plus one repaint.
    const QByteArray word = "retention";
    MainForm->FindDialog1->setFindText(QString::fromLatin1(word));
    MainForm->FindDialog1->setMatchCase(true);
    const Paired find = interleaved(
        [&] {
            window.caretTo(0);
            const int before = window.counter.paints;
            return millisecondsOf([&] {
                MainForm->FindDialog1->findNextButton()->click();
                untilPainted(window.counter, before);
            });
        },
        [&] {
            window.caretTo(0);
            qsizetype hit = -1;
            const std::string_view what(word.constData(), size_t(word.size()));
            const double search = millisecondsOf([&] {
                hit = findNext(window.edit->bytes(), 0, what, true);
            });
            if (hit < 0)
                std::printf("the word was not found\n");
            // The window that shows the selection, with its caret panel.
            return search + millisecondsOf([&] { window.document->repaint(); });
        });
    print("50 MB file, Find Next to the selection shown", find, "find",
          "search plus one repaint of the document window", "2");
    MainForm->FindDialog1->hide();
    window.close();
}

// Where the line is laid out anew each of these costs seconds: each is measured once.
void benchLongLine(const QString &name, const QByteArray &text)
{
    Window window;
    const double open = openToPaint(window, name);
    const double raw = rawRead(name);
    std::printf("20 MB single line, open to first paint: %.0f ms (bar 1000 ms); raw read %.1f ms\n",
                open, raw);
    const int end = window.edit->length();
    const auto at = [&](int position, int key) {
        window.caretTo(position);
        return window.key(key);
    };
    const double typedAtEnd = at(end, Qt::Key_X);
    const bool editable = window.edit->length() == text.size() + 1;
    const double deletedAtEnd = at(end + 1, Qt::Key_Backspace);
    const double toStart = at(end, Qt::Key_Home);
    const double toEnd = at(0, Qt::Key_End);
    const double typedAtStart = at(0, Qt::Key_X);
    const double deletedAtStart = at(1, Qt::Key_Backspace);
    std::printf("20 MB single line, each key to the view repainted (bar 100 ms): typed at the "
                "end %.0f ms, deleted at the end %.0f ms, Home %.0f ms, End %.0f ms, typed at the "
                "start %.0f ms, deleted at the start %.0f ms\n",
                typedAtEnd, deletedAtEnd, toStart, toEnd, typedAtStart, deletedAtStart);

    const QString saved = name + QStringLiteral(".saved");
    window.edit->saveToFile(saved);
    QFile file(saved);
    const bool same = file.open(QIODevice::ReadOnly) && file.readAll() == text;
    std::printf("20 MB single line: editable %s; bytes unchanged on save %s\n",
                editable ? "yes" : "NO", same ? "yes" : "NO");
    window.close();
}

} // namespace

namespace {

// A settings folder of the benchmark's own, and the main window shown in it.
void startWorkbench(const QTemporaryDir &dir)
{
    useScratchSettings(dir.path());
    createQuorvelWindows({});
    MainForm->resize(1000, 700);
    MainForm->show();
    while (!MainForm->windowHandle() || !MainForm->windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

} // namespace

void benchKeys()
{
    QTemporaryDir dir;
    const QString big = dir.filePath(QStringLiteral("Big.java"));
    QFile bigFile(big);
    if (bigFile.open(QIODevice::WriteOnly))
        bigFile.write(generatedJava(50 * 1024 * 1024) + "// retention\n");
    bigFile.close();
    startWorkbench(dir);
    benchLargeFile(big);
    destroyQuorvelWindows();
}

void benchLongLine()
{
    QTemporaryDir dir;
    QByteArray line;
    line.reserve(20 * 1024 * 1024 + 16);
    for (int i = 0; line.size() < 20 * 1024 * 1024; ++i)
        line += "x = x * 31 + " + QByteArray::number(i) + "; ";
    const QString name = dir.filePath(QStringLiteral("Line.java"));
    QFile file(name);
    if (file.open(QIODevice::WriteOnly))
        file.write(line);
    file.close();
    startWorkbench(dir);
    benchLongLine(name, line);
    destroyQuorvelWindows();
}
