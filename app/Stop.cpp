// The Stop command: ends what runs for the active window.
#include "MainForm.h"

#include "DocumentTools.h"

#include "editor/Childwin.h"
#include "toolchain/toolwindow.h"

void TMainForm::StopItemClick()
{
    QWidget *child = activeChild();
    if (auto *window = qobject_cast<ToolWindow *>(child)) {
        window->stop();
        return;
    }
    if (auto *document = qobject_cast<TMDIChild *>(child)) {
        for (ToolWindow *window : DocumentTools::of(document).goingWindows())
            window->stop();
    }
}
