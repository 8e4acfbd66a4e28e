#pragma once

#include "platform/files.h"
#include "platform/forms.h"

#include <optional>

namespace qv {
class StatusPanels;
class TextControl;
} // namespace qv

// A document window: one text file for editing. Its caption is the document's file name.
class TMDIChild : public qv::ChildForm
{
    Q_OBJECT

public:
    explicit TMDIChild(QWidget *parent = nullptr);
    ~TMDIChild() override;

    qv::TextControl *RichEdit1 = nullptr;
    qv::StatusPanels *StatusBar1 = nullptr;

    void UpdateCaretPanel();
    // Reads the file that the caption names, shown in font; on failure shows "Error opening:"
    // with the name and returns false, the window keeping its previous font.
    bool LoadDocument(const QFont &font);
    // Writes the text to the file that the caption names. Before writing over what this
    // window did not read or write (a file it could not read, one another program changed or
    // made, a name that became a link), asks whether to; a "no" ends the command (qv::Abort).
    void SaveDocument();
    // Whether name is the file the caption names, by path or by identity.
    bool isOwnFile(const QString &name) const;
    // Writes the text to name and makes it the caption, once written. Over the document's own
    // file it asks what Save asks; any other file the caller has agreed to replace.
    void SaveDocumentAs(const QString &name);
    // Records the file on disk as the document's own, after it was loaded or saved.
    void NoteFileOnDisk();
    // The caption names a file the document was read from or written to: false for a new
    // document never saved.
    bool namedOnDisk() const { return m_ownStamp.has_value(); }
    // When another program changed the file since the document last read or wrote it, and
    // the user was not yet asked about that change, offers to read it again.
    void CheckFileOnDisk();
    void FormCloseQuery(bool &CanClose);
    void FormClose();
    void RichEdit1Change();
    void RichEdit1SelectionChange();

    // What else has a say before the document closes: asked before the document's own
    // question, and told once the document is sure to close.
    class CloseGuard
    {
    public:
        virtual bool mayClose() = 0;
        virtual void closing() = 0;

    protected:
        ~CloseGuard() = default;
    };
    // The guard lives at least as long as the document.
    void setCloseGuard(CloseGuard *guard) { m_closeGuard = guard; }

    bool queryClose() override;

protected:
    void formClose() override;

private:
    void confirmSavingOver(const QString &name);
    void writeDocument(const QString &name);

    CloseGuard *m_closeGuard = nullptr;
    // The file as the document last read or wrote it (none for a new document), and as the
    // user was last asked about.
    std::optional<qv::FileStamp> m_ownStamp;
    // The file existed when it was opened but could not be read whole.
    bool m_unread = false;
    qv::FileStamp m_askedStamp;
    bool m_asking = false;
};

// Whether a file may be opened: a file the text control or the memory cannot hold is refused
// with "Error opening:", the name and the reason; a large one only when the user agrees.
bool mayOpenDocument(const QString &name);

// Writes the control's whole text to the named file, replacing it atomically; throws
// "Cannot create file <name>" or "Failed to Save Stream". On failure the file is unchanged, or,
// written in place, a full copy of the text is kept and the message says where.
void saveTextTo(qv::TextControl *edit, const QString &name);

