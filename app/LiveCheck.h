#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>

#include "toolchain/livecheck.h"

class JavaService;
class QTimer;
class TMainForm;
class TMDIChild;

// The open documents other than except, under the source root, whose text is not saved: the
// service reads their text in place of their files'.
QList<UnsavedDocument> unsavedDocuments(const TMainForm *form, const TMDIChild *except,
                                        const QString &sourceRoot);

// Checks Java documents as they are typed, through the Java service: a pause in typing, or a
// document coming to the front, checks its text as it is now, and the findings are marked in
// it until the next check replaces them. One check is out at a time; a document edited while
// its check is out is checked again once the answer is in, and that answer is dropped.
class LiveChecker : public QObject
{
    Q_OBJECT

public:
    explicit LiveChecker(TMainForm *form);

    JavaService *service() const { return m_service; }
    bool enabled() const { return m_enabled; }
    // Off takes every document's marks away; on checks the active document.
    void setEnabled(bool enabled);
    // The service starts (when checking is on) with the compiler folder's java when the first
    // Java document is to be checked, but not before the main window has painted; it starts
    // again when the folder changes.
    void startService();
    void compilerFolderChanged();
    // A check is out and not yet answered.
    bool checking() const { return m_outstanding != 0; }

    void documentOpened(TMDIChild *document);
    // Checks the document now rather than after a pause (once the check out is answered).
    void checkNow(TMDIChild *document);
    void activeChanged();
    // Next or Previous Error over the active document's marks when it has no compile's:
    // whether there was a mark to go to.
    bool stepMark(TMDIChild *document, int step);

    static constexpr int PauseMs = 400;
    // The service starts this long after it is first wanted even when the window has not
    // painted by then.
    static constexpr int StartLatestMs = 3000;
    // How long the caret rests on a marked line before its messages show under it.
    static constexpr int RestMs = 700;

signals:
    // A check's findings have been marked in the document.
    void checked(TMDIChild *document);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void edited(TMDIChild *document);
    void caretMoved(TMDIChild *document);
    void showRestingMessages();
    void schedule(TMDIChild *document, int delayMs);
    void checkDue();
    void answered(TMDIChild *document, int revision, const struct ServiceMessage *answer);
    void clearAll();

    TMainForm *m_form;
    JavaService *m_service;
    QTimer *m_pause;
    QTimer *m_rest;
    bool m_enabled = true;
    bool m_formPainted = false;
    bool m_startWanted = false;
    QPointer<TMDIChild> m_due;
    QPointer<TMDIChild> m_resting;
    qint32 m_outstanding = 0;
    // Each document's count of edits, and the count its marks were found for.
    QHash<const TMDIChild *, int> m_revision;
    QString m_statusShown;
};
