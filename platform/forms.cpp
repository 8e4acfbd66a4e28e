#include "forms.h"

#include "application.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>

#include <algorithm>

namespace qv {

ChildForm::ChildForm(QWidget *parent)
    : QWidget(parent)
{}

void ChildForm::closeEvent(QCloseEvent *event)
{
    bool canClose = false;
    guarded([&] {
        canClose = queryClose();
        if (canClose)
            formClose();
    });
    event->setAccepted(canClose);
}

StatusPanels::StatusPanels(const QList<int> &widths, QWidget *parent)
    : QWidget(parent)
{
    setFixedHeight(18);
    QFont panelFont(QStringLiteral("MS Sans Serif"));
    panelFont.setPixelSize(11);
    setFont(panelFont);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    for (int width : widths) {
        auto *panel = new QLabel(this);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setFixedWidth(width);
        QPalette black = panel->palette();
        black.setColor(QPalette::WindowText, Qt::black);
        panel->setPalette(black);
        layout->addWidget(panel);
        m_panels.append(panel);
    }
    layout->addStretch(1);
}

QString StatusPanels::panelText(int index) const
{
    return m_panels.value(index) ? m_panels[index]->text() : QString();
}

void StatusPanels::setPanelText(int index, const QString &text)
{
    if (QLabel *panel = m_panels.value(index))
        panel->setText(text);
}

void StatusPanels::fitPanel(int index, const QString &pattern)
{
    QLabel *panel = m_panels.value(index);
    if (!panel)
        return;
    const QFontMetrics metrics(panel->font());
    QChar widest = u'0';
    for (char16_t digit = u'1'; digit <= u'9'; ++digit) {
        if (metrics.horizontalAdvance(QChar(digit)) > metrics.horizontalAdvance(widest))
            widest = QChar(digit);
    }
    QString text = pattern;
    for (QChar &c : text) {
        if (c.isDigit())
            c = widest;
    }
    const QString shown = panel->text();
    panel->setText(text);
    const int needed = panel->sizeHint().width();
    panel->setText(shown);
    panel->setFixedWidth(std::max(panel->minimumWidth(), needed));
}

} // namespace qv
