#include "bench.h"
#include "pairs.h"

#include "app/MainForm.h"
#include "app/Program.h"
#include "editor/Childwin.h"
#include "platform/mdiframe.h"
#include "platform/textcontrol.h"

#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Milliseconds to open the file in a document window and paint it, optionally after moving
// to its last line. The window is closed afterwards.
double openAndPaint(const QString &name, bool highlighted, bool toEnd)
{
    MainForm->HighlightingItem->setChecked(highlighted);
    QElapsedTimer timer;
    timer.start();
    MainForm->OpenDocument(name, true);
    TMDIChild *document = MainForm->activeDocument();
    if (toEnd)
        document->RichEdit1->gotoLineColumn(document->RichEdit1->lineCount() - 1, 1);
    document->grab();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    delete qv::MdiFrame::frameOf(document);
    QCoreApplication::processEvents();
    return ms;
}

void compare(const char *what, const QString &name, bool toEnd)
{
    openAndPaint(name, true, toEnd);
    const Paired run = interleaved([&] { return openAndPaint(name, true, toEnd); },
                                   [&] { return openAndPaint(name, false, toEnd); }, 7);
    std::printf("%s: highlighted %s, plain %s, %s%s\n", what, run.measure.text().c_str(),
                run.baseline.text().c_str(), run.ratioText().c_str(),
                toEnd ? "" : " (bar 1.5)");
}

} // namespace

void benchHighlight()
{
    QTemporaryDir dir;
    QTemporaryDir config;
    useScratchSettings(config.path());
    const QString name = dir.filePath(QStringLiteral("Big.java"));
    QFile file(name);
    if (file.open(QIODevice::WriteOnly))
        file.write(generatedJava(5 * 1024 * 1024));
    file.close();

    createQuorvelWindows({});
    MainForm->resize(800, 600);
    MainForm->show();
    compare("open and paint a 5 MB Java file", name, false);
    compare("the same, then its last line shown", name, true);
    destroyQuorvelWindows();
}
