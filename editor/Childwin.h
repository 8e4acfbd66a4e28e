#pragma once

#include "platform/files.h"
#include "platform/forms.h"
#include "toolchain/diagnostics.h"

#include <QPointer>

#include <optional>

class TCompOutForm;
struct LiveFinding;
class TRunConsoleForm;
class ToolWindow;

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
    QPointer<TCompOutForm> OutputForm;
    // The run window last opened for this document, or none.
    QPointer<TRunConsoleForm> RunWindow;

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

    // Output and run windows created for this document; destroyed with it.
    void adoptToolWindow(ToolWindow *window);
    // Those whose program is going.
    QList<ToolWindow *> goingToolWindows() const;

    // A diagnostic of this document's last compile that names a place: its file made
    // absolute, and the mark on its line when the file is this document's.
    struct PlacedDiagnostic
    {
        Diagnostic diagnostic;
        QString path;
        int mark = -1;
    };
    // Forgets the last compile's diagnostics and takes their marks off the text.
    void clearCompileMarks();
    // Keeps the diagnostics that name a place, in order, and marks the lines they name in
    // this document. Relative paths are taken from compilerFolder.
    void showCompileMarks(const QList<Diagnostic> &diagnostics, const QString &compilerFolder);
    const QList<PlacedDiagnostic> &compileDiagnostics() const { return m_compileDiagnostics; }
    // The index of the kept diagnostic that matches one read from an output window, or -1.
    int findCompileDiagnostic(const Diagnostic &diagnostic, const QString &compilerFolder) const;
    // The 0-based line a kept diagnostic is on now: its mark follows edits of the text.
    int lineOf(const PlacedDiagnostic &placed) const;
    // Marks the findings of a check made while typing in the text (replacing the last
    // check's) and sums them up in the panel beside the caret's; none and an empty summary
    // take them away.
    void showLiveFindings(const QList<LiveFinding> &findings, const QString &summary);
    // The kept diagnostic gone to last, -1 for none.
    int CurrentDiagnostic = -1;

    bool queryClose() override;

protected:
    void formClose() override;

private:
    void confirmSavingOver(const QString &name);
    void writeDocument(const QString &name);

    QList<QPointer<ToolWindow>> m_ownedTools;
    // The file as the document last read or wrote it (none for a new document), and as the
    // user was last asked about.
    std::optional<qv::FileStamp> m_ownStamp;
    // The file existed when it was opened but could not be read whole.
    bool m_unread = false;
    qv::FileStamp m_askedStamp;
    bool m_asking = false;
    QList<PlacedDiagnostic> m_compileDiagnostics;
};

// The text with blanks put in front until it is at least width characters long.
QString PadLeft(const QString &text, int width);

// The caret panel's text for a 0-based line and a 1-based column: "   1:  1 ".
QString caretPanelText(int line, int column);

// Lays out a document or output window: the text control above a status bar of three
// panels, in the window font "System", at the design size.
void buildTextWindow(QWidget *form, qv::TextControl *&edit, qv::StatusPanels *&panels);

// Whether a file may be opened: a file the text control or the memory cannot hold is refused
// with "Error opening:", the name and the reason; a large one only when the user agrees.
bool mayOpenDocument(const QString &name);

// Writes the control's whole text to the named file, replacing it atomically; throws
// "Cannot create file <name>" or "Failed to Save Stream". On failure the file is unchanged, or,
// written in place, a full copy of the text is kept and the message says where.
void saveTextTo(qv::TextControl *edit, const QString &name);

// Updates panel 0 of a status bar with the line and column of the selection's start.
void UpdateCaretPanel(qv::TextControl *edit, qv::StatusPanels *panels);
