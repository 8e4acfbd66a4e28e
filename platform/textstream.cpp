#include "textstream.h"

#include "textcontrol.h"

#include <Qsci/qsciscintilla.h>

#include <QAccessible>

namespace qv {

namespace {

QsciScintilla *editorOf(TextControl *control)
{
    return qobject_cast<QsciScintilla *>(control->view()->parentWidget());
}

} // namespace

void appendStreamed(TextControl *control, const QByteArray &bytes)
{
    QsciScintilla *editor = editorOf(control);
    if (!editor || QAccessible::isActive()) {
        control->appendText(bytes);
        return;
    }
    using Sci = QsciScintillaBase;
    const long mask = editor->SendScintilla(Sci::SCI_GETMODEVENTMASK);
    // The notice carries the insertion together with flags of how it was made, so it is
    // silenced whole; for an append at the end it only ever drives changed().
    editor->SendScintilla(Sci::SCI_SETMODEVENTMASK, 0);
    control->appendText(bytes);
    editor->SendScintilla(Sci::SCI_SETMODEVENTMASK, mask);
    if (!bytes.isEmpty())
        emit control->changed();
}

void prepareForStreaming(TextControl *control)
{
    if (QsciScintilla *editor = editorOf(control))
        editor->SendScintilla(QsciScintillaBase::SCI_SETLAYOUTCACHE,
                              QsciScintillaBase::SC_CACHE_PAGE);
}

} // namespace qv
