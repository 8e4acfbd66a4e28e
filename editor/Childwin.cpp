#include "Childwin.h"

#include "platform/boxes.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/mdiframe.h"
#include "platform/textcontrol.h"
#include "platform/textwindow.h"

#include <QFileInfo>
#include <QPointer>

TMDIChild::TMDIChild(QWidget *parent)
    : qv::ChildForm(parent)
{
    setWindowTitle(QStringLiteral("MDI Child"));
    qv::buildTextWindow(this, RichEdit1, StatusBar1);
    RichEdit1->setSourceEditing();
    connect(RichEdit1, &qv::TextControl::changed, this, &TMDIChild::RichEdit1Change);
    connect(RichEdit1, &qv::TextControl::modifiedChanged, this,
            [this](bool modified) { qv::MdiFrame::showModified(this, modified); });
    connect(RichEdit1, &qv::TextControl::selectionChanged, this,
            &TMDIChild::RichEdit1SelectionChange);
}

TMDIChild::~TMDIChild() = default;

void TMDIChild::UpdateCaretPanel()
{
    qv::UpdateCaretPanel(RichEdit1, StatusBar1);
}

void TMDIChild::RichEdit1Change()
{
    UpdateCaretPanel();
}

void TMDIChild::RichEdit1SelectionChange()
{
    UpdateCaretPanel();
}

bool mayOpenDocument(const QString &name)
{
    const qint64 size = qv::regularFileSize(name);
    if (size < 0)
        return true;
    const QString problem = qv::sizeProblem(size);
    if (!problem.isEmpty()) {
        qv::messageBox(QStringLiteral("Error opening:") + name + u'\r' + problem);
        return false;
    }
    if (size <= qv::LargeFileSize)
        return true;
    return qv::confirm(QStringLiteral("%1 is %2 MB large; opening it takes a while and much "
                                      "memory.  Open it anyway?")
                           .arg(name)
                           .arg(size >> 20))
           == qv::Answer::Yes;
}

bool TMDIChild::LoadDocument(const QFont &font)
{
    const QString name = caption();
    const QFont previous = RichEdit1->textFont();
    // The font goes on before the text, so that a long line is measured once, not twice.
    RichEdit1->setTextFont(font);
    qv::removeStaleTemporaries(name);
    // Taken before reading: a change made while the file is read is noticed later.
    const qv::FileStamp stamp = qv::fileStamp(name);
    const qv::ReadStatus status = RichEdit1->loadFromFile(name);
    m_ownStamp = m_askedStamp = stamp;
    m_unread = stamp.exists && status != qv::ReadStatus::Ok;
    if (status == qv::ReadStatus::Ok) {
        RichEdit1->setModified(false);
        return true;
    }
    RichEdit1->setTextFont(previous);
    QString message = QStringLiteral("Error opening:") + name;
    if (status == qv::ReadStatus::TooLarge)
        message += u'\r' + qv::sizeProblem(qv::MaxTextSize + 1);
    else if (!stamp.exists && name.contains(QChar(QChar::ReplacementCharacter)))
        message += QStringLiteral("\rThe name holds bytes that are not text.");
    qv::messageBox(message);
    return false;
}

void saveTextTo(qv::TextControl *edit, const QString &name)
{
    QString safeCopy;
    switch (edit->saveToFile(name, &safeCopy)) {
    case qv::WriteStatus::Ok:
        return;
    case qv::WriteStatus::CannotCreate:
        throw qv::Error(QStringLiteral("Cannot create file %1").arg(name));
    case qv::WriteStatus::NameNotText:
        throw qv::Error(QStringLiteral("Cannot create file %1\rThe name holds bytes that are "
                                       "not text; save the document under another name")
                            .arg(name));
    case qv::WriteStatus::WriteFailed:
        if (safeCopy.isEmpty())
            throw qv::Error(QStringLiteral("Failed to Save Stream"));
        throw qv::Error(QStringLiteral("Failed to Save Stream\rThe file may now be "
                                       "incomplete; the whole text is kept in %1")
                            .arg(safeCopy));
    }
}

void TMDIChild::confirmSavingOver(const QString &name)
{
    const qv::FileStamp onDisk = qv::fileStamp(name);
    QString question;
    // Enter keeps the file as it is, except where the user is only told of a change.
    qv::Answer byDefault = qv::Answer::No;
    const bool linkMoved = onDisk.isLink
                           && (!m_ownStamp || !m_ownStamp->isLink
                               || m_ownStamp->linkTarget != onDisk.linkTarget);
    if (linkMoved) {
        question = QStringLiteral("%1 is now a link to %2.  Write this window's text into %2?")
                       .arg(name, onDisk.linkTarget);
    } else if (!onDisk.exists) {
        return;
    } else if (m_unread) {
        question = name
                   + QStringLiteral(" could not be read.  Replace its contents with this "
                                    "window's text?");
    } else if (!m_ownStamp || onDisk != *m_ownStamp) {
        question = name + QStringLiteral(" has been changed by another program.  Save anyway?");
        byDefault = qv::Answer::Yes;
    } else {
        return;
    }
    m_askedStamp = onDisk;
    if (qv::confirm(question, byDefault) != qv::Answer::Yes)
        throw qv::Abort();
}

void TMDIChild::writeDocument(const QString &name)
{
    const bool own = isOwnFile(name);
    const qv::FileStamp before = qv::fileStamp(name);
    try {
        saveTextTo(RichEdit1, name);
    } catch (...) {
        // A write that failed half-way leaves the file as this window made it, not as
        // another program did: no reload is offered for it, and the next save goes ahead.
        const qv::FileStamp after = qv::fileStamp(name);
        if (own && after != before)
            m_ownStamp = m_askedStamp = after;
        throw;
    }
    setCaption(name);
    RichEdit1->setModified(false);
    m_unread = false;
    NoteFileOnDisk();
}

void TMDIChild::SaveDocument()
{
    const QString name = caption();
    confirmSavingOver(name);
    writeDocument(name);
}

bool TMDIChild::isOwnFile(const QString &name) const
{
    const QString own = caption();
    if (QFileInfo(name).absoluteFilePath() == QFileInfo(own).absoluteFilePath())
        return true;
    const qv::FileStamp chosen = qv::fileStamp(name);
    const qv::FileStamp current = qv::fileStamp(own);
    return chosen.exists && current.exists && chosen.device == current.device
           && chosen.inode == current.inode;
}

void TMDIChild::SaveDocumentAs(const QString &name)
{
    if (isOwnFile(name))
        confirmSavingOver(name);
    writeDocument(name);
}

void TMDIChild::NoteFileOnDisk()
{
    m_ownStamp = m_askedStamp = qv::fileStamp(caption());
}

void TMDIChild::CheckFileOnDisk()
{
    if (!m_ownStamp || m_asking)
        return;
    const QString name = caption();
    const qv::FileStamp onDisk = qv::fileStamp(name);
    if (!onDisk.exists || onDisk == *m_ownStamp || onDisk == m_askedStamp)
        return;
    m_askedStamp = onDisk;
    const QString question
        = name + QStringLiteral(" has been changed by another program.  ")
          + (RichEdit1->modified() ? QStringLiteral("Reload it and lose your changes?")
                                   : QStringLiteral("Reload it?"));
    const QPointer<TMDIChild> self(this);
    m_asking = true;
    // Enter keeps the window's text.
    const qv::Answer answer = qv::confirm(question, qv::Answer::No);
    if (!self)
        return;
    m_asking = false;
    if (answer == qv::Answer::Yes && mayOpenDocument(name))
        LoadDocument(RichEdit1->textFont());
}

void TMDIChild::FormCloseQuery(bool &CanClose)
{
    if (m_closeGuard && !m_closeGuard->mayClose()) {
        CanClose = false;
        return;
    }
    if (RichEdit1->modified()) {
        switch (qv::confirm(caption() + QStringLiteral(" has been modified.  Save changes?"))) {
        case qv::Answer::Cancel:
            CanClose = false;
            return;
        case qv::Answer::Yes:
            SaveDocument();
            break;
        case qv::Answer::No:
            break;
        }
    }
    if (m_closeGuard)
        m_closeGuard->closing();
}

bool TMDIChild::queryClose()
{
    bool canClose = true;
    FormCloseQuery(canClose);
    return canClose;
}

void TMDIChild::FormClose()
{
    // A closed document window is destroyed, never hidden.
    setAttribute(Qt::WA_DeleteOnClose);
}

void TMDIChild::formClose()
{
    FormClose();
}
