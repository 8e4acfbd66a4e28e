#include "MainForm.h"

#include "About.h"
#include "LiveCheck.h"
#include "editor/Childwin.h"
#include "toolchain/compunit.h"

#include "platform/application.h"
#include "platform/boxes.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/finddialogs.h"
#include "platform/icons.h"
#include "platform/mdiframe.h"
#include "platform/profile.h"
#include "platform/termination.h"
#include "platform/textcontrol.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

TMainForm *MainForm = nullptr;

TMainForm::TMainForm(const QStringList &arguments)
    : m_arguments(arguments)
{
    setWindowTitle(QStringLiteral("Quorvel"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    move(187, 121);
    resize(435, 297);

    createActions();
    createMenus();
    createToolButtons();
    createStatusLine();
    createDialogs();
    connectTabbedView();
    FormCreate();
}

TMainForm::~TMainForm()
{
    FormDestroy();
}

QAction *TMainForm::addItem(QMenu *menu, const QString &name, const QString &caption,
                            const QString &hint, void (TMainForm::*handler)())
{
    auto *action = new QAction(caption, this);
    action->setObjectName(name);
    qv::setHint(action, hint);
    connect(action, &QAction::triggered, this, [this, handler] {
        qv::guarded([&] {
            clearCommandMessage();
            (this->*handler)();
        });
    });
    if (menu)
        menu->addAction(action);
    return action;
}

void TMainForm::createActions()
{
    MainMenu1 = menuBar();
    File1 = new QMenu(QStringLiteral("&File"), this);
    Edit1 = new QMenu(QStringLiteral("&Edit"), this);
    Java1 = new QMenu(QStringLiteral("Java"), this);
    Run1 = new QMenu(QStringLiteral("Run"), this);
    Window1 = new QMenu(QStringLiteral("&Window"), this);
    Help1 = new QMenu(QStringLiteral("&Help"), this);
    qv::setHint(File1->menuAction(), QStringLiteral("File related commands"));
    qv::setHint(Window1->menuAction(),
                QStringLiteral("Window related commands such as Tile and Cascade"));
    qv::setHint(Help1->menuAction(), QStringLiteral("Help topics"));

    FileNewItem = addItem(File1, QStringLiteral("FileNewItem"), QStringLiteral("&New"),
                          QStringLiteral("Create a new file"), &TMainForm::FileNewItemClick);
    FileOpenItem = addItem(File1, QStringLiteral("FileOpenItem"), QStringLiteral("&Open"),
                           QStringLiteral("Open an existing file"),
                           &TMainForm::FileOpenItemClick);
    FileCloseItem = addItem(File1, QStringLiteral("FileCloseItem"), QStringLiteral("&Close"),
                            QStringLiteral("Close current file"),
                            &TMainForm::FileCloseItemClick);
    FileSaveItem = addItem(File1, QStringLiteral("FileSaveItem"), QStringLiteral("&Save"),
                           QStringLiteral("Save current file"), &TMainForm::FileSaveItemClick);
    FileSaveAsItem = addItem(File1, QStringLiteral("FileSaveAsItem"),
                             QStringLiteral("Save &As..."),
                             QStringLiteral("Save current file as..."),
                             &TMainForm::FileSaveAsItemClick);
    N1 = File1->addSeparator();
    FileExitItem = addItem(File1, QStringLiteral("FileExitItem"), QStringLiteral("E&xit"),
                           QStringLiteral("Exit the application"),
                           &TMainForm::FileExitItemClick);

    CutItem = addItem(Edit1, QStringLiteral("CutItem"), QStringLiteral("Cu&t"),
                      QStringLiteral("Cut to clipboard"), &TMainForm::CutItemClick);
    CopyItem = addItem(Edit1, QStringLiteral("CopyItem"), QStringLiteral("&Copy"),
                       QStringLiteral("Copy to clipboard"), &TMainForm::CopyItemClick);
    PasteItem = addItem(Edit1, QStringLiteral("PasteItem"), QStringLiteral("&Paste"),
                        QStringLiteral("Paste from clipboard"), &TMainForm::PasteItemClick);
    N2 = Edit1->addSeparator();
    SearchItem = addItem(Edit1, QStringLiteral("SearchItem"), QStringLiteral("Search"),
                         QStringLiteral("Search for text"), &TMainForm::SearchItemClick);
    ReplaceItem = addItem(Edit1, QStringLiteral("ReplaceItem"), QStringLiteral("Replace"),
                          QStringLiteral("Replace text"), &TMainForm::ReplaceItemClick);
    N3 = Edit1->addSeparator();
    FontItem = addItem(Edit1, QStringLiteral("FontItem"), QStringLiteral("&Font"),
                       QStringLiteral("Change Font"), &TMainForm::FontItemClick);

    CompileItem = addItem(Java1, QStringLiteral("CompileItem"), QStringLiteral("Compile"),
                          QStringLiteral("Compile Java Code"), &TMainForm::CompileItemClick);
    JavaOptions1 = addItem(Java1, QStringLiteral("JavaOptions1"),
                           QStringLiteral("Java Options"), QStringLiteral("Java Options"),
                           &TMainForm::JavaOptions1Click);
    StopItem = addItem(Java1, QStringLiteral("StopItem"), QStringLiteral("Stop"),
                       QStringLiteral("Stop the running compile or program"),
                       &TMainForm::StopItemClick);
    NextErrorItem = addItem(Java1, QStringLiteral("NextErrorItem"), QStringLiteral("Next Error"),
                            QStringLiteral("Go to the next message of the last compile"),
                            &TMainForm::NextErrorItemClick);
    NextErrorItem->setShortcut(Qt::Key_F8);
    PreviousErrorItem = addItem(Java1, QStringLiteral("PreviousErrorItem"),
                                QStringLiteral("Previous Error"),
                                QStringLiteral("Go to the previous message of the last compile"),
                                &TMainForm::PreviousErrorItemClick);
    PreviousErrorItem->setShortcut(Qt::SHIFT | Qt::Key_F8);

    BrowserItem = addItem(Run1, QStringLiteral("BrowserItem"), QStringLiteral("Browser"),
                          QString(), &TMainForm::BrowserItemClick);
    InterpreterItem = addItem(Run1, QStringLiteral("InterpreterItem"),
                              QStringLiteral("Interpreter"), QString(),
                              &TMainForm::InterpreterItemClick);

    WindowCascadeItem = addItem(Window1, QStringLiteral("WindowCascadeItem"),
                                QStringLiteral("&Cascade"),
                                QStringLiteral("Arrange windows to overlap"),
                                &TMainForm::WindowCascadeItemClick);
    WindowTileItem = addItem(Window1, QStringLiteral("WindowTileItem"), QStringLiteral("&Tile"),
                             QStringLiteral("Arrange windows without overlap"),
                             &TMainForm::WindowTileItemClick);
    WindowArrangeItem = addItem(Window1, QStringLiteral("WindowArrangeItem"),
                                QStringLiteral("&Arrange Icons"),
                                QStringLiteral("Arrange window icons at bottom of main window"),
                                &TMainForm::WindowArrangeItemClick);
    WindowMinimizeItem = addItem(Window1, QStringLiteral("WindowMinimizeItem"),
                                 QStringLiteral("&Minimize All"),
                                 QStringLiteral("Minimize all windows"),
                                 &TMainForm::WindowMinimizeItemClick);

    HelpAboutItem = addItem(Help1, QStringLiteral("HelpAboutItem"), QStringLiteral("&About"),
                            QString(), &TMainForm::HelpAboutItemClick);
    createEditorActions();
}

void TMainForm::createMenus()
{
    for (QMenu *menu : {File1, Edit1, Java1, Run1, Window1, Help1})
        MainMenu1->addMenu(menu);
    // The frame lists its open child windows below the Window menu's own items.
    connect(Window1, &QMenu::aboutToShow, this, [this] {
        ClientArea->fillWindowMenu(Window1, int(Window1->actions().indexOf(WindowTabsItem)) + 1);
    });
    qv::app()->trackMenuHints(MainMenu1);
}

QToolButton *TMainForm::addToolButton(const QString &name, int left, int width,
                                      const QString &hint, void (TMainForm::*handler)())
{
    auto *button = new QToolButton(SpeedPanel);
    button->setObjectName(name);
    button->setGeometry(left, 2, width, 25);
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(true);
    qv::setHint(button, hint);
    connect(button, &QToolButton::clicked, this, [this, handler] {
        qv::guarded([&] {
            clearCommandMessage();
            (this->*handler)();
        });
    });
    return button;
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
    layout->addWidget(SpeedPanel);
    layout->addWidget(ClientArea, 1);
    setCentralWidget(central);

    struct Button {
        QToolButton *TMainForm::*field;
        const char *name;
        int left;
        int width;
        const char *hint;
        qv::ToolIcon icon;
        void (TMainForm::*handler)();
    };
    const Button buttons[] = {
        {&TMainForm::NewBtn, "NewBtn", 3, 25, "New|", qv::ToolIcon::New,
         &TMainForm::FileNewItemClick},
        {&TMainForm::OpenBtn, "OpenBtn", 28, 25, "Open|", qv::ToolIcon::Open,
         &TMainForm::FileOpenItemClick},
        {&TMainForm::SaveBtn, "SaveBtn", 52, 25, "Save|", qv::ToolIcon::Save,
         &TMainForm::FileSaveItemClick},
        {&TMainForm::CutBtn, "CutBtn", 87, 25, "Cut|", qv::ToolIcon::Cut,
         &TMainForm::CutItemClick},
        {&TMainForm::CopyBtn, "CopyBtn", 111, 25, "Copy|", qv::ToolIcon::Copy,
         &TMainForm::CopyItemClick},
        {&TMainForm::PasteBtn, "PasteBtn", 135, 25, "Paste|", qv::ToolIcon::Paste,
         &TMainForm::PasteItemClick},
        {&TMainForm::SearchBtn, "SearchBtn", 170, 25, "Search|", qv::ToolIcon::Search,
         &TMainForm::SearchItemClick},
        {&TMainForm::ReplaceBtn, "ReplaceBtn", 195, 25, "Replace|", qv::ToolIcon::Replace,
         &TMainForm::ReplaceItemClick},
        {&TMainForm::BrowserBtn, "BrowserBtn", 230, 25, "Browser|", qv::ToolIcon::Browser,
         &TMainForm::BrowserItemClick},
        {&TMainForm::InterpreterBtn, "InterpreterBtn", 255, 25, "Interpreter|",
         qv::ToolIcon::Interpreter, &TMainForm::InterpreterItemClick},
        {&TMainForm::CompileBtn, "CompileBtn", 320, 25, "Compile|", qv::ToolIcon::Compile,
         &TMainForm::CompileItemClick},
        {&TMainForm::StopBtn, "StopBtn", 345, 25, "Stop|", qv::ToolIcon::Stop,
         &TMainForm::StopItemClick},
        {&TMainForm::ExitBtn, "ExitBtn", 400, 22, "Exit|", qv::ToolIcon::Exit,
         &TMainForm::FileExitItemClick},
    };
    for (const Button &b : buttons) {
        QToolButton *button = addToolButton(QLatin1String(b.name), b.left, b.width,
                                            QLatin1String(b.hint), b.handler);
        button->setIcon(qv::toolIcon(b.icon));
        this->*b.field = button;
    }
}

void TMainForm::createStatusLine()
{
    StatusBar = new QLabel(this);
    StatusBar->setObjectName(QStringLiteral("StatusBar"));
    QPalette black = StatusBar->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    StatusBar->setPalette(black);
    statusBar()->addWidget(StatusBar, 1);
    statusBar()->setFixedHeight(19);
    statusBar()->setSizeGripEnabled(false);
}

void TMainForm::createDialogs()
{
    OpenDialog = new qv::FileDialog(qv::FileDialog::Open, this);
    OpenDialog->setFilter(QStringLiteral("Java file (*.java,*.jav)|*.java;*.jav|"
                                         "Html file (*.html, *.htm)|*.html;*.htm|"
                                         "All files (*.*)|*.*"));
    SaveDialog1 = new qv::FileDialog(qv::FileDialog::Save, this);
    FontDialog1 = new qv::FontDialog(this);
    FindDialog1 = new qv::FindDialog(this);
    ReplaceDialog1 = new qv::ReplaceDialog(this);
    connect(FindDialog1, &qv::FindDialog::find, this, [this] {
        qv::guarded([this] { FindDialog1Find(FindDialog1); });
    });
    connect(ReplaceDialog1, &qv::FindDialog::find, this, [this] {
        qv::guarded([this] { FindDialog1Find(ReplaceDialog1); });
    });
    connect(ReplaceDialog1, &qv::ReplaceDialog::replace, this, [this] {
        qv::guarded([this] { ReplaceDialog1Replace(); });
    });
}

void TMainForm::FormCreate()
{
    connect(qv::app(), &qv::Application::hintChanged, this, &TMainForm::ShowHint);
    connect(qv::app(), &qv::Application::activeWindowChanged, this,
            &TMainForm::UpdateMenuItems);
    connect(qv::app(), &qv::Application::activeWindowChanged, this,
            &TMainForm::CheckActiveDocumentOnDisk);
    EditorFont = std::make_unique<QFont>(QStringLiteral("MS Sans Serif"), 8);
    IniExists = qv::fileExists(qv::settingsDirectory() + qv::PathSeparator
                               + QStringLiteral("QUORVEL.INI"));
    IniFile = std::make_unique<qv::IniFile>(QStringLiteral("QUORVEL.INI"));
    LiveCheck = new LiveChecker(this);
    connect(qv::app(), &qv::Application::activeWindowChanged, LiveCheck,
            &LiveChecker::activeChanged);
    LastFileName.clear();
    StartupFile = m_arguments.value(0);
    UpdateMenuItems();
}

void TMainForm::setVisible(bool visible)
{
    if (visible && !m_shown) {
        m_shown = true;
        FormShow();
    }
    QMainWindow::setVisible(visible);
}

void TMainForm::FormShow()
{
    // Said once: a settings file that cannot be read gives the defaults, and a compiler
    // path left empty would otherwise fail the first compile with no reason given.
    if (IniFile->unreadable())
        qv::messageBox(QStringLiteral("%1 could not be read.\rThe default settings are in use.")
                           .arg(IniFile->path()));
    qv::guarded([this] {
        if (IniExists)
            LoadSettings();
        else
            FirstRun();
        if (!StartupFile.isEmpty()) {
            OpenDocument(StartupFile, true);
            StartupFile.clear();
            if (QWidget *child = activeChild())
                LastFileName = child->windowTitle();
        }
    });
    if (!IniExists)
        placeAtFirstShow();
}

void TMainForm::placeAtFirstShow()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QSize available = screen->size();
    move(std::max(0, (available.width() - width()) / 2),
         std::max(0, (available.height() - height()) / 2));
}

bool TMainForm::queryChildren()
{
    for (QWidget *child : ClientArea->childWindows()) {
        auto *form = qobject_cast<qv::ChildForm *>(child);
        if (form && !form->queryClose())
            return false;
    }
    return true;
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    bool closed = false;
    qv::guarded([&] {
        if (!queryChildren())
            return;
        closed = FormClose();
    });
    event->setAccepted(closed);
    if (closed)
        qv::app()->endRunLoop();
}

// Settings that cannot be written must not keep the user in the program: after the error box
// the user may quit anyway, and a termination signal ends the program without asking.
bool TMainForm::FormClose()
{
    try {
        SaveSettings();
    } catch (const qv::Error &error) {
        if (qv::closingOnSignal()) {
            qWarning("%s", qUtf8Printable(error.message()));
            return true;
        }
        qv::errorBox(error.message());
        return qv::confirm(QStringLiteral("Quit without saving the settings?")) == qv::Answer::Yes;
    }
    return true;
}

void TMainForm::FormDestroy()
{
    disconnect(qv::app(), &qv::Application::activeWindowChanged, this,
               &TMainForm::UpdateMenuItems);
    disconnect(qv::app(), &qv::Application::activeWindowChanged, this,
               &TMainForm::CheckActiveDocumentOnDisk);
    disconnect(qv::app(), nullptr, LiveCheck, nullptr);
    EditorFont.reset();
    IniFile.reset();
}

void TMainForm::ShowHint()
{
    StatusBar->setText(qv::app()->hint());
}

void TMainForm::UpdateMenuItems()
{
    const bool any = ClientArea->childCount() > 0;
    const QList<QAction *> items = {FileCloseItem, FileSaveItem, FileSaveAsItem, CutItem,
                                    CopyItem, PasteItem, FontItem, SearchItem, ReplaceItem,
                                    CompileItem, BrowserItem, InterpreterItem, StopItem,
                                    NextErrorItem, PreviousErrorItem};
    for (QAction *item : items)
        item->setEnabled(any);
    const QList<QToolButton *> buttons = {SaveBtn, CutBtn, CopyBtn, PasteBtn, SearchBtn,
                                          ReplaceBtn, CompileBtn, BrowserBtn, InterpreterBtn,
                                          StopBtn};
    for (QToolButton *button : buttons)
        button->setEnabled(any);
    for (QAction *item : {WindowCascadeItem, WindowTileItem, WindowArrangeItem,
                          WindowMinimizeItem})
        item->setEnabled(any);
    for (QAction *item : addedItems())
        item->setEnabled(any);
}

void TMainForm::NewMenu()
{
    if (LastFileName.isEmpty())
        return;
    const QList<QAction *> items = File1->actions();
    LastFileSeparator = new QAction(File1);
    LastFileSeparator->setSeparator(true);
    File1->insertAction(items.value(5), LastFileSeparator);
    QString caption = LastFileName;
    LastFileItem = new QAction(caption.replace(u'&', QStringLiteral("&&")), File1);
    LastFileItem->setData(LastFileName);
    connect(LastFileItem, &QAction::triggered, this, [this] {
        qv::guarded([this] { FileOpenLastItemClick(); });
    });
    File1->insertAction(items.value(5), LastFileItem);
}

void TMainForm::FileOpenLastItemClick()
{
    // The entry opens the file it shows, so that it never opens a file other than the one
    // it names.
    OpenDocument(LastFileItem->data().toString(), true);
}

void TMainForm::WindowCascadeItemClick()
{
    ClientArea->cascade();
}

void TMainForm::WindowTileItemClick()
{
    ClientArea->tileHorizontally();
}

void TMainForm::WindowArrangeItemClick()
{
    ClientArea->arrangeIcons();
}

void TMainForm::WindowMinimizeItemClick()
{
    const QList<QWidget *> children = ClientArea->childWindows();
    for (qsizetype i = children.size() - 1; i >= 0; --i)
        ClientArea->minimize(children[i]);
}

void TMainForm::HelpAboutItemClick()
{
    AboutBox->exec();
}

QWidget *TMainForm::activeChild() const
{
    return ClientArea->activeChild();
}

TMDIChild *TMainForm::activeDocument() const
{
    return qobject_cast<TMDIChild *>(activeChild());
}

qv::TextControl *TMainForm::activeTextControl() const
{
    QWidget *child = activeChild();
    if (auto *document = qobject_cast<TMDIChild *>(child))
        return document->RichEdit1;
    if (auto *output = qobject_cast<TCompOutForm *>(child))
        return output->RichEdit1;
    return nullptr;
}

void TMainForm::OpenDocument(const QString &name, bool load)
{
    if (load && !mayOpenDocument(name))
        return;
    auto *child = new TMDIChild;
    qv::app()->own(child);
    child->setCaption(name);
    ClientArea->addChild(child);
    applyEditorOptions(child);
    if (load && child->LoadDocument(*EditorFont) && child->RichEdit1->tooLargeToHighlight())
        showCommandMessage(QStringLiteral("Highlighting is off for this file: it is too large"));
    LiveCheck->documentOpened(child);
}
