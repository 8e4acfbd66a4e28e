#pragma once

#include <QByteArray>
#include <QIcon>
#include <QImage>

namespace qv {

enum class ToolIcon {
    New, Open, Save, Cut, Copy, Paste, Search, Replace, Browser, Interpreter, Compile, Exit,
    FolderTree, Program, Stop, CompileAndRun
};

// A small picture for a tool button; Qt derives the greyed form for the disabled state.
QIcon toolIcon(ToolIcon which);

// The program's own picture (the Compile button's hammer), for its windows and the desktop:
// drawn at any size, as an icon holding the usual sizes, and as SVG text.
inline constexpr int ProgramIconSizes[] = {16, 32, 48, 64, 128};
QImage programImage(int size);
QIcon programIcon();
QByteArray programSvg();

} // namespace qv
