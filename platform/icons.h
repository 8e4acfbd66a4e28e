#pragma once

#include <QIcon>

namespace qv {

enum class ToolIcon {
    New, Open, Save, Cut, Copy, Paste, Search, Replace, Browser, Interpreter, Compile, Exit,
    FolderTree, Program
};

// A small picture for a tool button; Qt derives the greyed form for the disabled state.
QIcon toolIcon(ToolIcon which);

} // namespace qv
