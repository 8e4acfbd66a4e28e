#include "finddialogs.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qv {

namespace {

QLineEdit *addTextRow(QGridLayout *grid, int row, const QString &caption, QWidget *parent)
{
    auto *edit = new QLineEdit(parent);
    edit->setMaxLength(FindDialog::maxTextLength);
    edit->setMinimumWidth(220);
    auto *label = new QLabel(caption, parent);
    label->setBuddy(edit);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    return edit;
}

} // namespace

FindDialog::FindDialog(QWidget *parent)
    : QDialog(parent)
    , m_fields(new QGridLayout)
    , m_buttons(new QVBoxLayout)
{
    setWindowTitle(QStringLiteral("Find"));
    setModal(false);

    m_findEdit = addTextRow(m_fields, 0, QStringLiteral("Fi&nd what:"), this);
    m_matchCaseBox = new QCheckBox(QStringLiteral("Match &case"), this);

    m_findNextButton = new QPushButton(QStringLiteral("&Find Next"), this);
    m_findNextButton->setDefault(true);
    m_cancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    m_buttons->addWidget(m_findNextButton);
    m_buttons->addWidget(m_cancelButton);
    m_buttons->addStretch();

    auto *left = new QVBoxLayout;
    left->addLayout(m_fields);
    left->addStretch();
    left->addWidget(m_matchCaseBox);

    auto *root = new QHBoxLayout(this);
    root->addLayout(left);
    root->addLayout(m_buttons);
    root->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_findNextButton, &QPushButton::clicked, this, [this] {
        emit find();
    });
    connect(m_cancelButton, &QPushButton::clicked, this, [this] {
        close();
    });
}

QString FindDialog::findText() const
{
    return m_findEdit->text();
}

void FindDialog::setFindText(const QString &text)
{
    m_findEdit->setText(text);
}

bool FindDialog::matchCase() const
{
    return m_matchCaseBox->isChecked();
}

void FindDialog::setMatchCase(bool on)
{
    m_matchCaseBox->setChecked(on);
}

void FindDialog::execute()
{
    if (!isVisible()) {
        // An explicit move also keeps the dialog from being centred on its owner again.
        if (m_wasClosed)
            move(m_closedAt);
        m_findEdit->selectAll();
        m_findEdit->setFocus();
        show();
    }
    raise();
    activateWindow();
}

void FindDialog::hideEvent(QHideEvent *event)
{
    m_closedAt = pos();
    m_wasClosed = true;
    QDialog::hideEvent(event);
}

ReplaceDialog::ReplaceDialog(QWidget *parent)
    : FindDialog(parent)
{
    setWindowTitle(QStringLiteral("Replace"));
    m_replaceEdit = addTextRow(fieldGrid(), 1, QStringLiteral("Re&place with:"), this);
    setTabOrder(findEdit(), m_replaceEdit);

    m_replaceButton = new QPushButton(QStringLiteral("&Replace"), this);
    m_replaceAllButton = new QPushButton(QStringLiteral("Replace &All"), this);
    buttonColumn()->insertWidget(1, m_replaceButton);
    buttonColumn()->insertWidget(2, m_replaceAllButton);
    setTabOrder(findNextButton(), m_replaceButton);
    setTabOrder(m_replaceButton, m_replaceAllButton);

    connect(m_replaceButton, &QPushButton::clicked, this, [this] {
        m_replaceAll = false;
        emit replace();
    });
    connect(m_replaceAllButton, &QPushButton::clicked, this, [this] {
        m_replaceAll = true;
        emit replace();
    });
}

QString ReplaceDialog::replaceText() const
{
    return m_replaceEdit->text();
}

void ReplaceDialog::setReplaceText(const QString &text)
{
    m_replaceEdit->setText(text);
}

} // namespace qv
