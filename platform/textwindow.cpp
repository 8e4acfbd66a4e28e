#include "textwindow.h"

#include "platform/forms.h"
#include "platform/textcontrol.h"

#include <QVBoxLayout>

namespace qv {

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

void UpdateCaretPanel(TextControl *edit, StatusPanels *panels)
{
    const int start = edit->selStart();
    const int line = edit->lineFromPosition(start);
    const int lineStart = edit->positionFromLine(line);
    // The column counts characters, so a line holding multi-byte characters shows the
    // column the user sees.
    const int column = edit->characterCount(lineStart, start) + 1;
    panels->setPanelText(0, caretPanelText(line, column));
}

void buildTextWindow(QWidget *form, TextControl *&edit, StatusPanels *&panels)
{
    QFont windowFont(QStringLiteral("System"));
    windowFont.setPixelSize(13);
    form->setFont(windowFont);
    edit = new TextControl(form);
    edit->setTextFont(windowFont);
    panels = new StatusPanels({65, 75, 50}, form);
    // The widest caret text, a five-digit line and a four-digit column, shows in full.
    panels->fitPanel(0, QStringLiteral("12345:1234 "));
    panels->setPanelText(0, QStringLiteral("   1:  1 "));
    auto *layout = new QVBoxLayout(form);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(edit, 1);
    layout->addWidget(panels);
    form->resize(464, 254);
}

} // namespace qv
