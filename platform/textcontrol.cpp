#include "textcontrol.h"

#include "accessnotices.h"
#include "files.h"
#include "longlines.h"

#include <Qsci/qsciscintilla.h>

#include <QFile>
#include <QScopedValueRollback>

#include <functional>
#include <QVBoxLayout>

namespace qv {

using Sci = QsciScintillaBase;

namespace {

// The editor tells its control after every key, input-method and mouse event, so that a moved
// caret is reported at once rather than at the next paint.
class Editor : public QsciScintilla
{
public:
    using QsciScintilla::QsciScintilla;
    std::function<void()> afterInput;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        QsciScintilla::keyPressEvent(event);
        afterInput();
    }
    void inputMethodEvent(QInputMethodEvent *event) override
    {
        QsciScintilla::inputMethodEvent(event);
        afterInput();
    }
    void mousePressEvent(QMouseEvent *event) override
    {
        QsciScintilla::mousePressEvent(event);
        afterInput();
    }
    void mouseMoveEvent(QMouseEvent *event) override
    {
        QsciScintilla::mouseMoveEvent(event);
        afterInput();
    }
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        QsciScintilla::mouseReleaseEvent(event);
        afterInput();
    }
};

} // namespace

TextControl::TextControl(QWidget *parent)
    : QWidget(parent)
    , m_editor(new Editor(this))
{
    static_cast<Editor *>(m_editor)->afterInput = [this] {
        reportChange();
        checkSelection();
    };
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_editor);
    setFocusProxy(m_editor);

    // A document without style bytes: the control shows plain text only, and a large file
    // then costs little more memory than its size.
    const long doc = send(Sci::SCI_CREATEDOCUMENT, 0, Sci::SC_DOCUMENTOPTION_STYLES_NONE);
    send(Sci::SCI_SETDOCPOINTER, 0, doc);
    send(Sci::SCI_RELEASEDOCUMENT, 0, doc);

    m_editor->setUtf8(true);
    m_editor->setWrapMode(QsciScintilla::WrapNone);
    m_editor->setMarginWidth(1, 0);
    m_editor->setIndentationsUseTabs(true);
    m_editor->setTabIndents(false);
    m_editor->setAutoIndent(false);
    m_editor->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_editor->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    send(Sci::SCI_HIDESELECTION, 0);
    // The layouts of the lines in view are kept between paints, so text added below them
    // does not have them measured again.
    send(Sci::SCI_SETLAYOUTCACHE, Sci::SC_CACHE_PAGE);
    send(Sci::SCI_SETSELALPHA, 256);
    m_editor->setSelectionBackgroundColor(palette().color(QPalette::Highlight));
    m_editor->setSelectionForegroundColor(palette().color(QPalette::HighlightedText));
    m_font = m_editor->font();

    quietAccessNotices(m_editor);
    new LongLineWait(m_editor);
    connect(m_editor, &QsciScintillaBase::SCN_MODIFIED, this, [this](int, int type) {
        noteChange(type);
    });
    connect(m_editor, &QsciScintilla::cursorPositionChanged, this,
            &TextControl::checkSelection);
    connect(m_editor, &QsciScintilla::selectionChanged, this, &TextControl::checkSelection);
    prepareCompletion();
    connect(m_editor, &QsciScintilla::modificationChanged, this, &TextControl::modifiedChanged);
}

// Every change of the text is announced by a notice before it; changed() follows once the
// change is done: at the end of the call or input event that made it, or else (a change made
// by the editor's own menu, say) at the next turn of the event loop.
void TextControl::noteChange(int type)
{
    if (!(type & (Sci::SC_MOD_BEFOREINSERT | Sci::SC_MOD_BEFOREDELETE)) || m_changePending)
        return;
    m_changePending = true;
    if (!m_inCall)
        QMetaObject::invokeMethod(this, &TextControl::reportChange, Qt::QueuedConnection);
}

void TextControl::reportChange()
{
    if (!m_changePending)
        return;
    m_changePending = false;
    emit changed();
}

void TextControl::checkSelection()
{
    const int start = int(send(Sci::SCI_GETSELECTIONSTART));
    const int end = int(send(Sci::SCI_GETSELECTIONEND));
    if (start == m_reportedStart && end == m_reportedEnd)
        return;
    m_reportedStart = start;
    m_reportedEnd = end;
    emit selectionChanged();
}

TextControl::~TextControl() = default;

long TextControl::send(unsigned int message, unsigned long wParam, long lParam) const
{
    return m_editor->SendScintilla(message, wParam, lParam);
}

QWidget *TextControl::view() const
{
    return m_editor->viewport();
}

QByteArray TextControl::text() const
{
    const std::string_view all = bytes();
    return QByteArray(all.data(), qsizetype(all.size()));
}

std::string_view TextControl::bytes() const
{
    const int size = length();
    if (size == 0)
        return {};
    const auto *data = static_cast<const char *>(
        m_editor->SendScintillaPtrResult(Sci::SCI_GETCHARACTERPOINTER));
    return {data, size_t(size)};
}

int TextControl::length() const
{
    return int(send(Sci::SCI_GETLENGTH));
}

void TextControl::setText(const QByteArray &text)
{
    const QScopedValueRollback<bool> inCall(m_inCall, true);
    clearFor(text.size());
    // SCI_ADDTEXT takes a length, so NUL bytes are kept.
    m_editor->SendScintilla(Sci::SCI_ADDTEXT, (unsigned long)text.size(),
                            static_cast<const char *>(text.constData()));
    showFromStart();
}

void TextControl::clearFor(qsizetype size)
{
    send(Sci::SCI_CLEARALL);
    // Room beyond the text for the NUL that reading it whole appends, and for the first edits:
    // a buffer filled to the last byte is copied whole into a larger one on the next of them.
    send(Sci::SCI_ALLOCATE, (unsigned long)size + 64 * 1024);
}

void TextControl::showFromStart()
{
    // Caret and view back to the start without laying out the text: a long line costs a
    // noticeable time to measure, which painting then does once.
    send(Sci::SCI_SETEMPTYSELECTION, 0);
    send(Sci::SCI_SETFIRSTVISIBLELINE, 0);
    send(Sci::SCI_SETXOFFSET, 0);
    reportChange();
    checkSelection();
}

int TextControl::selStart() const
{
    return int(send(Sci::SCI_GETSELECTIONSTART));
}

int TextControl::selLength() const
{
    return int(send(Sci::SCI_GETSELECTIONEND) - send(Sci::SCI_GETSELECTIONSTART));
}

QByteArray TextControl::selText() const
{
    const int start = selStart();
    return QByteArray(bytes().substr(size_t(start), size_t(selLength())).data(), selLength());
}

void TextControl::setSelection(int start, int length)
{
    send(Sci::SCI_SETSEL, (unsigned long)start, long(start) + length);
    checkSelection();
}

void TextControl::replaceSelection(const QByteArray &text)
{
    replaceRange(selStart(), selStart() + selLength(), text, selStart() + int(text.size()));
}

void TextControl::replaceRange(int start, int end, const QByteArray &text, int caret)
{
    const QScopedValueRollback<bool> inCall(m_inCall, true);
    send(Sci::SCI_BEGINUNDOACTION);
    send(Sci::SCI_SETTARGETRANGE, (unsigned long)start, end);
    m_editor->SendScintilla(Sci::SCI_REPLACETARGET, (uintptr_t)text.size(),
                            static_cast<const char *>(text.constData()));
    send(Sci::SCI_ENDUNDOACTION);
    send(Sci::SCI_GOTOPOS, (unsigned long)caret);
    reportChange();
    checkSelection();
}

bool TextControl::modified() const
{
    return send(Sci::SCI_GETMODIFY) != 0;
}

void TextControl::setModified(bool modified)
{
    m_editor->setModified(modified);
}

int TextControl::lineFromPosition(int position) const
{
    return int(send(Sci::SCI_LINEFROMPOSITION, (unsigned long)position));
}

int TextControl::positionFromLine(int line) const
{
    return int(send(Sci::SCI_POSITIONFROMLINE, (unsigned long)line));
}

int TextControl::characterCount(int from, int to) const
{
    // Plain ASCII, the usual case, is counted without stepping through the text character by
    // character: on a line of megabytes that is the difference between microseconds and a
    // noticeable pause on every key.
    // (The range alone: the whole text in one piece would cost a move of the editor's
    // buffer gap, through the whole text when typing near its start.)
    const int size = qMax(0, to - from);
    const auto *data = reinterpret_cast<const char *>(
        send(Sci::SCI_GETRANGEPOINTER, (unsigned long)from, size));
    const std::string_view range(data, data ? size_t(size) : 0);
    unsigned char high = 0;
    for (const char c : range)
        high |= static_cast<unsigned char>(c);
    if (high < 0x80)
        return int(range.size());
    return int(send(Sci::SCI_COUNTCHARACTERS, (unsigned long)from, to));
}

ReadStatus TextControl::loadFromFile(const QString &path)
{
    // The file goes into the editor a piece at a time, so that opening needs little more
    // memory than the text itself: no whole copy of it is ever made on the way. While no
    // assistive technology listens, the editor makes no notice of the insertions either
    // (which would copy each piece, and convert it to UTF-16 as well).
    const QScopedValueRollback<bool> inCall(m_inCall, true);
    bool started = false;
    const ReadStatus status = readFileInPieces(
        path,
        [&](qint64 size) {
            started = true;
            // The document may be replaced by one suited to the size; undo is switched off
            // on the one that receives the text, or the text would be copied into its undo
            // history.
            prepareDocumentFor(size);
            send(Sci::SCI_SETUNDOCOLLECTION, 0);
            clearFor(qsizetype(size));
        },
        [&](const char *piece, qsizetype length) {
            m_editor->SendScintilla(Sci::SCI_APPENDTEXT, (unsigned long)length, piece);
        });
    if (!started)
        return status;
    // A file that outgrew the control while it was read leaves nothing of it behind.
    if (status == ReadStatus::TooLarge)
        send(Sci::SCI_CLEARALL);
    showFromStart();
    adoptLineEnds();
    send(Sci::SCI_SETUNDOCOLLECTION, 1);
    send(Sci::SCI_EMPTYUNDOBUFFER);
    return status;
}

WriteStatus TextControl::saveToFile(const QString &path, QString *safeCopy) const
{
    const std::string_view all = bytes();
    return writeFileAtomic(path, QByteArray::fromRawData(all.data(), qsizetype(all.size())),
                           safeCopy);
}

void TextControl::appendLine(const QByteArray &text)
{
    const std::string_view all = bytes();
    const bool atLineStart = all.empty() || all.back() == '\n' || all.back() == '\r';
    appendText(atLineStart ? text + "\r\n" : "\r\n" + text);
}

void TextControl::appendText(const QByteArray &text)
{
    if (text.isEmpty())
        return;
    const QScopedValueRollback<bool> inCall(m_inCall, true);
    // Text added at the end is no edit to undo: the undo history would hold a second copy of
    // all of a program's output. Undoing earlier edits stays right, since they lie before it.
    const bool collecting = send(Sci::SCI_GETUNDOCOLLECTION) != 0;
    send(Sci::SCI_SETUNDOCOLLECTION, 0);
    m_editor->SendScintilla(Sci::SCI_APPENDTEXT, (uintptr_t)text.size(),
                            static_cast<const char *>(text.constData()));
    send(Sci::SCI_SETUNDOCOLLECTION, collecting ? 1 : 0);
    reportChange();
}

QFont TextControl::textFont() const
{
    return m_font;
}

QFont TextControl::shownFont() const
{
    // The editor sizes its text by points; a font given in pixels is shown at the same size.
    QFont shown = m_font;
    if (shown.pointSizeF() <= 0 && shown.pixelSize() > 0)
        shown.setPointSizeF(shown.pixelSize() * 72.0 / logicalDpiY());
    return shown;
}

void TextControl::setTextFont(const QFont &font)
{
    m_font = font;
    // A source text's styles each take the font from applyStyles: setting the editor's font
    // first would reset them all to the default style's look.
    if (m_source)
        applyStyles();
    else
        m_editor->setFont(shownFont());
}

void TextControl::cut()
{
    const QScopedValueRollback<bool> inCall(m_inCall, true);
    m_editor->cut();
    reportChange();
    checkSelection();
}

void TextControl::copy()
{
    m_editor->copy();
}

void TextControl::paste()
{
    const QScopedValueRollback<bool> inCall(m_inCall, true);
    m_editor->paste();
    reportChange();
    checkSelection();
}

} // namespace qv
