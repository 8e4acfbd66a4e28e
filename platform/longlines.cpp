#include "longlines.h"

#include <Qsci/qsciscintillabase.h>

#include <QApplication>
#include <QEvent>
#include <QTimer>

namespace qv {

using Sci = QsciScintillaBase;

LongLineWait::LongLineWait(QsciScintillaBase *editor)
    : QObject(editor)
    , m_editor(editor)
{
    editor->viewport()->installEventFilter(this);
    connect(editor, &QsciScintillaBase::SCN_MODIFIED, this,
            [this](int position, int type, const char *, int length) {
                noteChange(position, type, length);
            });
}

LongLineWait::~LongLineWait()
{
    stop();
}

void LongLineWait::noteChange(int position, int type, int length)
{
    if (m_waiting || !(type & (Sci::SC_MOD_BEFOREINSERT | Sci::SC_MOD_BEFOREDELETE)))
        return;
    const long line = m_editor->SendScintilla(Sci::SCI_LINEFROMPOSITION, position);
    if (m_editor->SendScintilla(Sci::SCI_LINELENGTH, line) + length < LongLine)
        return;
    // A hidden editor lays the line out when it is first shown.
    if (m_editor->viewport()->isVisible())
        start();
    else
        m_armed = true;
}

void LongLineWait::start()
{
    m_armed = false;
    if (m_waiting)
        return;
    m_waiting = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

bool LongLineWait::eventFilter(QObject *, QEvent *event)
{
    // The filter sees the paint before it is done; the cursor returns just after it.
    if (m_waiting && event->type() == QEvent::Paint)
        QTimer::singleShot(0, this, &LongLineWait::stop);
    else if (m_armed && event->type() == QEvent::Show)
        start();
    else if (event->type() == QEvent::Hide)
        stop();
    return false;
}

void LongLineWait::stop()
{
    if (!m_waiting)
        return;
    m_waiting = false;
    QApplication::restoreOverrideCursor();
}

} // namespace qv
