// The commands of the main window, one row each: the menus, the tool buttons, the keyboard
// shortcuts and the enabling all come from this table. A new command is a row here and its
// handler (and, if the tests or other code want to reach it, a field in MainForm.h).
#include "MainForm.h"

#include "platform/application.h"
#include "platform/icons.h"
#include "platform/mdiframe.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

namespace {

struct ToolButton {
    QToolButton *TMainForm::*field = nullptr;
    const char *name = nullptr;
    int left = 0;
    int width = 25;
    // "tip|long hint"; the tip is also the command's tool tip, which the button shows.
    const char *hint = nullptr;
    qv::ToolIcon icon = qv::ToolIcon::New;
};

enum class Enabling { WhileAChildExists, Always };
enum class Check { None, Off, On };

// A row without a caption is a separator.
struct Command {
    QMenu *TMainForm::*menu = nullptr;
    QAction *TMainForm::*field = nullptr;
    const char *name = nullptr;
    const char *caption = nullptr;
    const char *hint = nullptr;
    // Key sequences separated by "; ", the first one shown in the menu.
    const char *keys = nullptr;
    void (TMainForm::*handler)() = nullptr;
    Enabling enabling = Enabling::WhileAChildExists;
    Check check = Check::None;
    Qt::ShortcutContext keyContext = Qt::WindowShortcut;
    ToolButton button = {};
};

using M = TMainForm;

// The menus, in the order of the bar; each menu's items in the order of the rows below.
const struct {
    QMenu *TMainForm::*menu;
    const char *caption;
    const char *hint;
} Menus[] = {
    {&M::File1, "&File", "File related commands"},
    {&M::Edit1, "&Edit", nullptr},
    {&M::Java1, "Java", nullptr},
    {&M::Run1, "Run", nullptr},
    {&M::Window1, "&Window", "Window related commands such as Tile and Cascade"},
    {&M::Help1, "&Help", "Help topics"},
};

const Command Commands[] = {
    {.menu = &M::File1, .field = &M::FileNewItem, .name = "FileNewItem", .caption = "&New",
     .hint = "Create a new file", .keys = "Ctrl+N", .handler = &M::FileNewItemClick,
     .enabling = Enabling::Always,
     .button = {&M::NewBtn, "NewBtn", 3, 25, "New|", qv::ToolIcon::New}},
    {.menu = &M::File1, .field = &M::FileOpenItem, .name = "FileOpenItem", .caption = "&Open",
     .hint = "Open an existing file", .keys = "Ctrl+O", .handler = &M::FileOpenItemClick,
     .enabling = Enabling::Always,
     .button = {&M::OpenBtn, "OpenBtn", 28, 25, "Open|", qv::ToolIcon::Open}},
    {.menu = &M::File1, .field = &M::FileCloseItem, .name = "FileCloseItem",
     .caption = "&Close", .hint = "Close current file", .keys = "Ctrl+W",
     .handler = &M::FileCloseItemClick},
    {.menu = &M::File1, .field = &M::FileSaveItem, .name = "FileSaveItem", .caption = "&Save",
     .hint = "Save current file", .keys = "Ctrl+S", .handler = &M::FileSaveItemClick,
     .button = {&M::SaveBtn, "SaveBtn", 52, 25, "Save|", qv::ToolIcon::Save}},
    {.menu = &M::File1, .field = &M::FileSaveAsItem, .name = "FileSaveAsItem",
     .caption = "Save &As...", .hint = "Save current file as...", .keys = "Ctrl+Shift+S",
     .handler = &M::FileSaveAsItemClick},
    {.menu = &M::File1, .field = &M::N1},
    {.menu = &M::File1, .field = &M::FileExitItem, .name = "FileExitItem", .caption = "E&xit",
     .hint = "Exit the application", .keys = "Ctrl+Q", .handler = &M::FileExitItemClick,
     .enabling = Enabling::Always,
     .button = {&M::ExitBtn, "ExitBtn", 400, 22, "Exit|", qv::ToolIcon::Exit}},

    {.menu = &M::Edit1, .field = &M::CutItem, .name = "CutItem", .caption = "Cu&t",
     .hint = "Cut to clipboard", .keys = "Ctrl+X", .handler = &M::CutItemClick,
     .button = {&M::CutBtn, "CutBtn", 87, 25, "Cut|", qv::ToolIcon::Cut}},
    {.menu = &M::Edit1, .field = &M::CopyItem, .name = "CopyItem", .caption = "&Copy",
     .hint = "Copy to clipboard", .keys = "Ctrl+C", .handler = &M::CopyItemClick,
     .button = {&M::CopyBtn, "CopyBtn", 111, 25, "Copy|", qv::ToolIcon::Copy}},
    {.menu = &M::Edit1, .field = &M::PasteItem, .name = "PasteItem", .caption = "&Paste",
     .hint = "Paste from clipboard", .keys = "Ctrl+V", .handler = &M::PasteItemClick,
     .button = {&M::PasteBtn, "PasteBtn", 135, 25, "Paste|", qv::ToolIcon::Paste}},
    {.menu = &M::Edit1, .field = &M::N2},
    {.menu = &M::Edit1, .field = &M::SearchItem, .name = "SearchItem", .caption = "Search",
     .hint = "Search for text", .keys = "Ctrl+F", .handler = &M::SearchItemClick,
     .button = {&M::SearchBtn, "SearchBtn", 170, 25, "Search|", qv::ToolIcon::Search}},
    {.menu = &M::Edit1, .field = &M::ReplaceItem, .name = "ReplaceItem", .caption = "Replace",
     .hint = "Replace text", .keys = "Ctrl+H", .handler = &M::ReplaceItemClick,
     .button = {&M::ReplaceBtn, "ReplaceBtn", 195, 25, "Replace|", qv::ToolIcon::Replace}},
    {.menu = &M::Edit1, .field = &M::N3},
    {.menu = &M::Edit1, .field = &M::FontItem, .name = "FontItem", .caption = "&Font",
     .hint = "Change Font", .handler = &M::FontItemClick},
    // Editing commands and display options, after the items above.
    {.menu = &M::Edit1, .field = &M::N4},
    {.menu = &M::Edit1, .field = &M::UndoItem, .name = "UndoItem", .caption = "&Undo",
     .hint = "Undo the last change", .keys = "Ctrl+Z", .handler = &M::UndoItemClick},
    {.menu = &M::Edit1, .field = &M::RedoItem, .name = "RedoItem", .caption = "&Redo",
     .hint = "Redo the last change undone", .keys = "Ctrl+Shift+Z; Ctrl+Y",
     .handler = &M::RedoItemClick},
    {.menu = &M::Edit1, .field = &M::SelectAllItem, .name = "SelectAllItem",
     .caption = "Select A&ll", .hint = "Select the whole text", .keys = "Ctrl+A",
     .handler = &M::SelectAllItemClick},
    // Find Next also serves the find dialog, a window of its own.
    {.menu = &M::Edit1, .field = &M::FindNextItem, .name = "FindNextItem",
     .caption = "Find &Next", .hint = "Find the next occurrence of the search text",
     .keys = "F3", .handler = &M::FindNextItemClick, .keyContext = Qt::ApplicationShortcut},
    {.menu = &M::Edit1, .field = &M::GoToLineItem, .name = "GoToLineItem",
     .caption = "&Go to Line...", .hint = "Move the caret to a line", .keys = "Ctrl+G",
     .handler = &M::GoToLineItemClick},
    {.menu = &M::Edit1, .field = &M::CompleteItem, .name = "CompleteItem",
     .caption = "Co&mplete", .hint = "List the names that can go at the caret",
     .keys = "Ctrl+Space", .handler = &M::CompleteItemClick},
    {.menu = &M::Edit1, .field = &M::N5},
    {.menu = &M::Edit1, .field = &M::LineNumbersItem, .name = "LineNumbersItem",
     .caption = "Line &Numbers", .hint = "Show line numbers beside the text",
     .handler = &M::LineNumbersItemClick, .check = Check::On},
    {.menu = &M::Edit1, .field = &M::HighlightingItem, .name = "HighlightingItem",
     .caption = "&Highlighting", .hint = "Colour Java and HTML files",
     .handler = &M::HighlightingItemClick, .check = Check::On},

    {.menu = &M::Java1, .field = &M::CompileItem, .name = "CompileItem", .caption = "Compile",
     .hint = "Compile Java Code", .keys = "Ctrl+B; F9", .handler = &M::CompileItemClick,
     .button = {&M::CompileBtn, "CompileBtn", 320, 25, "Compile|", qv::ToolIcon::Compile}},
    {.menu = &M::Java1, .field = &M::JavaOptions1, .name = "JavaOptions1",
     .caption = "Java Options", .hint = "Java Options", .handler = &M::JavaOptions1Click,
     .enabling = Enabling::Always},
    {.menu = &M::Java1, .field = &M::CompileAndRunItem, .name = "CompileAndRunItem",
     .caption = "Compile and &Run", .hint = "Compile the program and run it when it compiles",
     .keys = "Ctrl+R", .handler = &M::CompileAndRunItemClick,
     .button = {&M::CompileAndRunBtn, "CompileAndRunBtn", 370, 25, "Compile and Run|",
                qv::ToolIcon::CompileAndRun}},
    {.menu = &M::Java1, .field = &M::StopItem, .name = "StopItem", .caption = "Stop",
     .hint = "Stop the running compile or program", .handler = &M::StopItemClick,
     .button = {&M::StopBtn, "StopBtn", 345, 25, "Stop|", qv::ToolIcon::Stop}},
    {.menu = &M::Java1, .field = &M::NextErrorItem, .name = "NextErrorItem",
     .caption = "Next Error", .hint = "Go to the next message of the last compile, or line of a stack trace",
     .keys = "F8", .handler = &M::NextErrorItemClick},
    {.menu = &M::Java1, .field = &M::PreviousErrorItem, .name = "PreviousErrorItem",
     .caption = "Previous Error", .hint = "Go to the previous message of the last compile, or line of a stack trace",
     .keys = "Shift+F8", .handler = &M::PreviousErrorItemClick},
    {.menu = &M::Java1, .field = &M::N7},
    {.menu = &M::Java1, .field = &M::LiveCheckItem, .name = "LiveCheckItem",
     .caption = "Check While &Typing", .hint = "Mark errors in Java code while it is typed",
     .handler = &M::LiveCheckItemClick, .check = Check::On},

    {.menu = &M::Run1, .field = &M::BrowserItem, .name = "BrowserItem", .caption = "Browser",
     .hint = "", .keys = "Ctrl+Shift+B", .handler = &M::BrowserItemClick,
     .button = {&M::BrowserBtn, "BrowserBtn", 230, 25, "Browser|", qv::ToolIcon::Browser}},
    {.menu = &M::Run1, .field = &M::InterpreterItem, .name = "InterpreterItem",
     .caption = "Interpreter", .hint = "", .keys = "F5", .handler = &M::InterpreterItemClick,
     .button = {&M::InterpreterBtn, "InterpreterBtn", 255, 25, "Interpreter|",
                qv::ToolIcon::Interpreter}},
    {.menu = &M::Run1, .field = &M::RunWithArgumentsItem, .name = "RunWithArgumentsItem",
     .caption = "Run with &Arguments...", .hint = "Run the program with the arguments given",
     .keys = "Shift+F5", .handler = &M::RunWithArgumentsItemClick},
    // The Java shell needs no document: its class path is empty without one.
    {.menu = &M::Run1, .field = &M::N8},
    {.menu = &M::Run1, .field = &M::JavaShellItem, .name = "JavaShellItem",
     .caption = "Java Shell", .hint = "Try Java code a line at a time",
     .handler = &M::JavaShellItemClick, .enabling = Enabling::Always},

    {.menu = &M::Window1, .field = &M::WindowCascadeItem, .name = "WindowCascadeItem",
     .caption = "&Cascade", .hint = "Arrange windows to overlap",
     .handler = &M::WindowCascadeItemClick},
    {.menu = &M::Window1, .field = &M::WindowTileItem, .name = "WindowTileItem",
     .caption = "&Tile", .hint = "Arrange windows without overlap",
     .handler = &M::WindowTileItemClick},
    {.menu = &M::Window1, .field = &M::WindowArrangeItem, .name = "WindowArrangeItem",
     .caption = "&Arrange Icons", .hint = "Arrange window icons at bottom of main window",
     .handler = &M::WindowArrangeItemClick},
    {.menu = &M::Window1, .field = &M::WindowMinimizeItem, .name = "WindowMinimizeItem",
     .caption = "&Minimize All", .hint = "Minimize all windows",
     .handler = &M::WindowMinimizeItemClick},
    // The tabbed view; the frame lists its open child windows after this item.
    {.menu = &M::Window1, .field = &M::N6},
    {.menu = &M::Window1, .field = &M::WindowTabsItem, .name = "WindowTabsItem",
     .caption = "Ta&bs", .hint = "Show the windows as tabs", .handler = &M::WindowTabsItemClick,
     .check = Check::Off},

    {.menu = &M::Help1, .field = &M::HelpAboutItem, .name = "HelpAboutItem",
     .caption = "&About", .hint = "", .handler = &M::HelpAboutItemClick,
     .enabling = Enabling::Always},
};

// A command's tool button. Over it the status line shows the button's own hint, not the long
// hint of the command's menu item, so the pointer's arrival is not passed on to the command
// (its menu would report that as a highlighted item).
class CommandButton : public QToolButton
{
public:
    using QToolButton::QToolButton;

protected:
    void enterEvent(QEnterEvent *event) override
    {
        if (autoRaise())
            update();
        QAbstractButton::enterEvent(event); // NOLINT(bugprone-parent-virtual-call)
    }
};

// The command's action: its field, or for a row without one, the action of that name.
QAction *actionOf(const TMainForm *form, const Command &row)
{
    if (row.field)
        return form->*row.field;
    return form->findChild<QAction *>(QLatin1String(row.name), Qt::FindDirectChildrenOnly);
}

} // namespace

void TMainForm::createCommands()
{
    MainMenu1 = menuBar();
    for (const auto &row : Menus) {
        auto *menu = new QMenu(QLatin1String(row.caption), this);
        if (row.hint)
            qv::setHint(menu->menuAction(), QLatin1String(row.hint));
        this->*row.menu = menu;
    }

    for (const Command &row : Commands) {
        QMenu *menu = this->*row.menu;
        if (!row.caption) {
            this->*row.field = menu->addSeparator();
            continue;
        }
        auto *action = new QAction(QLatin1String(row.caption), this);
        action->setObjectName(QLatin1String(row.name));
        qv::setHint(action, QLatin1String(row.hint));
        if (row.check != Check::None) {
            action->setCheckable(true);
            action->setChecked(row.check == Check::On);
        }
        const auto handler = row.handler;
        connect(action, &QAction::triggered, this, [this, handler] {
            qv::guarded([&] {
                clearCommandMessage();
                (this->*handler)();
            });
        });
        menu->addAction(action);
        if (row.field)
            this->*row.field = action;
    }

    for (const Command &row : Commands) {
        if (!row.keys)
            continue;
        QAction *action = actionOf(this, row);
        action->setShortcuts(QKeySequence::listFromString(QLatin1String(row.keys)));
        action->setShortcutContext(row.keyContext);
    }

    for (const auto &row : Menus)
        MainMenu1->addMenu(this->*row.menu);
    // The frame lists its open child windows below the Window menu's own items.
    connect(Window1, &QMenu::aboutToShow, this, [this] {
        ClientArea->fillWindowMenu(Window1, int(Window1->actions().indexOf(WindowTabsItem)) + 1);
    });
    qv::app()->trackMenuHints(MainMenu1);
}

void TMainForm::createToolButtons()
{
    auto *central = new QWidget(this);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    SpeedPanel = new QWidget(central);
    SpeedPanel->setObjectName(QStringLiteral("SpeedPanel"));
    SpeedPanel->setFixedHeight(30);
    ClientArea = new qv::MdiFrame(central);
    QList<QKeySequence> commandKeys;
    for (const Command &row : Commands) {
        if (row.keys)
            commandKeys += QKeySequence::listFromString(QLatin1String(row.keys));
    }
    ClientArea->leaveKeysToCommands(commandKeys);
    layout->addWidget(SpeedPanel);
    layout->addWidget(ClientArea, 1);
    setCentralWidget(central);

    // From left to right, which is also the order of the keyboard focus.
    std::vector<const Command *> buttoned;
    for (const Command &row : Commands) {
        if (row.button.name)
            buttoned.push_back(&row);
    }
    std::ranges::sort(buttoned, {}, [](const Command *row) { return row->button.left; });
    for (const Command *row : buttoned) {
        const ToolButton &b = row->button;
        QAction *action = actionOf(this, *row);
        // The button shows its command's picture and tip, and follows its enabling; the
        // picture stays out of the menu.
        action->setIcon(qv::toolIcon(b.icon));
        action->setIconVisibleInMenu(false);
        action->setToolTip(qv::hintShortPart(QLatin1String(b.hint)));
        auto *button = new CommandButton(SpeedPanel);
        button->setObjectName(QLatin1String(b.name));
        button->setGeometry(b.left, 2, b.width, 25);
        button->setIconSize(QSize(16, 16));
        button->setAutoRaise(true);
        button->setDefaultAction(action);
        qv::setHint(button, QLatin1String(b.hint));
        this->*b.field = button;
    }
}

void TMainForm::UpdateMenuItems()
{
    const bool any = ClientArea->childCount() > 0;
    for (const Command &row : Commands) {
        if (row.caption && row.enabling == Enabling::WhileAChildExists)
            actionOf(this, row)->setEnabled(any);
    }
}
