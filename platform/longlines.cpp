#include "longlines.h"

#include <Qsci/qsciscintillabase.h>

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <algorithm>

namespace qv {

using Sci = QsciScintillaBase;

namespace {

bool continuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Whether some line of text, continuing a line of column bytes, outgrows width.
bool outgrows(const QByteArray &text, qsizetype width, qsizetype &column)
{
    qsizetype at = column;
    for (const char c : text) {
        at = c == '\n' ? 0 : at + 1;
        if (at > width)
            return true;
    }
    column = at;
    return false;
}

} // namespace

QByteArray breakLongLines(const QByteArray &text, qsizetype width, qsizetype &column)
{
    if (!outgrows(text, width, column))
        return text;
    QByteArray broken;
    broken.reserve(text.size() + text.size() / width + 2);
    const qsizetype size = text.size();
    qsizetype at = 0;
    while (at < size) {
        const qsizetype newline = text.indexOf('\n', at);
        const qsizetype lineEnd = newline < 0 ? size : newline;
        while (lineEnd - at > width - column) {
            qsizetype cut = at + std::max<qsizetype>(0, width - column);
            // Back to the start of the character the cut would split (a character has at
            // most three continuation bytes).
            for (int back = 0; cut > at && back < 3 && continuationByte(text.at(cut)); ++back)
                --cut;
            broken.append(text.constData() + at, cut - at);
            broken.append('\n');
            column = 0;
            at = cut;
        }
        broken.append(text.constData() + at, lineEnd - at);
        column += lineEnd - at;
        at = lineEnd;
        if (newline >= 0) {
            broken.append('\n');
            column = 0;
            at = newline + 1;
        }
    }
    return broken;
}

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
