#pragma once

#include "toolchain/completion.h"

#include <QObject>
#include <QPointer>

class LiveChecker;
class QTimer;
class TMainForm;
class TMDIChild;

// Completion in Java documents: Ctrl+Space, or a pause after a typed '.', asks the Java
// service for the names that may go at the caret and shows them in a list there, narrowed as
// the name is typed on. A list that arrives after the caret has left the name it was asked
// for is dropped. Without the service (and outside Java documents) Ctrl+Space offers the
// document's own words.
class Completer : public QObject
{
    Q_OBJECT

public:
    Completer(TMainForm *form, LiveChecker *checker);

    void documentOpened(TMDIChild *document);
    // Ctrl+Space in the document.
    void complete(TMDIChild *document);
    // Whether a typed '.' asks for a list by itself.
    void setAutomatic(bool automatic) { m_automatic = automatic; }
    bool automatic() const { return m_automatic; }
    // A list has been asked of the service and is not yet answered.
    bool waiting() const { return m_outstanding != 0; }

    static constexpr int DotPauseMs = 300;

signals:
    // A list from the service is shown in the document.
    void listShown(TMDIChild *document);

private:
    void typed(TMDIChild *document, int character);
    void ask(TMDIChild *document);
    void answered(const struct ServiceMessage *answer);
    void narrow(TMDIChild *document);
    void chosen(TMDIChild *document, const QString &label);
    bool canAsk(const TMDIChild *document) const;

    TMainForm *m_form;
    LiveChecker *m_checker;
    QTimer *m_dot;
    bool m_automatic = true;
    QPointer<TMDIChild> m_dotDocument;
    int m_dotCaret = -1;
    qint32 m_outstanding = 0;
    // What the request out was asked for: the document, where the name began, the caret and
    // the text's length then.
    QPointer<TMDIChild> m_asked;
    int m_askedStart = 0;
    int m_askedCaret = 0;
    int m_askedLength = 0;
    // The list shown: its document, where its name begins, and all its names.
    QPointer<TMDIChild> m_listDocument;
    int m_listStart = 0;
    QList<CompletionName> m_names;
    qsizetype m_shownCount = 0;
};
