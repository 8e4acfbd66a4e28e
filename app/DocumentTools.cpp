#include "DocumentTools.h"

#include "platform/locations.h"
#include "platform/mdiframe.h"
#include "platform/textcontrol.h"
#include "toolchain/compunit.h"
#include "toolchain/runconsole.h"

namespace {

// The document a tool window acts for, on the window; it never outlives the document, which
// destroys its windows.
constexpr char OwnerProperty[] = "quorvel.owner";

} // namespace

DocumentTools &DocumentTools::of(TMDIChild *document)
{
    // A child object: it goes when the document goes, after the document's own parts.
    if (auto *tools = document->findChild<DocumentTools *>(QString(), Qt::FindDirectChildrenOnly))
        return *tools;
    return *new DocumentTools(document);
}

TMDIChild *DocumentTools::ownerOf(const ToolWindow *window)
{
    if (!window)
        return nullptr;
    const QVariant owner = window->property(OwnerProperty);
    return qobject_cast<TMDIChild *>(owner.value<QObject *>());
}

DocumentTools::DocumentTools(TMDIChild *document)
    : QObject(document)
    , m_document(document)
{
    document->setCloseGuard(this);
}

DocumentTools::~DocumentTools()
{
    // The document's compiles and runs go with it.
    for (const QPointer<ToolWindow> &window : std::as_const(m_windows)) {
        if (!window)
            continue;
        // What the window's going sets off no longer finds the document.
        window->setProperty(OwnerProperty, {});
        QWidget *frame = qv::MdiFrame::frameOf(window);
        delete (frame ? frame : window.data());
    }
}

template<typename Form>
void DocumentTools::keep(Form *window, QPointer<Form> &latest)
{
    m_windows.removeAll(nullptr);
    m_windows.append(window);
    window->setProperty(OwnerProperty, QVariant::fromValue<QObject *>(m_document));
    latest = window;
    // A closing window is not destroyed at once: it stops being the latest now.
    connect(window, &ToolWindow::closing, this, [&latest, window] {
        if (latest == window)
            latest = nullptr;
    });
}

void DocumentTools::adopt(TCompOutForm *output)
{
    keep(output, OutputForm);
    connect(output, &TCompOutForm::diagnosticsFinished, this,
            &DocumentTools::showCompileMarks);
}

void DocumentTools::adopt(TRunConsoleForm *run)
{
    keep(run, RunWindow);
}

QList<ToolWindow *> DocumentTools::goingWindows() const
{
    QList<ToolWindow *> going;
    for (const QPointer<ToolWindow> &window : m_windows) {
        if (window && window->going())
            going.append(window);
    }
    return going;
}

bool DocumentTools::mayClose()
{
    // Each going program is stopped once the user has agreed to every question.
    m_toStop.clear();
    for (ToolWindow *window : goingWindows()) {
        const QPointer<ToolWindow> guard(window);
        if (!window->confirmStop()) {
            m_toStop.clear();
            return false;
        }
        m_toStop.append(guard);
    }
    return true;
}

void DocumentTools::closing()
{
    const QList<QPointer<ToolWindow>> toStop = std::exchange(m_toStop, {});
    for (const QPointer<ToolWindow> &window : toStop) {
        if (window)
            window->stopForClose();
    }
}

void DocumentTools::clearCompileMarks()
{
    m_compileDiagnostics.clear();
    CurrentDiagnostic = -1;
    m_document->RichEdit1->clearLineMarks();
}

void DocumentTools::showCompileMarks(const QList<Diagnostic> &diagnostics,
                                     const QString &compilerFolder)
{
    clearCompileMarks();
    qv::TextControl *edit = m_document->RichEdit1;
    const QString ownPath = qv::absolutePath(m_document->caption(), compilerFolder);
    const int lastLine = edit->lineFromPosition(edit->length());
    for (const Diagnostic &diagnostic : diagnostics) {
        if (!diagnostic.hasPlace())
            continue;
        PlacedDiagnostic placed{diagnostic, qv::absolutePath(diagnostic.file, compilerFolder)};
        const int line = diagnostic.line - 1;
        if (line <= lastLine && qv::sameFile(placed.path, ownPath)) {
            const bool error = diagnostic.kind == Diagnostic::Error;
            placed.mark = edit->addLineMark(line,
                                            error ? qv::TextControl::LineMark::Error
                                                  : qv::TextControl::LineMark::Warning,
                                            (error ? QStringLiteral("error: ")
                                                   : QStringLiteral("warning: "))
                                                + diagnostic.message);
        }
        m_compileDiagnostics.append(placed);
    }
}

int DocumentTools::findCompileDiagnostic(const Diagnostic &diagnostic,
                                         const QString &compilerFolder) const
{
    const QString path = qv::absolutePath(diagnostic.file, compilerFolder);
    for (qsizetype i = 0; i < m_compileDiagnostics.size(); ++i) {
        const Diagnostic &kept = m_compileDiagnostics[i].diagnostic;
        if (m_compileDiagnostics[i].path == path && kept.line == diagnostic.line
            && kept.column == diagnostic.column && kept.message == diagnostic.message)
            return int(i);
    }
    return -1;
}

int DocumentTools::lineOf(const PlacedDiagnostic &placed) const
{
    const int marked = placed.mark >= 0 ? m_document->RichEdit1->lineOfMark(placed.mark) : -1;
    return marked >= 0 ? marked : placed.diagnostic.line - 1;
}

TCompOutForm *outputWindowOf(TMDIChild *document)
{
    return DocumentTools::of(document).OutputForm;
}

TRunConsoleForm *runWindowOf(TMDIChild *document)
{
    return DocumentTools::of(document).RunWindow;
}
