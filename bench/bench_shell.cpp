// The Java Shell window: "1 + 1" from Enter to its value shown, against the same input sent
// to the service's shell directly, in turns; and the first value after the window opens.
#include "bench.h"
#include "pairs.h"

#include "app/LiveCheck.h"
#include "app/MainForm.h"
#include "app/Program.h"
#include "editor/Childwin.h"
#include "toolchain/Compopt.h"
#include "toolchain/javaservice.h"
#include "toolchain/javashell.h"
#include "toolchain/shellpane.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>

namespace {

constexpr int LimitMs = 120 * 1000;

double untilShown(TShellForm *shell, const QString &input)
{
    const QString value = QStringLiteral(" ==> 2\n");
    const qsizetype before = shell->Transcript->toPlainText().count(value);
    QElapsedTimer clock;
    clock.start();
    shell->Input->setPlainText(input);
    QTest::keyClick(shell->Input, Qt::Key_Return);
    if (!QTest::qWaitFor([&] { return shell->Transcript->toPlainText().count(value) > before; },
                         LimitMs))
        return -1;
    return double(clock.nsecsElapsed()) / 1e6;
}

// The same input as a request of the service's, answered.
double direct(JavaService *service)
{
    ServiceMessage request;
    request.kind = "shelleval";
    request.add(QStringLiteral("1 + 1"));
    bool answered = false;
    QElapsedTimer clock;
    clock.start();
    service->request(request, qApp, [&](const ServiceMessage *answer) {
        answered = !answer || answer->kind != "more";
    }, -1);
    if (!QTest::qWaitFor([&] { return answered; }, LimitMs))
        return -1;
    return double(clock.nsecsElapsed()) / 1e6;
}

double firstValue()
{
    QElapsedTimer clock;
    clock.start();
    MainForm->JavaShellItem->trigger();
    TShellForm *shell = MainForm->ShellWindow;
    const double shown = untilShown(shell, QStringLiteral("1 + 1"));
    const double total = shown < 0 ? -1 : double(clock.nsecsElapsed()) / 1e6;
    shell->close();
    if (!QTest::qWaitFor([] { return !MainForm->ShellWindow; }, LimitMs))
        return -1;
    return total;
}

} // namespace

void benchShell()
{
    const QString found = QStandardPaths::findExecutable(QStringLiteral("javac"));
    if (found.isEmpty() || JavaService::jarPath().isEmpty()) {
        std::printf("java shell: needs a JDK on the PATH and the built Java service\n");
        return;
    }
    QTemporaryDir scratch;
    useScratchSettings(scratch.path());
    createQuorvelWindows({});
    MainForm->show();
    CompileOptForm->JavaPath->setText(QFileInfo(QFileInfo(found).canonicalFilePath()).path());
    JavaService *service = MainForm->LiveCheck->service();
    service->start(CompileOptForm->JavaPath->text());
    if (!QTest::qWaitFor([&] { return service->isReady(); }, LimitMs)) {
        std::printf("java shell: the Java service did not start\n");
        destroyQuorvelWindows();
        return;
    }

    // The first value after the window opens, the service already running.
    const Series first = repeated(firstValue, 3);

    MainForm->JavaShellItem->trigger();
    TShellForm *shell = MainForm->ShellWindow;
    for (int i = 0; i < 5; ++i)
        untilShown(shell, QStringLiteral("1 + 1"));
    const Paired warm = interleaved([&] { return untilShown(shell, QStringLiteral("1 + 1")); },
                                    [&] { return direct(service); }, 9);
    destroyQuorvelWindows();
    if (warm.measure.min() < 0 || first.min() < 0) {
        std::printf("java shell: no value shown\n");
        return;
    }
    std::printf("java shell: 1 + 1 from Enter to its value shown, warm %s (aim 150 ms); the "
                "service's shell answering it %s; %s\n",
                warm.measure.text().c_str(), warm.baseline.text().c_str(),
                warm.ratioText().c_str());
    std::printf("java shell: first value after the window opens (service running) %s\n",
                first.text().c_str());
}
