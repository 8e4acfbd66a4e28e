// Checking Java documents while they are typed: when, with what, and where the findings go.
#include "LiveCheck.h"

#include "MainForm.h"

#include "editor/Childwin.h"
#include "platform/forms.h"
#include "platform/mdiframe.h"
#include "platform/textcontrol.h"
#include "toolchain/Compopt.h"
#include "toolchain/javaservice.h"
#include "toolchain/livecheck.h"
#include "toolchain/programcontext.h"

#include <QLabel>
#include <QLineEdit>
#include <QEvent>
#include <QTimer>

namespace {

// Marks the findings of a check in the document's text (replacing the last check's) and sums
// them up in the panel beside the caret's; none and an empty summary take them away.
void showLiveFindings(TMDIChild *document, const QList<LiveFinding> &findings,
                      const QString &summary)
{
    QList<qv::TextControl::RangeMark> marks;
    for (const LiveFinding &finding : findings) {
        marks.append({finding.start, finding.end,
                      finding.error ? qv::TextControl::LineMark::Error
                                    : qv::TextControl::LineMark::Warning,
                      (finding.error ? QStringLiteral("error: ") : QStringLiteral("warning: "))
                          + finding.message});
    }
    document->RichEdit1->setRangeMarks(marks);
    qv::StatusPanels *panels = document->StatusBar1;
    if (summary == panels->panelText(1))
        return;
    if (!summary.isEmpty())
        panels->fitPanel(1, summary);
    panels->setPanelText(1, summary);
}

bool checkable(const TMDIChild *document)
{
    return document && isJavaFileName(document->caption())
           && document->RichEdit1->length() <= LiveCheckLimit;
}

int caretLine(const TMDIChild *document)
{
    const qv::TextControl *edit = document->RichEdit1;
    return edit->lineFromPosition(edit->selStart());
}

} // namespace

QList<UnsavedDocument> unsavedDocuments(const TMainForm *form, const TMDIChild *except,
                                        const QString &sourceRoot)
{
    QList<UnsavedDocument> unsaved;
    const QString rootFolder = sourceRoot + u'/';
    for (QWidget *child : form->ClientArea->childWindows()) {
        const auto *other = qobject_cast<TMDIChild *>(child);
        if (other && other != except && other->RichEdit1->modified()
            && other->caption().startsWith(rootFolder) && checkable(other))
            unsaved.append({other->caption(), other->RichEdit1->text()});
    }
    return unsaved;
}

LiveChecker::LiveChecker(TMainForm *form)
    : QObject(form)
    , m_form(form)
    , m_service(new JavaService(this))
    , m_pause(new QTimer(this))
    , m_rest(new QTimer(this))
{
    m_pause->setSingleShot(true);
    connect(m_pause, &QTimer::timeout, this, &LiveChecker::checkDue);
    m_rest->setSingleShot(true);
    m_rest->setInterval(RestMs);
    connect(m_rest, &QTimer::timeout, this, &LiveChecker::showRestingMessages);
    connect(m_service, &JavaService::note, m_form, &TMainForm::showCommandMessage);
    m_form->installEventFilter(this);
    // A check that was waiting for the service (or lost with one that failed) goes out now.
    connect(m_service, &JavaService::readyChanged, this, [this](bool ready) {
        if (ready && m_enabled)
            schedule(m_form->activeDocument(), 0);
    });
}

bool LiveChecker::eventFilter(QObject *watched, QEvent *event)
{
    // Starting a Java machine takes the processor for a while: the main window shows first.
    if (watched == m_form && event->type() == QEvent::Paint) {
        m_form->removeEventFilter(this);
        m_formPainted = true;
        if (m_startWanted)
            QTimer::singleShot(0, this, &LiveChecker::startService);
    }
    return false;
}

void LiveChecker::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    if (!enabled) {
        clearAll();
        return;
    }
    schedule(m_form->activeDocument(), 0);
}

void LiveChecker::startService()
{
    if (m_enabled)
        m_service->start(CompileOptForm->JavaPath->text());
}

void LiveChecker::compilerFolderChanged()
{
    if (m_service->started())
        startService();
}

void LiveChecker::documentOpened(TMDIChild *document)
{
    m_revision.insert(document, 0);
    connect(document, &QObject::destroyed, this, [this, document] { m_revision.remove(document); });
    connect(document->RichEdit1, &qv::TextControl::changed, this,
            [this, document] { edited(document); });
    connect(document->RichEdit1, &qv::TextControl::selectionChanged, this,
            [this, document] { caretMoved(document); });
    schedule(document, 0);
}

void LiveChecker::checkNow(TMDIChild *document)
{
    schedule(document, 0);
    checkDue();
}

void LiveChecker::activeChanged()
{
    if (TMDIChild *document = m_form->activeDocument(); document && document != m_due)
        schedule(document, 0);
}

void LiveChecker::edited(TMDIChild *document)
{
    ++m_revision[document];
    if (m_enabled)
        schedule(document, PauseMs);
}

void LiveChecker::schedule(TMDIChild *document, int delayMs)
{
    if (!m_enabled || !document)
        return;
    // A check of another document still due goes first: it was asked for earlier.
    if (m_due && m_due != document && m_pause->isActive() && delayMs > 0)
        checkDue();
    m_due = document;
    m_pause->start(delayMs);
}

void LiveChecker::checkDue()
{
    TMDIChild *document = m_due;
    if (!document || !m_enabled)
        return;
    if (!checkable(document)) {
        m_due = nullptr;
        showLiveFindings(document, {}, {});
        return;
    }
    // One check at a time; the due one goes when the one out is answered. A service that is
    // still starting takes it once it is ready.
    if (!m_service->started()) {
        if (!m_formPainted) {
            // A window that never paints (kept minimised) still gets its checks.
            if (!m_startWanted)
                QTimer::singleShot(StartLatestMs, this, &LiveChecker::startService);
            m_startWanted = true;
            return;
        }
        startService();
    }
    if (m_outstanding != 0 || !m_service->isReady())
        return;
    m_due = nullptr;
    const QString fileName = document->caption();
    const QByteArray text = document->RichEdit1->text();
    const ProgramContext context = programContext(fileName, text);
    const QList<UnsavedDocument> unsaved = unsavedDocuments(m_form, document, context.sourceRoot);
    const int revision = m_revision.value(document);
    const QPointer<TMDIChild> guard(document);
    m_outstanding = m_service->request(
        checkRequest(fileName, text, context.sourceRoot, CompileOptForm->ClassPath->text(),
                     unsaved),
        this, [this, guard, revision](const ServiceMessage *answer) {
            m_outstanding = 0;
            if (guard)
                answered(guard, revision, answer);
            if (m_due)
                checkDue();
        });
}

void LiveChecker::answered(TMDIChild *document, int revision, const ServiceMessage *answer)
{
    // An answer about a text that has changed since is stale: the check of the new text is
    // due already.
    if (!answer || !m_enabled || revision != m_revision.value(document))
        return;
    const std::optional<QList<LiveFinding>> findings
        = checkFindings(*answer, document->RichEdit1->bytes());
    if (!findings)
        return;
    showLiveFindings(document, *findings, findingsSummary(*findings));
    if (document == m_form->activeDocument())
        caretMoved(document);
    emit checked(document);
}

void LiveChecker::caretMoved(TMDIChild *document)
{
    if (document != m_form->activeDocument())
        return;
    qv::TextControl *edit = document->RichEdit1;
    const int line = caretLine(document);
    if (edit->shownRangeMessagesLine() != line)
        edit->showRangeMessages(-1);
    const QStringList messages = edit->rangeMessages(line);
    // The status line shows the caret line's messages, and what it showed before once the
    // caret has left them.
    if (!messages.isEmpty()) {
        m_statusShown = messages.join(QStringLiteral("; "));
        m_form->showCommandMessage(m_statusShown);
        m_resting = document;
        m_rest->start();
    } else if (!m_statusShown.isEmpty()) {
        if (m_form->StatusBar->text() == m_statusShown)
            m_form->clearCommandMessage();
        m_statusShown.clear();
    }
}

void LiveChecker::showRestingMessages()
{
    if (m_resting && m_resting == m_form->activeDocument())
        m_resting->RichEdit1->showRangeMessages(caretLine(m_resting));
}

bool LiveChecker::stepMark(TMDIChild *document, int step)
{
    if (!document)
        return false;
    qv::TextControl *edit = document->RichEdit1;
    const int line = edit->nextRangeMarkLine(caretLine(document), step);
    if (line < 0)
        return false;
    const int position = edit->rangeMarkPosition(line);
    edit->gotoLineColumn(line, edit->characterCount(edit->positionFromLine(line), position) + 1);
    edit->showRangeMessages(line);
    edit->setFocus();
    return true;
}

void LiveChecker::clearAll()
{
    m_due = nullptr;
    m_pause->stop();
    for (QWidget *child : m_form->ClientArea->childWindows()) {
        if (auto *document = qobject_cast<TMDIChild *>(child))
            showLiveFindings(document, {}, {});
    }
}
