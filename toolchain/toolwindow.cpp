#include "toolwindow.h"

#include "platform/boxes.h"

#include <QPointer>

bool ToolWindow::confirmStop() const
{
    return qv::confirm(stopQuestion()) == qv::Answer::Yes;
}

bool ToolWindow::stopBeforeClose()
{
    if (!going())
        return true;
    const QPointer<ToolWindow> self(this);
    if (!confirmStop() || !self)
        return false;
    stopForClose();
    return true;
}

void ToolWindow::stopForClose()
{
    m_stoppedForClose = true;
    stop();
}
