#pragma once

#include "pairs.h"

#include "app/MainForm.h"
#include "editor/Childwin.h"
#include "platform/textcontrol.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTest>

// Keys typed into a document window, each timed until the view has painted afresh.

// Counts the paints of one widget.
class PaintCounter : public QObject
{
public:
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// Runs the posted work, the repaint among it, until the view has painted at least once more.
inline void untilPainted(PaintCounter &counter, int before)
{
    QCoreApplication::processEvents();
    for (int i = 0; counter.paints == before && i < 1000; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

struct Window
{
    TMDIChild *document = nullptr;
    qv::TextControl *edit = nullptr;
    QWidget *view = nullptr;
    PaintCounter counter;

    // Milliseconds from the key to the view painted afresh.
    double key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        const int before = counter.paints;
        return millisecondsOf([&] {
            QTest::keyClick(view, Qt::Key(key), modifiers);
            untilPainted(counter, before);
        });
    }

    void caretTo(int position)
    {
        edit->setSelection(position, 0);
        const int before = counter.paints;
        view->update();
        untilPainted(counter, before);
    }

    void close()
    {
        view->removeEventFilter(&counter);
        edit->setModified(false);
        delete document->parentWidget();
    }
};

// Opens the file in a document window and runs until the window has painted; milliseconds.
inline double openToPaint(Window &window, const QString &name)
{
    return millisecondsOf([&] {
        MainForm->OpenDocument(name, true);
        window.document = MainForm->activeDocument();
        window.edit = window.document->RichEdit1;
        window.view = window.edit->view();
        window.view->installEventFilter(&window.counter);
        untilPainted(window.counter, 0);
    });
}
