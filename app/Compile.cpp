#include "Main.h"

#include "platform/boxes.h"

void TMainForm::CompileItemClick()
{
    qv::messageBox(QStringLiteral("Nothing to compile!"));
}
