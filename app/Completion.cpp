// Completion in Java documents: when a list is asked for, what goes to the service, and how
// the list follows the typing.
#include "Completion.h"

#include "LiveCheck.h"
#include "MainForm.h"

#include "editor/Childwin.h"
#include "platform/textcontrol.h"
#include "toolchain/Compopt.h"
#include "toolchain/javaservice.h"
#include "toolchain/programcontext.h"

#include <QLineEdit>
#include <QTimer>

namespace {

QString typedPart(const qv::TextControl *edit, int start)
{
    const std::string_view text = edit->bytes();
    const int caret = edit->selStart();
    return QString::fromUtf8(text.data() + start, std::max(0, caret - start));
}

} // namespace

Completer::Completer(TMainForm *form, LiveChecker *checker)
    : QObject(form)
    , m_form(form)
    , m_checker(checker)
    , m_dot(new QTimer(this))
{
    m_dot->setSingleShot(true);
    m_dot->setInterval(DotPauseMs);
    connect(m_dot, &QTimer::timeout, this, [this] {
        // Only while the caret still stands right after the '.'.
        if (m_dotDocument && m_dotDocument == m_form->activeDocument()
            && m_dotDocument->RichEdit1->selStart() == m_dotCaret
            && m_dotDocument->RichEdit1->selLength() == 0)
            ask(m_dotDocument);
    });
}

void Completer::documentOpened(TMDIChild *document)
{
    qv::TextControl *edit = document->RichEdit1;
    connect(edit, &qv::TextControl::characterTyped, this,
            [this, document](int character) { typed(document, character); });
    connect(edit, &qv::TextControl::changed, this, [this, document] { narrow(document); });
    connect(edit, &qv::TextControl::completionChosen, this,
            [this, document](const QString &label) {
                // Scintilla is still busy with the list: the text changes once it is done.
                QTimer::singleShot(0, this, [this, document = QPointer<TMDIChild>(document),
                                             label] {
                    if (document)
                        chosen(document, label);
                });
            });
}

bool Completer::canAsk(const TMDIChild *document) const
{
    return document && isJavaFileName(document->caption())
           && document->RichEdit1->length() <= LiveCheckLimit
           && m_checker->service()->isReady();
}

void Completer::complete(TMDIChild *document)
{
    if (!document)
        return;
    JavaService *service = m_checker->service();
    if (!service->started() && isJavaFileName(document->caption()))
        service->start(CompileOptForm->JavaPath->text());
    if (canAsk(document)) {
        ask(document);
        return;
    }
    m_listDocument = nullptr;
    document->RichEdit1->completeFromWords();
}

void Completer::typed(TMDIChild *document, int character)
{
    if (character != '.') {
        m_dot->stop();
        return;
    }
    if (!m_automatic || !canAsk(document))
        return;
    m_dotDocument = document;
    m_dotCaret = document->RichEdit1->selStart();
    m_dot->start();
}

void Completer::ask(TMDIChild *document)
{
    qv::TextControl *edit = document->RichEdit1;
    JavaService *service = m_checker->service();
    if (m_outstanding != 0)
        service->drop(m_outstanding);
    const QString fileName = document->caption();
    const QByteArray text = edit->text();
    const ProgramContext context = programContext(fileName, text);
    m_asked = document;
    m_askedCaret = edit->selStart();
    m_askedStart = nameStart(edit->bytes(), m_askedCaret);
    m_askedLength = edit->length();
    m_outstanding = service->request(
        completionRequest(fileName, text, m_askedCaret, context.sourceRoot,
                          CompileOptForm->ClassPath->text(),
                          unsavedDocuments(m_form, document, context.sourceRoot)),
        this, [this](const ServiceMessage *answer) {
            m_outstanding = 0;
            answered(answer);
        });
}

void Completer::answered(const ServiceMessage *answer)
{
    TMDIChild *document = m_asked;
    if (!answer || !document || document != m_form->activeDocument())
        return;
    qv::TextControl *edit = document->RichEdit1;
    // Typing on within the name keeps the answer (the list narrows to it); anything else
    // has left it behind.
    const int caret = edit->selStart();
    if (edit->selLength() != 0 || caret < m_askedCaret
        || edit->length() - m_askedLength != caret - m_askedCaret
        || nameStart(edit->bytes(), caret) != m_askedStart)
        return;
    const std::optional<QList<CompletionName>> names = completionNames(*answer);
    if (!names)
        return;
    m_listDocument = document;
    m_listStart = m_askedStart;
    m_names = *names;
    const QList<CompletionName> shown = namesStartingWith(m_names, typedPart(edit, m_listStart));
    m_shownCount = shown.size();
    edit->showCompletionList(m_listStart, labelsOf(shown));
    if (edit->completionListShown())
        emit listShown(document);
}

void Completer::narrow(TMDIChild *document)
{
    if (document != m_listDocument)
        return;
    qv::TextControl *edit = document->RichEdit1;
    if (!edit->completionListShown()) {
        m_listDocument = nullptr;
        return;
    }
    const int caret = edit->selStart();
    if (caret < m_listStart || nameStart(edit->bytes(), caret) != m_listStart) {
        edit->closeCompletionList();
        return;
    }
    const QList<CompletionName> shown = namesStartingWith(m_names, typedPart(edit, m_listStart));
    if (shown.size() == m_shownCount)
        return;
    m_shownCount = shown.size();
    edit->showCompletionList(m_listStart, labelsOf(shown));
}

void Completer::chosen(TMDIChild *document, const QString &label)
{
    m_listDocument = nullptr;
    qv::TextControl *edit = document->RichEdit1;
    for (const CompletionName &name : std::as_const(m_names)) {
        if (name.label != label)
            continue;
        const QByteArray insertion = name.insertion.toUtf8();
        const int caret = edit->selStart();
        edit->replaceRange(m_listStart, std::max(caret, m_listStart), insertion,
                           m_listStart + int(insertion.size()));
        return;
    }
}
