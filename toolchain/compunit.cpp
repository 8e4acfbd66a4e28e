#include "compunit.h"

#include "editor/Childwin.h"
#include "platform/textcontrol.h"

#include <QVBoxLayout>

int RunningReaders = 0;

class TJavaCompile
{
};

TCompOutForm::TCompOutForm(TMDIChild *owner)
    : m_owner(owner)
{
    setWindowTitle(QStringLiteral("MDI Child"));
    QFont windowFont(QStringLiteral("System"));
    windowFont.setPixelSize(13);
    setFont(windowFont);
    RichEdit1 = new qv::TextControl(this);
    RichEdit1->setTextFont(windowFont);
    StatusBar1 = new qv::StatusPanels({65, 75, 50}, this);
    StatusBar1->setPanelText(0, QStringLiteral("   1:  1 "));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(RichEdit1, 1);
    layout->addWidget(StatusBar1);
    resize(464, 254);
    connect(RichEdit1, &qv::TextControl::changed, this, &TCompOutForm::RichEdit1Change);
    connect(RichEdit1, &qv::TextControl::selectionChanged, this,
            &TCompOutForm::RichEdit1SelectionChange);
    if (owner)
        owner->adoptOutputWindow(this);
}

TCompOutForm::~TCompOutForm() = default;

void TCompOutForm::UpdateCaretPanel()
{
    ::UpdateCaretPanel(RichEdit1, StatusBar1);
}

void TCompOutForm::RichEdit1Change()
{
    UpdateCaretPanel();
}

void TCompOutForm::RichEdit1SelectionChange()
{
    UpdateCaretPanel();
}

void TCompOutForm::FormErrorCloseQuery(bool &CanClose)
{
    if (RunningReaders > 0)
        CanClose = false;
}

bool TCompOutForm::queryClose()
{
    bool canClose = true;
    FormErrorCloseQuery(canClose);
    return canClose;
}

void TCompOutForm::FormClose()
{
    if (m_owner)
        m_owner->OutputForm = nullptr;
    setAttribute(Qt::WA_DeleteOnClose);
}

void TCompOutForm::formClose()
{
    FormClose();
}
