// The text control's completion lists: Scintilla's own list, filled by the program and
// inserting what the program says.
#include "textcontrol.h"

#include <Qsci/qsciscintilla.h>

#include <QStringList>

namespace qv {

using Sci = QsciScintillaBase;

namespace {

// Every character that cannot be part of a name closes the list when typed.
const char NameStops[] = " \t\r\n.,;:()[]{}<>+-*/%=!&|^~?\"'\\@#`";

} // namespace

void TextControl::prepareCompletion()
{
    connect(m_editor, &QsciScintillaBase::SCN_CHARADDED, this,
            [this](int character) { emit characterTyped(character); });
    connect(m_editor, qOverload<const char *, int, int, int>(&QsciScintillaBase::SCN_AUTOCSELECTION),
            this, [this](const char *selection, int, int, int) {
                if (!m_completionShown)
                    return;
                // The program inserts the chosen name itself, not the label.
                m_completionShown = false;
                const QString label = QString::fromUtf8(selection);
                send(Sci::SCI_AUTOCCANCEL);
                emit completionChosen(label);
            });
    connect(m_editor, &QsciScintillaBase::SCN_AUTOCCANCELLED, this,
            [this] { m_completionShown = false; });
}

void TextControl::showCompletionList(int start, const QStringList &labels)
{
    const int caret = selStart();
    if (labels.isEmpty() || start > caret) {
        closeCompletionList();
        return;
    }
    send(Sci::SCI_AUTOCSETSEPARATOR, '\n');
    send(Sci::SCI_AUTOCSETIGNORECASE, 1);
    send(Sci::SCI_AUTOCSETORDER, Sci::SC_ORDER_PERFORMSORT);
    send(Sci::SCI_AUTOCSETAUTOHIDE, 1);
    send(Sci::SCI_AUTOCSETCHOOSESINGLE, 0);
    send(Sci::SCI_AUTOCSETCANCELATSTART, 1);
    send(Sci::SCI_AUTOCSETDROPRESTOFWORD, 0);
    send(Sci::SCI_AUTOCSETMAXHEIGHT, 12);
    m_editor->SendScintilla(Sci::SCI_AUTOCSTOPS, 0UL, NameStops);
    m_editor->SendScintilla(Sci::SCI_AUTOCSETFILLUPS, 0UL, "");
    const QByteArray list = labels.join(u'\n').toUtf8();
    m_editor->SendScintilla(Sci::SCI_AUTOCSHOW, (unsigned long)(caret - start), list.constData());
    m_completionShown = send(Sci::SCI_AUTOCACTIVE) != 0;
}

bool TextControl::completionListShown() const
{
    return send(Sci::SCI_AUTOCACTIVE) != 0;
}

void TextControl::closeCompletionList()
{
    m_completionShown = false;
    if (send(Sci::SCI_AUTOCACTIVE))
        send(Sci::SCI_AUTOCCANCEL);
}

void TextControl::completeFromWords()
{
    closeCompletionList();
    // The threshold applies to lists that open by themselves; asked for, one always opens.
    m_editor->autoCompleteFromDocument();
}

} // namespace qv
