// The text control's line marks, caret placement by line and column, and line activation.
#include "textcontrol.h"

#include <Qsci/qsciscintilla.h>

#include <QEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace qv {

using Sci = QsciScintillaBase;

namespace {

constexpr int MarkMargin = 1;
constexpr int MarkSize = 14;
// Marker numbers below the folding markers, and styles of the annotations beyond those a
// lexer uses.
constexpr int ErrorMarker = 20;
constexpr int WarningMarker = 21;
// The range marks' symbols, and an invisible one on the line that shows their messages.
constexpr int RangeErrorMarker = 22;
constexpr int RangeWarningMarker = 23;
constexpr int ShownMarker = 24;
constexpr int ErrorStyle = 200;
// Indicators of their own, above those a lexer may use.
constexpr int ErrorIndicator = 20;
constexpr int WarningIndicator = 21;
constexpr int WarningStyle = 201;

int markerOf(TextControl::LineMark kind)
{
    return kind == TextControl::LineMark::Error ? ErrorMarker : WarningMarker;
}

int rangeMarkerOf(TextControl::LineMark kind)
{
    return kind == TextControl::LineMark::Error ? RangeErrorMarker : RangeWarningMarker;
}

// A red disc with a white cross for an error; an amber triangle with a dark "!" for a warning.
QImage markImage(TextControl::LineMark kind)
{
    QImage image(MarkSize, MarkSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(1, 1, MarkSize - 2, MarkSize - 2);
    if (kind == TextControl::LineMark::Error) {
        painter.setPen(QPen(QColor(0x9b, 0x1c, 0x1c), 1));
        painter.setBrush(QColor(0xd9, 0x30, 0x25));
        painter.drawEllipse(box);
        painter.setPen(QPen(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(4.5, 4.5), QPointF(9.5, 9.5));
        painter.drawLine(QPointF(9.5, 4.5), QPointF(4.5, 9.5));
        return image;
    }
    QPainterPath triangle;
    triangle.moveTo(box.center().x(), box.top());
    triangle.lineTo(box.bottomRight());
    triangle.lineTo(box.bottomLeft());
    triangle.closeSubpath();
    painter.setPen(QPen(QColor(0x8a, 0x5a, 0x00), 1));
    painter.setBrush(QColor(0xf5, 0xb3, 0x1a));
    painter.drawPath(triangle);
    painter.setPen(QPen(QColor(0x30, 0x20, 0x00), 1.6, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(7, 5), QPointF(7, 8.5));
    painter.drawPoint(QPointF(7, 10.8));
    return image;
}

// The same shapes as outlines with a small centre, so that a mark of the last check made while
// typing never looks like one of the last compile.
QImage rangeMarkImage(TextControl::LineMark kind)
{
    QImage image(MarkSize, MarkSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box(2, 2, MarkSize - 4, MarkSize - 4);
    if (kind == TextControl::LineMark::Error) {
        painter.setPen(QPen(QColor(0xd9, 0x30, 0x25), 2));
        painter.setBrush(Qt::white);
        painter.drawEllipse(box);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0xd9, 0x30, 0x25));
        painter.drawEllipse(box.center(), 1.6, 1.6);
        return image;
    }
    QPainterPath triangle;
    triangle.moveTo(box.center().x(), box.top());
    triangle.lineTo(box.bottomRight());
    triangle.lineTo(box.bottomLeft());
    triangle.closeSubpath();
    painter.setPen(QPen(QColor(0xd0, 0x8a, 0x00), 1.8));
    painter.setBrush(Qt::white);
    painter.drawPath(triangle);
    return image;
}

// Calls the handler on a double-click in the text, and on Enter without modifiers.
class LineActivation : public QObject
{
public:
    LineActivation(QsciScintilla *editor, std::function<bool(int)> handler)
        : QObject(editor)
        , m_editor(editor)
        , m_handler(std::move(handler))
    {
        editor->installEventFilter(this);
        editor->viewport()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress && watched == m_editor) {
            const auto *key = static_cast<QKeyEvent *>(event);
            const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
            if (!enter || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
                return false;
            int line = 0;
            int index = 0;
            m_editor->getCursorPosition(&line, &index);
            return m_handler(line);
        }
        if (event->type() == QEvent::MouseButtonDblClick && watched == m_editor->viewport()) {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() != Qt::LeftButton)
                return false;
            const int line = m_editor->lineAt(mouse->position().toPoint());
            return line >= 0 && m_handler(line);
        }
        return false;
    }

private:
    QsciScintilla *m_editor;
    std::function<bool(int)> m_handler;
};

} // namespace

void TextControl::prepareMarkMargin()
{
    if (m_editor->marginWidth(MarkMargin) != 0)
        return;
    for (LineMark each : {LineMark::Error, LineMark::Warning}) {
        m_editor->markerDefine(markImage(each), markerOf(each));
        m_editor->markerDefine(rangeMarkImage(each), rangeMarkerOf(each));
    }
    m_editor->markerDefine(QsciScintilla::Invisible, ShownMarker);
    m_editor->setMarginWidth(MarkMargin, MarkSize + 4);
    m_editor->setAnnotationDisplay(QsciScintilla::AnnotationBoxed);
    const struct {
        int indicator;
        QColor colour;
    } squiggles[] = {{ErrorIndicator, QColor(0xe0, 0x20, 0x20)},
                     {WarningIndicator, QColor(0xe0, 0x98, 0x00)}};
    for (const auto &squiggle : squiggles) {
        send(Sci::SCI_INDICSETSTYLE, squiggle.indicator, Sci::INDIC_SQUIGGLEPIXMAP);
        m_editor->SendScintilla(Sci::SCI_INDICSETFORE, squiggle.indicator, squiggle.colour);
        send(Sci::SCI_INDICSETUNDER, squiggle.indicator, 1);
    }
}

void TextControl::updateMarkMargin()
{
    const unsigned long all = (1u << ErrorMarker) | (1u << WarningMarker)
                              | (1u << RangeErrorMarker) | (1u << RangeWarningMarker);
    if (send(Sci::SCI_MARKERNEXT, 0, long(all)) < 0)
        m_editor->setMarginWidth(MarkMargin, 0);
}

void TextControl::styleMarkMessages()
{
    // The annotations' styles are set each time: a change of the text's font resets all
    // styles. They take the text's face at a slightly smaller size.
    QByteArray face(send(Sci::SCI_STYLEGETFONT, Sci::STYLE_DEFAULT) + 1, '\0');
    m_editor->SendScintilla(Sci::SCI_STYLEGETFONT, Sci::STYLE_DEFAULT, face.data());
    const long size = send(Sci::SCI_STYLEGETSIZEFRACTIONAL, Sci::STYLE_DEFAULT);
    const struct {
        int style;
        QColor fore;
        QColor back;
    } looks[] = {{ErrorStyle, QColor(0x7a, 0x10, 0x10), QColor(0xfd, 0xe8, 0xe6)},
                 {WarningStyle, QColor(0x5c, 0x40, 0x00), QColor(0xfd, 0xf3, 0xd8)}};
    for (const auto &look : looks) {
        m_editor->SendScintilla(Sci::SCI_STYLESETFONT, look.style, face.constData());
        send(Sci::SCI_STYLESETSIZEFRACTIONAL, look.style, size * 9 / 10);
        m_editor->SendScintilla(Sci::SCI_STYLESETFORE, look.style, look.fore);
        m_editor->SendScintilla(Sci::SCI_STYLESETBACK, look.style, look.back);
    }
}

int TextControl::addLineMark(int line, LineMark kind, const QString &message)
{
    showRangeMessages(-1);
    prepareMarkMargin();
    styleMarkMessages();
    const int handle = m_editor->markerAdd(line, markerOf(kind));
    QString shown = m_editor->annotation(line);
    if (!shown.isEmpty())
        shown += u'\n';
    shown += message;
    // An error among a line's marks gives the line's message the error's look.
    const bool anyError = kind == LineMark::Error || lineMarks(line).contains(LineMark::Error);
    m_editor->annotate(line, shown, anyError ? ErrorStyle : WarningStyle);
    m_lineMarks.append({handle, kind, message});
    return handle;
}

void TextControl::removeLineMark(int handle)
{
    const auto placed = std::find_if(m_lineMarks.cbegin(), m_lineMarks.cend(),
                                     [handle](const PlacedLineMark &mark) {
                                         return mark.handle == handle;
                                     });
    if (placed == m_lineMarks.cend())
        return;
    m_lineMarks.erase(placed);
    const int line = m_editor->markerLine(handle);
    if (line < 0)
        return;
    showRangeMessages(-1);
    m_editor->markerDeleteHandle(handle);
    // The line shows the messages of the marks left on it.
    QString shown;
    bool anyError = false;
    for (const PlacedLineMark &mark : std::as_const(m_lineMarks)) {
        if (m_editor->markerLine(mark.handle) != line)
            continue;
        shown += (shown.isEmpty() ? QString() : QStringLiteral("\n")) + mark.message;
        anyError = anyError || mark.kind == LineMark::Error;
    }
    if (shown.isEmpty())
        m_editor->clearAnnotations(line);
    else
        m_editor->annotate(line, shown, anyError ? ErrorStyle : WarningStyle);
    updateMarkMargin();
}

void TextControl::clearLineMarks()
{
    m_lineMarks.clear();
    if (m_editor->marginWidth(MarkMargin) == 0)
        return;
    const int shown = shownRangeMessagesLine();
    m_editor->markerDeleteAll(ErrorMarker);
    m_editor->markerDeleteAll(WarningMarker);
    m_editor->markerDeleteAll(ShownMarker);
    m_editor->clearAnnotations();
    updateMarkMargin();
    if (shown >= 0) {
        m_lineMessageKept.clear();
        showRangeMessages(shown);
    }
}

void TextControl::setRangeMarks(const QList<RangeMark> &marks)
{
    const int shown = shownRangeMessagesLine();
    showRangeMessages(-1);
    if (!m_rangeMarks.isEmpty()) {
        for (const int indicator : {ErrorIndicator, WarningIndicator}) {
            send(Sci::SCI_SETINDICATORCURRENT, indicator);
            send(Sci::SCI_INDICATORCLEARRANGE, 0, length());
        }
        m_editor->markerDeleteAll(RangeErrorMarker);
        m_editor->markerDeleteAll(RangeWarningMarker);
        m_rangeMarks.clear();
    }
    if (!marks.isEmpty())
        prepareMarkMargin();
    const int size = length();
    for (const RangeMark &mark : marks) {
        const int start = std::clamp(mark.start, 0, size);
        const int end = std::clamp(mark.end, start, size);
        send(Sci::SCI_SETINDICATORCURRENT,
             mark.kind == LineMark::Error ? ErrorIndicator : WarningIndicator);
        send(Sci::SCI_INDICATORFILLRANGE, (unsigned long)start, end - start);
        const int marker = m_editor->markerAdd(lineFromPosition(start), rangeMarkerOf(mark.kind));
        m_rangeMarks.append({marker, mark});
    }
    updateMarkMargin();
    if (shown >= 0)
        showRangeMessages(shown);
}

QStringList TextControl::rangeMessages(int line) const
{
    QStringList messages;
    if (line < 0)
        return messages;
    for (const PlacedRangeMark &placed : m_rangeMarks) {
        if (m_editor->markerLine(placed.marker) == line)
            messages.append(placed.mark.message);
    }
    return messages;
}

int TextControl::nextRangeMarkLine(int line, int step) const
{
    const unsigned long mask = (1u << RangeErrorMarker) | (1u << RangeWarningMarker);
    if (step > 0)
        return int(send(Sci::SCI_MARKERNEXT, (unsigned long)(line + 1), long(mask)));
    return line <= 0 ? -1 : int(send(Sci::SCI_MARKERPREVIOUS, (unsigned long)(line - 1), long(mask)));
}

int TextControl::rangeMarkPosition(int line) const
{
    // A squiggle has moved with its text: its first start on the line, or the line's start.
    const int lineStart = positionFromLine(line);
    const int lineEnd = int(send(Sci::SCI_GETLINEENDPOSITION, (unsigned long)line));
    int first = lineStart;
    for (const int indicator : {ErrorIndicator, WarningIndicator}) {
        if (send(Sci::SCI_INDICATORVALUEAT, indicator, lineStart))
            return lineStart;
        const int start = int(send(Sci::SCI_INDICATOREND, indicator, lineStart));
        if (start > lineStart && start <= lineEnd && (first == lineStart || start < first))
            first = start;
    }
    return first;
}

int TextControl::shownRangeMessagesLine() const
{
    return int(send(Sci::SCI_MARKERNEXT, 0, long(1u << ShownMarker)));
}

void TextControl::showRangeMessages(int line)
{
    const int shown = shownRangeMessagesLine();
    if (shown >= 0) {
        m_editor->markerDelete(shown, ShownMarker);
        if (m_lineMessageKept.isEmpty())
            m_editor->clearAnnotations(shown);
        else
            m_editor->annotate(shown, m_lineMessageKept, m_lineStyleKept);
        m_lineMessageKept.clear();
    }
    const QStringList messages = rangeMessages(line);
    if (messages.isEmpty())
        return;
    prepareMarkMargin();
    styleMarkMessages();
    m_lineMessageKept = m_editor->annotation(line);
    m_lineStyleKept = int(send(Sci::SCI_ANNOTATIONGETSTYLE, (unsigned long)line));
    bool anyError = lineMarks(line).contains(LineMark::Error);
    for (const PlacedRangeMark &placed : std::as_const(m_rangeMarks)) {
        if (m_editor->markerLine(placed.marker) == line && placed.mark.kind == LineMark::Error)
            anyError = true;
    }
    QString text = m_lineMessageKept;
    for (const QString &message : messages)
        text += (text.isEmpty() ? QString() : QStringLiteral("\n")) + message;
    m_editor->annotate(line, text, anyError ? ErrorStyle : WarningStyle);
    m_editor->markerAdd(line, ShownMarker);
}

int TextControl::lineOfMark(int handle) const
{
    return m_editor->markerLine(handle);
}

QList<TextControl::LineMark> TextControl::lineMarks(int line) const
{
    const unsigned markers = m_editor->markersAtLine(line);
    QList<LineMark> kinds;
    if (markers & (1u << ErrorMarker))
        kinds.append(LineMark::Error);
    if (markers & (1u << WarningMarker))
        kinds.append(LineMark::Warning);
    return kinds;
}

QString TextControl::lineMessage(int line) const
{
    return m_editor->annotation(line);
}

void TextControl::gotoLineColumn(int line, int column)
{
    const int lineStart = positionFromLine(line);
    const int lineEnd = int(send(Sci::SCI_GETLINEENDPOSITION, (unsigned long)line));
    const int before = std::max(column - 1, 0);
    const int position = before >= characterCount(lineStart, lineEnd)
                             ? lineEnd
                             : int(send(Sci::SCI_POSITIONRELATIVE, (unsigned long)lineStart,
                                        before));
    send(Sci::SCI_ENSUREVISIBLE, (unsigned long)line);
    send(Sci::SCI_GOTOPOS, (unsigned long)position);
    send(Sci::SCI_SCROLLCARET);
    checkSelection();
}

void TextControl::setLineActivation(std::function<bool(int line)> handler)
{
    new LineActivation(m_editor, std::move(handler));
}

QPoint TextControl::pointOfPosition(int position) const
{
    return QPoint(int(send(Sci::SCI_POINTXFROMPOSITION, 0, position)),
                  int(send(Sci::SCI_POINTYFROMPOSITION, 0, position)));
}

} // namespace qv
