#pragma once

#include "editor/Childwin.h"
#include "toolchain/diagnostics.h"

#include <QObject>
#include <QPointer>

class TCompOutForm;
class TRunConsoleForm;
class ToolWindow;

// What the workbench keeps for a document besides its text: the windows of its compiles and
// runs, which close with it and whose programs it stops, and where its last compile's
// diagnostics are. Made on first use and destroyed with the document.
class DocumentTools : public QObject, public TMDIChild::CloseGuard
{
    Q_OBJECT

public:
    static DocumentTools &of(TMDIChild *document);
    // The document a compile or run window was opened for, or null.
    static TMDIChild *ownerOf(const ToolWindow *window);

    ~DocumentTools() override;

    // The output window of the document's last compile, and the run window last opened.
    QPointer<TCompOutForm> OutputForm;
    QPointer<TRunConsoleForm> RunWindow;

    // The window is the document's new output or run window.
    void adopt(TCompOutForm *output);
    void adopt(TRunConsoleForm *run);
    // The document's windows whose program is going.
    QList<ToolWindow *> goingWindows() const;

    // A diagnostic of the document's last compile that names a place: its file made absolute,
    // and the mark on its line when the file is the document's.
    struct PlacedDiagnostic
    {
        Diagnostic diagnostic;
        QString path;
        int mark = -1;
    };
    // Forgets the last compile's diagnostics and takes their marks off the text.
    void clearCompileMarks();
    // Keeps the diagnostics that name a place, in order, and marks the lines they name in the
    // document. Relative paths are taken from compilerFolder.
    void showCompileMarks(const QList<Diagnostic> &diagnostics, const QString &compilerFolder);
    const QList<PlacedDiagnostic> &compileDiagnostics() const { return m_compileDiagnostics; }
    // The index of the kept diagnostic that matches one read from an output window, or -1.
    int findCompileDiagnostic(const Diagnostic &diagnostic, const QString &compilerFolder) const;
    // The 0-based line a kept diagnostic is on now: its mark follows edits of the text.
    int lineOf(const PlacedDiagnostic &placed) const;
    // The kept diagnostic gone to last, -1 for none.
    int CurrentDiagnostic = -1;

private:
    explicit DocumentTools(TMDIChild *document);
    template<typename Form>
    void keep(Form *window, QPointer<Form> &latest);
    bool mayClose() override;
    void closing() override;

    TMDIChild *m_document;
    QList<QPointer<ToolWindow>> m_windows;
    QList<QPointer<ToolWindow>> m_toStop;
    QList<PlacedDiagnostic> m_compileDiagnostics;
};

// Shorthands for the windows a document has now.
TCompOutForm *outputWindowOf(TMDIChild *document);
TRunConsoleForm *runWindowOf(TMDIChild *document);
