// The marks that a compile leaves on a document, one per line the compiler complained about,
// and those of the last check made while typing.
#include "Childwin.h"

#include "platform/forms.h"
#include "platform/locations.h"
#include "platform/textcontrol.h"
#include "toolchain/livecheck.h"

void TMDIChild::clearCompileMarks()
{
    m_compileDiagnostics.clear();
    CurrentDiagnostic = -1;
    RichEdit1->clearLineMarks();
}

void TMDIChild::showCompileMarks(const QList<Diagnostic> &diagnostics,
                                 const QString &compilerFolder)
{
    clearCompileMarks();
    const QString ownPath = qv::absolutePath(caption(), compilerFolder);
    const int lastLine = RichEdit1->lineFromPosition(RichEdit1->length());
    for (const Diagnostic &diagnostic : diagnostics) {
        if (!diagnostic.hasPlace())
            continue;
        PlacedDiagnostic placed{diagnostic, qv::absolutePath(diagnostic.file, compilerFolder)};
        const int line = diagnostic.line - 1;
        if (line <= lastLine && qv::sameFile(placed.path, ownPath)) {
            const auto kind = diagnostic.kind == Diagnostic::Error
                                  ? qv::TextControl::LineMark::Error
                                  : qv::TextControl::LineMark::Warning;
            const QString label = diagnostic.kind == Diagnostic::Error ? QStringLiteral("error: ")
                                                                       : QStringLiteral("warning: ");
            placed.mark = RichEdit1->addLineMark(line, kind, label + diagnostic.message);
        }
        m_compileDiagnostics.append(placed);
    }
}

int TMDIChild::findCompileDiagnostic(const Diagnostic &diagnostic,
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

int TMDIChild::lineOf(const PlacedDiagnostic &placed) const
{
    const int marked = placed.mark >= 0 ? RichEdit1->lineOfMark(placed.mark) : -1;
    return marked >= 0 ? marked : placed.diagnostic.line - 1;
}

void TMDIChild::showLiveFindings(const QList<LiveFinding> &findings, const QString &summary)
{
    QList<qv::TextControl::RangeMark> marks;
    for (const LiveFinding &finding : findings) {
        marks.append({finding.start, finding.end,
                      finding.error ? qv::TextControl::LineMark::Error
                                    : qv::TextControl::LineMark::Warning,
                      (finding.error ? QStringLiteral("error: ") : QStringLiteral("warning: "))
                          + finding.message});
    }
    RichEdit1->setRangeMarks(marks);
    if (summary == StatusBar1->panelText(1))
        return;
    if (!summary.isEmpty())
        StatusBar1->fitPanel(1, summary);
    StatusBar1->setPanelText(1, summary);
}
