#pragma once

#include "platform/forms.h"

#include <QPointer>

class TCompOutForm;

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

    void UpdateCaretPanel();
    void SaveDocument();
    void FormCloseQuery(bool &CanClose);
    void FormClose();
    void RichEdit1Change();
    void RichEdit1SelectionChange();

    // Output windows created for this document; destroyed with it.
    void adoptOutputWindow(TCompOutForm *window);

    bool queryClose() override;

protected:
    void formClose() override;

private:
    QList<QPointer<TCompOutForm>> m_ownedOutputs;
};

// The text with blanks put in front until it is at least width characters long.
QString PadLeft(const QString &text, int width);

// The caret panel's text for a 0-based line and a 1-based column: "   1:  1 ".
QString caretPanelText(int line, int column);

// Lays out a document or output window: the text control above a status bar of three
// panels, in the window font "System", at the design size.
void buildTextWindow(QWidget *form, qv::TextControl *&edit, qv::StatusPanels *&panels);

// Writes the control's whole text to the named file, replacing it atomically; throws
// "Cannot create file <name>" or "Failed to Save Stream". The file is unchanged on failure.
void saveTextTo(qv::TextControl *edit, const QString &name);

// Updates panel 0 of a status bar with the line and column of the selection's start.
void UpdateCaretPanel(qv::TextControl *edit, qv::StatusPanels *panels);
