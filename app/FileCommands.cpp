// The File and Edit commands that create, open, save and close documents, move text through
// the clipboard and choose the editor font.
#include "MainForm.h"

#include "editor/Childwin.h"

#include "platform/boxes.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/mdiframe.h"
#include "platform/application.h"
#include "platform/textcontrol.h"

#include <QTimer>

void TMainForm::FileNewItemClick()
{
    OpenDocument(QStringLiteral("NONAME%1").arg(ClientArea->childCount() + 1), false);
}

void TMainForm::FileOpenItemClick()
{
    if (!OpenDialog->execute())
        return;
    const int before = ClientArea->childCount();
    OpenDocument(OpenDialog->fileName(), true);
    // A file refused for its size opens no window.
    if (QWidget *child = activeChild(); child && ClientArea->childCount() > before)
        LastFileName = child->windowTitle();
}

void TMainForm::FileCloseItemClick()
{
    if (QWidget *child = activeChild())
        qv::MdiFrame::frameOf(child)->close();
}

void TMainForm::FileSaveItemClick()
{
    if (TMDIChild *document = activeDocument())
        document->SaveDocument();
}

void TMainForm::FileSaveAsItemClick()
{
    TMDIChild *document = activeDocument();
    if (!document)
        return;
    QString name;
    // A Java document's name typed without a suffix gets ".java".
    SaveDialog1->setDefaultSuffix(isJavaDocument(document) ? QStringLiteral("java") : QString());
    for (;;) {
        if (!SaveDialog1->execute())
            return;
        name = SaveDialog1->fileName();
        const qv::FileStamp there = qv::fileStamp(name);
        if ((!there.exists && !there.isLink) || document->isOwnFile(name))
            break;
        // No chooses again; Enter keeps the other file.
        const qv::Answer answer = qv::confirm(
            name + QStringLiteral(" already exists.  Replace it?"), qv::Answer::No);
        if (answer == qv::Answer::Yes)
            break;
        if (answer == qv::Answer::Cancel)
            return;
    }
    document->SaveDocumentAs(name);
    applyEditorOptions(document);
}

void TMainForm::CheckActiveDocumentOnDisk()
{
    // Asked once the activation is over, never from inside it.
    QTimer::singleShot(0, this, [this] {
        if (TMDIChild *document = activeDocument())
            qv::guarded([document] { document->CheckFileOnDisk(); });
    });
}

void TMainForm::FileExitItemClick()
{
    close();
}

void TMainForm::CutItemClick()
{
    if (qv::TextControl *edit = activeTextControl())
        edit->cut();
}

void TMainForm::CopyItemClick()
{
    if (qv::TextControl *edit = activeTextControl())
        edit->copy();
}

void TMainForm::PasteItemClick()
{
    if (qv::TextControl *edit = activeTextControl())
        edit->paste();
}

void TMainForm::FontItemClick()
{
    qv::TextControl *edit = activeTextControl();
    if (!edit)
        return;
    FontDialog1->setFont(edit->textFont());
    if (FontDialog1->execute())
        edit->setTextFont(FontDialog1->font());
    // Confirmed or not, the editor font follows the dialog's font.
    *EditorFont = FontDialog1->font();
}
