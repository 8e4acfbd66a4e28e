#pragma once

#include <QFont>
#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <memory>

class Completer;
class LiveChecker;
class QLabel;
class QMenu;
class QToolButton;
class TMDIChild;
class TCompOutForm;
class TRunConsoleForm;
class TShellForm;
struct Diagnostic;
struct ShellContext;
struct StackFrame;

namespace qv {
class FileDialog;
class FindDialog;
class FontDialog;
class TextControl;
class IniFile;
class MdiFrame;
class ReplaceDialog;
} // namespace qv

// The main window: a multiple-document frame that holds every command of the workbench.
// Its controls and handlers are public so that tests can drive it as a user would.
class TMainForm : public QMainWindow
{
    Q_OBJECT

public:
    explicit TMainForm(const QStringList &arguments = {});
    ~TMainForm() override;

    // Fields
    QString LastFileName;
    QString StartupFile;
    bool IniExists = false;
    std::unique_ptr<qv::IniFile> IniFile;
    std::unique_ptr<QFont> EditorFont;

    // Menus and their items
    QMenuBar *MainMenu1 = nullptr;
    QMenu *File1 = nullptr;
    QAction *FileNewItem = nullptr;
    QAction *FileOpenItem = nullptr;
    QAction *FileCloseItem = nullptr;
    QAction *FileSaveItem = nullptr;
    QAction *FileSaveAsItem = nullptr;
    QAction *N1 = nullptr;
    QAction *FileExitItem = nullptr;
    QMenu *Edit1 = nullptr;
    QAction *CutItem = nullptr;
    QAction *CopyItem = nullptr;
    QAction *PasteItem = nullptr;
    QAction *N2 = nullptr;
    QAction *SearchItem = nullptr;
    QAction *ReplaceItem = nullptr;
    QAction *N3 = nullptr;
    QAction *FontItem = nullptr;
    QMenu *Java1 = nullptr;
    QAction *CompileItem = nullptr;
    QAction *JavaOptions1 = nullptr;
    QAction *CompileAndRunItem = nullptr;
    QAction *StopItem = nullptr;
    QAction *NextErrorItem = nullptr;
    QAction *PreviousErrorItem = nullptr;
    QMenu *Run1 = nullptr;
    QAction *BrowserItem = nullptr;
    QAction *InterpreterItem = nullptr;
    QAction *RunWithArgumentsItem = nullptr;
    QMenu *Window1 = nullptr;
    QAction *WindowCascadeItem = nullptr;
    QAction *WindowTileItem = nullptr;
    QAction *WindowArrangeItem = nullptr;
    QAction *WindowMinimizeItem = nullptr;
    QMenu *Help1 = nullptr;
    QAction *HelpAboutItem = nullptr;
    // Added after the standard items: editing commands and display options at the end of
    // the Edit menu, the tabbed view at the end of the Window menu's own items.
    QAction *N4 = nullptr;
    QAction *UndoItem = nullptr;
    QAction *RedoItem = nullptr;
    QAction *SelectAllItem = nullptr;
    QAction *FindNextItem = nullptr;
    QAction *GoToLineItem = nullptr;
    QAction *CompleteItem = nullptr;
    QAction *N5 = nullptr;
    QAction *LineNumbersItem = nullptr;
    QAction *HighlightingItem = nullptr;
    QAction *N6 = nullptr;
    QAction *WindowTabsItem = nullptr;
    // Checking while typing, at the end of the Java menu.
    QAction *N7 = nullptr;
    QAction *LiveCheckItem = nullptr;
    // The Java shell, at the end of the Run menu.
    QAction *N8 = nullptr;
    QAction *JavaShellItem = nullptr;
    // The last-file entry and its separator, inserted by NewMenu.
    QAction *LastFileSeparator = nullptr;
    QAction *LastFileItem = nullptr;

    // Tool bar
    QWidget *SpeedPanel = nullptr;
    QToolButton *NewBtn = nullptr;
    QToolButton *OpenBtn = nullptr;
    QToolButton *SaveBtn = nullptr;
    QToolButton *CutBtn = nullptr;
    QToolButton *CopyBtn = nullptr;
    QToolButton *PasteBtn = nullptr;
    QToolButton *SearchBtn = nullptr;
    QToolButton *ReplaceBtn = nullptr;
    QToolButton *BrowserBtn = nullptr;
    QToolButton *InterpreterBtn = nullptr;
    QToolButton *CompileBtn = nullptr;
    QToolButton *StopBtn = nullptr;
    QToolButton *CompileAndRunBtn = nullptr;
    QToolButton *ExitBtn = nullptr;

    // Checks Java documents as they are typed.
    LiveChecker *LiveCheck = nullptr;
    Completer *Completion = nullptr;
    // The one Java Shell window, and the inputs given to it while the workbench runs.
    QPointer<TShellForm> ShellWindow;
    QStringList ShellHistory;

    // Status line (one simple text) and the frame's client area
    QLabel *StatusBar = nullptr;
    qv::MdiFrame *ClientArea = nullptr;

    // Dialogs
    qv::FileDialog *OpenDialog = nullptr;
    qv::FileDialog *SaveDialog1 = nullptr;
    qv::FontDialog *FontDialog1 = nullptr;
    qv::FindDialog *FindDialog1 = nullptr;
    qv::ReplaceDialog *ReplaceDialog1 = nullptr;

    // Window events
    void FormCreate();
    void FormShow();
    bool FormClose(); // false keeps the main window open
    void FormDestroy();

    // Shell
    void ShowHint();
    void UpdateMenuItems();
    void NewMenu();
    void FileOpenLastItemClick();
    void WindowCascadeItemClick();
    void WindowTileItemClick();
    void WindowArrangeItemClick();
    void WindowMinimizeItemClick();
    void HelpAboutItemClick();

    // Documents
    void OpenDocument(const QString &name, bool load);
    void FileNewItemClick();
    void FileOpenItemClick();
    void FileCloseItemClick();
    void FileSaveItemClick();
    void FileSaveAsItemClick();
    void FileExitItemClick();
    // Offers to reload the active document when another program changed its file.
    void CheckActiveDocumentOnDisk();
    void CutItemClick();
    void CopyItemClick();
    void PasteItemClick();
    void FontItemClick();

    // Search and replace; sender is FindDialog1 or ReplaceDialog1.
    void SearchItemClick();
    void ReplaceItemClick();
    bool FindDialog1Find(qv::FindDialog *sender);
    void ReplaceDialog1Replace();

    // Editing commands and display options (EditCommands.cpp)
    void UndoItemClick();
    void RedoItemClick();
    void SelectAllItemClick();
    void FindNextItemClick();
    void GoToLineItemClick();
    void CompleteItemClick();
    void LineNumbersItemClick();
    void HighlightingItemClick();
    void LiveCheckItemClick();
    // Highlighting chosen by the document's name, line numbers, and the command keys.
    void applyEditorOptions(TMDIChild *document);
    void loadEditorSettings();
    // A note in the status line that stays until the next command.
    void showCommandMessage(const QString &text);
    void clearCommandMessage();

    // The tabbed view (Windows.cpp)
    void WindowTabsItemClick();
    // A position read from the settings that shows no part of the window's title bar on any
    // screen is moved onto the nearest screen; the size stays.
    void keepOnScreen();

    // Settings
    void LoadSettings();
    void FirstRun();
    void SaveSettings();
    void JavaOptions1Click();
    // The options as shown: the compiler's option arguments, one blank between them.
    QString BuildCompilerOptions() const;
    // The options as the compiler gets them, each entry one argument.
    QStringList BuildCompilerArguments() const;
    QString FlagsToString() const;
    void ApplyFlagsString(const QString &flags);

    // Java tools
    void CompileItemClick();
    void BrowserItemClick();
    void InterpreterItemClick();
    // Asks for the program's arguments, remembers them for the file, and runs it.
    void RunWithArgumentsItemClick();
    // Compiles the document as Compile does and, when it compiled cleanly, runs it as
    // Interpreter does, without the report of the compile; an output window stands for its
    // document too.
    void CompileAndRunItemClick();
    void RunTool(const QString &program, const QString &argument, int showState);
    // Ends the compiles and runs of the active document, or of the active output or run
    // window.
    void StopItemClick();
    // Opens the Java Shell window, or brings it to the front.
    void JavaShellItemClick();
    // What a shell starts with: the current Java document's run class path and its sources.
    ShellContext shellContext() const;

    // Diagnostics of the last compile: the next and previous one of the active document (or
    // of the output window's document), and the place one chosen in an output window names.
    void NextErrorItemClick();
    void PreviousErrorItemClick();
    void ShowChosenDiagnostic(TCompOutForm *output, const Diagnostic &diagnostic);

    // The frame's active child window; the same when it is a document window; its text control
    // (document or output window).
    QWidget *activeChild() const;
    TMDIChild *activeDocument() const;
    qv::TextControl *activeTextControl() const;
    // The document the Java commands act on: the active document, or the document whose run
    // window is active.
    TMDIChild *javaTarget() const;
    // A Java document by its name, or a new one whose text declares a class.
    bool isJavaDocument(const TMDIChild *document) const;

protected:
    void setVisible(bool visible) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // The menus, their items and shortcuts, and the tool buttons, from the table of commands
    // (Commands.cpp).
    void createCommands();
    void createToolButtons();
    void createStatusLine();
    void createDialogs();
    void connectTabbedView();
    // Writes a display option to the settings and applies it to the open documents.
    void saveEditorOption(const QString &key, const QAction *item);
    void saveTabbedView();
    bool queryChildren();
    void runInConsole(TMDIChild *document, const QStringList &arguments,
                      const QString &className);
    void runInterpreter();
    // Runs the document's program, or, without a document, what the child's caption names.
    void runInterpreterOn(QWidget *child, TMDIChild *document);
    // Compiling: the questions asked first, then the compiler started on the document's
    // program; the output window, or null when the command ended before.
    TCompOutForm *compileDocument(TMDIChild *document);
    // Save As for a document never saved, proposing its public class's file name in the
    // folder last used; false when cancelled.
    bool saveUnderNewName(TMDIChild *document);
    // Offers the other modified Java documents under the source root for saving, in one
    // question; false on Cancel.
    bool saveOtherDocuments(const TMDIChild *document, const QString &root);
    void stepDiagnostic(int step);
    // The stack traces a run window shows (Diagnostics.cpp): a chosen frame followed to its
    // line, the innermost frame in the program's files marked when the program has ended
    // (or when its file opens later), F8 through the frames of the last run that printed one; all forgotten when the
    // document is compiled or run again.
    void followFrame(TRunConsoleForm *console, const StackFrame &frame);
    void markTrace(TRunConsoleForm *console);
    void showTraceMarks(TMDIChild *opened);
    bool stepTrace(int step);
    void forgetTrace(const TMDIChild *owner);
    void showKeptDiagnostic(TMDIChild *owner, int index);
    // Shows the line and column in target, or else in a new window with the file.
    void goToPlace(TMDIChild *target, const QString &path, int line, int column);
    void placeAtFirstShow();

    QStringList m_arguments;
    // The arguments last given to each file's program, by absolute file name.
    QHash<QString, QString> m_programArguments;
    bool m_shown = false;
    bool m_messageShown = false;
};

extern TMainForm *MainForm;
