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
constexpr int ErrorStyle = 200;
constexpr int WarningStyle = 201;

int markerOf(TextControl::LineMark kind)
{
    return kind == TextControl::LineMark::Error ? ErrorMarker : WarningMarker;
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

int TextControl::addLineMark(int line, LineMark kind, const QString &message)
{
    if (m_editor->marginWidth(MarkMargin) == 0) {
        for (LineMark each : {LineMark::Error, LineMark::Warning})
            m_editor->markerDefine(markImage(each), markerOf(each));
        m_editor->setMarginWidth(MarkMargin, MarkSize + 4);
        m_editor->setAnnotationDisplay(QsciScintilla::AnnotationBoxed);
    }
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

    const int handle = m_editor->markerAdd(line, markerOf(kind));
    QString shown = m_editor->annotation(line);
    if (!shown.isEmpty())
        shown += u'\n';
    shown += message;
    // An error among a line's marks gives the line's message the error's look.
    const bool anyError = kind == LineMark::Error || lineMarks(line).contains(LineMark::Error);
    m_editor->annotate(line, shown, anyError ? ErrorStyle : WarningStyle);
    return handle;
}

void TextControl::clearLineMarks()
{
    if (m_editor->marginWidth(MarkMargin) == 0)
        return;
    m_editor->markerDeleteAll(ErrorMarker);
    m_editor->markerDeleteAll(WarningMarker);
    m_editor->clearAnnotations();
    m_editor->setMarginWidth(MarkMargin, 0);
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
