#include "Childwin.h"

#include "platform/boxes.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/mdiframe.h"
#include "platform/textcontrol.h"
#include "toolchain/compunit.h"

#include <QVBoxLayout>

QString PadLeft(const QString &text, int width)
{
    if (text.size() >= width)
        return text;
    return QString(width - text.size(), u' ') + text;
}

QString caretPanelText(int line, int column)
{
    return PadLeft(QString::number(line + 1), 4) + u':' + PadLeft(QString::number(column), 3)
           + u' ';
}

void UpdateCaretPanel(qv::TextControl *edit, qv::StatusPanels *panels)
{
    const int start = edit->selStart();
    const int line = edit->lineFromPosition(start);
    const int lineStart = edit->positionFromLine(line);
    // The column counts characters, so a line holding multi-byte characters shows the
    // column the user sees.
    const int column = edit->characterCount(lineStart, start) + 1;
    panels->setPanelText(0, caretPanelText(line, column));
}

void buildTextWindow(QWidget *form, qv::TextControl *&edit, qv::StatusPanels *&panels)
{
    QFont windowFont(QStringLiteral("System"));
    windowFont.setPixelSize(13);
    form->setFont(windowFont);
    edit = new qv::TextControl(form);
    edit->setTextFont(windowFont);
    panels = new qv::StatusPanels({65, 75, 50}, form);
    panels->setPanelText(0, QStringLiteral("   1:  1 "));
    auto *layout = new QVBoxLayout(form);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(edit, 1);
    layout->addWidget(panels);
    form->resize(464, 254);
}

TMDIChild::TMDIChild(QWidget *parent)
    : qv::ChildForm(parent)
{
    setWindowTitle(QStringLiteral("MDI Child"));
    buildTextWindow(this, RichEdit1, StatusBar1);
    connect(RichEdit1, &qv::TextControl::changed, this, &TMDIChild::RichEdit1Change);
    connect(RichEdit1, &qv::TextControl::selectionChanged, this,
            &TMDIChild::RichEdit1SelectionChange);
}

TMDIChild::~TMDIChild()
{
    for (const QPointer<TCompOutForm> &output : std::as_const(m_ownedOutputs)) {
        if (!output)
            continue;
        QWidget *frame = qv::MdiFrame::frameOf(output);
        delete (frame ? frame : output.data());
    }
}

void TMDIChild::adoptOutputWindow(TCompOutForm *window)
{
    m_ownedOutputs.removeAll(nullptr);
    m_ownedOutputs.append(window);
}

void TMDIChild::UpdateCaretPanel()
{
    ::UpdateCaretPanel(RichEdit1, StatusBar1);
}

void TMDIChild::RichEdit1Change()
{
    UpdateCaretPanel();
}

void TMDIChild::RichEdit1SelectionChange()
{
    UpdateCaretPanel();
}

void saveTextTo(qv::TextControl *edit, const QString &name)
{
    switch (edit->saveToFile(name)) {
    case qv::WriteStatus::Ok:
        return;
    case qv::WriteStatus::CannotCreate:
        throw qv::Error(QStringLiteral("Cannot create file %1").arg(name));
    case qv::WriteStatus::WriteFailed:
        throw qv::Error(QStringLiteral("Failed to Save Stream"));
    }
}

void TMDIChild::SaveDocument()
{
    saveTextTo(RichEdit1, caption());
    RichEdit1->setModified(false);
}

void TMDIChild::FormCloseQuery(bool &CanClose)
{
    if (RunningReaders > 0) {
        CanClose = false;
        return;
    }
    if (!RichEdit1->modified())
        return;
    switch (qv::confirm(caption() + QStringLiteral(" has been modified.  Save changes?"))) {
    case qv::Answer::Cancel:
        CanClose = false;
        return;
    case qv::Answer::Yes:
        SaveDocument();
        return;
    case qv::Answer::No:
        return;
    }
}

bool TMDIChild::queryClose()
{
    bool canClose = true;
    FormCloseQuery(canClose);
    return canClose;
}

void TMDIChild::FormClose()
{
    // A closed document window is destroyed, never hidden.
    setAttribute(Qt::WA_DeleteOnClose);
}

void TMDIChild::formClose()
{
    FormClose();
}
