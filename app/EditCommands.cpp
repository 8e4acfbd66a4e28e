// Editing commands and display options added to the Edit menu, and the status-line note that
// a command leaves until the next one.
#include "MainForm.h"

#include "Completion.h"
#include "LiveCheck.h"
#include "toolchain/shellpane.h"

#include "editor/Childwin.h"
#include "toolchain/livecheck.h"

#include "platform/application.h"
#include "platform/boxes.h"
#include "platform/dialogs.h"
#include "platform/finddialogs.h"
#include "platform/mdiframe.h"
#include "platform/profile.h"
#include "platform/textcontrol.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QSignalBlocker>

#include <algorithm>

namespace {

const QString EditorSection = QStringLiteral("Editor");

bool parseLineColumn(const QString &text, int &line, int &column)
{
    static const QRegularExpression form(QStringLiteral("^\\s*(\\d{1,9})\\s*(?::\\s*(\\d{1,9})\\s*)?$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return false;
    line = match.captured(1).toInt();
    column = match.captured(2).isEmpty() ? 1 : match.captured(2).toInt();
    return line >= 1;
}

qv::Highlighting highlightingFor(const QString &fileName)
{
    if (isJavaFileName(fileName))
        return qv::Highlighting::Java;
    const QString name = fileName.toLower();
    if (name.endsWith(QLatin1String(".html")) || name.endsWith(QLatin1String(".htm")))
        return qv::Highlighting::Html;
    return qv::Highlighting::Plain;
}

} // namespace

void TMainForm::connectTabbedView()
{
    // The arrangement commands return to overlapping windows; the item and the stored
    // choice follow.
    connect(ClientArea, &qv::MdiFrame::tabbedChanged, this, [this](bool tabbed) {
        WindowTabsItem->setChecked(tabbed);
        qv::guarded([this] { saveTabbedView(); });
    });
}

void TMainForm::applyEditorOptions(TMDIChild *document)
{
    qv::TextControl *edit = document->RichEdit1;
    edit->setLineNumbersShown(LineNumbersItem->isChecked());
    edit->setHighlighting(HighlightingItem->isChecked() ? highlightingFor(document->caption())
                                                        : qv::Highlighting::Plain);
    QList<QKeySequence> taken;
    for (QMenu *menu : {File1, Edit1, Java1, Run1, Window1, Help1}) {
        for (const QAction *action : menu->actions())
            taken += action->shortcuts();
    }
    edit->leaveKeysToCommands(taken);
}

void TMainForm::loadEditorSettings()
{
    LineNumbersItem->setChecked(
        IniFile->readInteger(EditorSection, QStringLiteral("LineNumbers"), 1) != 0);
    HighlightingItem->setChecked(
        IniFile->readInteger(EditorSection, QStringLiteral("Highlighting"), 1) != 0);
    LiveCheckItem->setChecked(
        IniFile->readInteger(EditorSection, QStringLiteral("LiveCheck"), 1) != 0);
    LiveCheck->setEnabled(LiveCheckItem->isChecked());
    const QSignalBlocker quiet(ClientArea);
    ClientArea->setTabbed(IniFile->readInteger(EditorSection, QStringLiteral("Tabs"), 0) != 0);
    WindowTabsItem->setChecked(ClientArea->isTabbed());
}

void TMainForm::saveTabbedView()
{
    IniFile->writeInteger(EditorSection, QStringLiteral("Tabs"), ClientArea->isTabbed() ? 1 : 0);
}

void TMainForm::showCommandMessage(const QString &text)
{
    StatusBar->setText(text);
    m_messageShown = true;
}

void TMainForm::clearCommandMessage()
{
    if (!m_messageShown)
        return;
    m_messageShown = false;
    StatusBar->setText(qv::app()->hint());
}

void TMainForm::UndoItemClick()
{
    if (qv::TextControl *edit = activeTextControl())
        edit->undo();
}

void TMainForm::RedoItemClick()
{
    if (qv::TextControl *edit = activeTextControl())
        edit->redo();
}

void TMainForm::SelectAllItemClick()
{
    if (qv::TextControl *edit = activeTextControl())
        edit->selectAll();
}

void TMainForm::FindNextItemClick()
{
    if (FindDialog1->isVisible())
        FindDialog1Find(FindDialog1);
    else if (ReplaceDialog1->isVisible())
        FindDialog1Find(ReplaceDialog1);
    else
        SearchItemClick();
}

void TMainForm::GoToLineItemClick()
{
    qv::TextControl *edit = activeTextControl();
    if (!edit)
        return;
    const int caretLine = edit->lineFromPosition(edit->selStart());
    QString answer = QString::number(caretLine + 1);
    if (!qv::askText(this, QStringLiteral("Go to Line"),
                     QStringLiteral("Line (1 to %1), or line:column:").arg(edit->lineCount()),
                     answer))
        return;
    int line = 0;
    int column = 0;
    if (!parseLineColumn(answer, line, column)) {
        qv::beep();
        return;
    }
    edit->gotoLineColumn(std::min(line, edit->lineCount()) - 1, column);
    edit->setFocus();
}

void TMainForm::LineNumbersItemClick()
{
    saveEditorOption(QStringLiteral("LineNumbers"), LineNumbersItem);
}

void TMainForm::HighlightingItemClick()
{
    saveEditorOption(QStringLiteral("Highlighting"), HighlightingItem);
}

void TMainForm::CompleteItemClick()
{
    // The Java Shell completes from its own state.
    if (ShellWindow && activeChild() == ShellWindow.data()) {
        ShellWindow->complete();
        return;
    }
    Completion->complete(activeDocument());
}

void TMainForm::LiveCheckItemClick()
{
    IniFile->writeInteger(EditorSection, QStringLiteral("LiveCheck"),
                          LiveCheckItem->isChecked() ? 1 : 0);
    LiveCheck->setEnabled(LiveCheckItem->isChecked());
}

void TMainForm::saveEditorOption(const QString &key, const QAction *item)
{
    IniFile->writeInteger(EditorSection, key, item->isChecked() ? 1 : 0);
    for (QWidget *child : ClientArea->childWindows()) {
        if (auto *document = qobject_cast<TMDIChild *>(child))
            applyEditorOptions(document);
    }
}
