#include "MainForm.h"

#include "About.h"
#include "Completion.h"
#include "LiveCheck.h"
#include "editor/Childwin.h"
#include "toolchain/compunit.h"

#include "platform/application.h"
#include "platform/boxes.h"
#include "platform/dialogs.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/finddialogs.h"
#include "platform/mdiframe.h"
#include "platform/profile.h"
#include "platform/termination.h"
#include "platform/textcontrol.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QStatusBar>

#include <algorithm>

TMainForm *MainForm = nullptr;

TMainForm::TMainForm(const QStringList &arguments)
    : m_arguments(arguments)
{
    setWindowTitle(QStringLiteral("Quorvel"));
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    move(187, 121);
    resize(435, 297);

    createCommands();
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
    Completion = new Completer(this, LiveCheck);
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
    if (load)
        showTraceMarks(child);
    LiveCheck->documentOpened(child);
    Completion->documentOpened(child);
}
