#pragma once

#include <QByteArray>
#include <QFont>
#include <QWidget>

#include <functional>
#include <string_view>

class QsciScintilla;

namespace qv {

enum class ReadStatus;
enum class WriteStatus;

// The multi-line text control. It holds the bytes of its text unchanged (any encoding, NUL
// bytes, CR LF, LF or CR line ends); positions are byte offsets into that text. Shown
// without word wrap, with both scroll bars; Tab inserts a tab; the selection stays visible
// without the focus.
class TextControl : public QWidget
{
    Q_OBJECT

public:
    explicit TextControl(QWidget *parent = nullptr);
    ~TextControl() override;

    // The widget that takes keyboard input (for typing into the control).
    QWidget *view() const;

    QByteArray text() const;
    // The whole text in place, valid until the next change of the text.
    std::string_view bytes() const;
    int length() const;
    void setText(const QByteArray &text);

    int selStart() const;
    int selLength() const;
    QByteArray selText() const;
    void setSelection(int start, int length);
    void replaceSelection(const QByteArray &text);
    // Replaces [start, end) as one undoable edit and puts the caret at caret.
    void replaceRange(int start, int end, const QByteArray &text, int caret);

    bool modified() const;
    void setModified(bool modified);

    int lineFromPosition(int position) const;
    int positionFromLine(int line) const;
    // The number of characters (not bytes) between two positions.
    int characterCount(int from, int to) const;

    // Replaces the text with the file's bytes. On ReadFailed the text read so far is kept.
    ReadStatus loadFromFile(const QString &path);
    // On a failure half-way through an in-place write, safeCopy names the full copy kept.
    WriteStatus saveToFile(const QString &path, QString *safeCopy = nullptr) const;

    // Adds a line at the end: when the text is empty or ends with a line break, text and a
    // line break; otherwise a line break and text.
    void appendLine(const QByteArray &text);
    // Adds the bytes at the very end, without any line break of its own.
    void appendText(const QByteArray &text);

    QFont textFont() const;
    void setTextFont(const QFont &font);

    void cut();
    void copy();
    void paste();

    // Marks on whole lines: a symbol in a margin that shows while any mark is set, and a
    // message shown under the line. A mark moves with its line as the text is edited.
    enum class LineMark { Error, Warning };
    // Returns the mark's handle. Messages of several marks on one line are shown together.
    int addLineMark(int line, LineMark kind, const QString &message);
    void clearLineMarks();
    // The 0-based line a mark is on now, or -1 when its line has been deleted.
    int lineOfMark(int handle) const;
    // The kinds of the marks on a line, and the message shown under it.
    QList<LineMark> lineMarks(int line) const;
    QString lineMessage(int line) const;

    // Puts the caret on the 0-based line at the 1-based column, counted in characters (the
    // line's end when it is shorter), and scrolls it into view.
    void gotoLineColumn(int line, int column);
    // handler gets the 0-based line of a double-click, or of the caret when Enter is pressed;
    // when it returns true the key or click has been dealt with and does nothing else.
    void setLineActivation(std::function<bool(int line)> handler);
    // Where the character at position is drawn, in view()'s coordinates.
    QPoint pointOfPosition(int position) const;

signals:
    void changed();
    void selectionChanged();

private:
    void checkSelection();
    void noteChange(int type);
    void reportChange();
    long send(unsigned int message, unsigned long wParam = 0, long lParam = 0) const;

    QsciScintilla *m_editor;
    QFont m_font;
    int m_reportedStart = 0;
    int m_reportedEnd = 0;
    bool m_changePending = false;
    bool m_inCall = false;
};

} // namespace qv
