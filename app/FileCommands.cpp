// The File and Edit commands that create, open, save and close documents, move text through
// the clipboard and choose the editor font.
#include "MainForm.h"

#include "editor/Childwin.h"

#include "platform/dialogs.h"
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
    if (!document || !SaveDialog1->execute())
        return;
    const QString name = SaveDialog1->fileName();
    saveTextTo(document->RichEdit1, name);
    document->setCaption(name);
    document->RichEdit1->setModified(false);
    document->NoteFileOnDisk();
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
