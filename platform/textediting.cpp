// Editing commands of the text control, its line ends and the keys it leaves to the program.
#include "textcontrol.h"

#include <Qsci/qscicommand.h>
#include <Qsci/qscicommandset.h>
#include <Qsci/qsciscintilla.h>

#include <QKeySequence>

#include <cstring>

namespace qv {

using Sci = QsciScintillaBase;

void TextControl::undo()
{
    m_editor->undo();
    checkSelection();
}

void TextControl::redo()
{
    m_editor->redo();
    checkSelection();
}

void TextControl::selectAll()
{
    m_editor->selectAll(true);
    checkSelection();
}

int TextControl::lineCount() const
{
    return int(send(Sci::SCI_GETLINECOUNT));
}

void TextControl::leaveKeysToCommands(const QList<QKeySequence> &keys)
{
    QList<int> taken;
    for (const QKeySequence &key : keys) {
        if (!key.isEmpty())
            taken.append(key[0].toCombined());
    }
    for (QsciCommand *command : m_editor->standardCommands()->commands()) {
        if (taken.contains(command->key()))
            command->setKey(0);
        if (taken.contains(command->alternateKey()))
            command->setAlternateKey(0);
    }
}

void TextControl::adoptLineEnds()
{
    // The first line end of the text decides; a text without any keeps the control's own.
    const std::string_view all = bytes();
    if (all.empty())
        return; // an empty text has no data to search, not even a pointer
    const char *data = all.data();
    const char *end = data + all.size();
    const char *cr = static_cast<const char *>(std::memchr(data, '\r', all.size()));
    const char *lf = static_cast<const char *>(
        std::memchr(data, '\n', size_t((cr ? cr : end) - data)));
    if (lf)
        m_editor->setEolMode(QsciScintilla::EolUnix);
    else if (cr && cr + 1 < end && cr[1] == '\n')
        m_editor->setEolMode(QsciScintilla::EolWindows);
    else if (cr)
        m_editor->setEolMode(QsciScintilla::EolMac);
}

} // namespace qv
