#pragma once

#include <QByteArray>
#include <QFont>
#include <QWidget>

#include <functional>
#include <string_view>

class QKeySequence;
class QsciLexer;
class QsciScintilla;

namespace qv {

enum class ReadStatus;
enum class WriteStatus;

// The highlighting a text is shown with.
enum class Highlighting { Plain, Java, Html };

// Texts larger than this open without highlighting: they are kept without style bytes, so
// they cost little more memory than their size and no time is spent colouring them.
inline constexpr qsizetype highlightingLimit = 8 * 1024 * 1024;

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
    // Takes one mark and its message away; a handle no longer set is passed over.
    void removeLineMark(int handle);
    void clearLineMarks();
    // The 0-based line a mark is on now, or -1 when its line has been deleted.
    int lineOfMark(int handle) const;
    // The kinds of the marks on a line, and the message shown under it.
    QList<LineMark> lineMarks(int line) const;
    QString lineMessage(int line) const;

    // Marks on ranges of the text, as a check made while typing leaves them: a squiggle under
    // the range (red for an error, amber for a warning) and a symbol in the margin unlike a
    // line mark's. They move with their text; each call replaces all of them. Their messages
    // show under a line only when asked for, beside the line marks' own.
    struct RangeMark
    {
        int start = 0;
        int end = 0;
        LineMark kind = LineMark::Error;
        QString message;
    };
    void setRangeMarks(const QList<RangeMark> &marks);
    // The messages of the range marks on a 0-based line, where edits have moved them.
    QStringList rangeMessages(int line) const;
    // The first range mark's line after (step 1) or before (step -1) the line, or -1; and
    // where on that line its first mark starts.
    int nextRangeMarkLine(int line, int step) const;
    int rangeMarkPosition(int line) const;
    // Shows the line's range messages under it; -1 (or a line without any) hides them.
    void showRangeMessages(int line);
    int shownRangeMessagesLine() const;

    // Puts the caret on the 0-based line at the 1-based column, counted in characters (the
    // line's end when it is shorter), and scrolls it into view.
    void gotoLineColumn(int line, int column);
    // handler gets the 0-based line of a double-click, or of the caret when Enter is pressed;
    // when it returns true the key or click has been dealt with and does nothing else.
    void setLineActivation(std::function<bool(int line)> handler);
    // Where the character at position is drawn, in view()'s coordinates.
    QPoint pointOfPosition(int position) const;
    // The face, size and colour the character at position is shown in.
    QFont shownFontAt(int position) const;
    QColor shownColourAt(int position) const;

    // Source editing (textstyle.cpp): the control keeps style bytes for highlighting (unless
    // a loaded text is over highlightingLimit), Enter keeps the indentation of the line
    // above, braces are matched, the caret line and indentation guides are shown, and a new
    // text uses LF line ends. Called once, while the control is empty.
    void setSourceEditing();
    void setHighlighting(Highlighting language);
    // The highlighting in use: Plain when none was asked for or the text is too large.
    Highlighting highlighting() const;
    bool tooLargeToHighlight() const { return m_tooLarge; }
    void setLineNumbersShown(bool shown);
    bool lineNumbersShown() const { return m_lineNumbers; }

    // Editing commands (textediting.cpp).
    void undo();
    void redo();
    void selectAll();
    int lineCount() const;
    // The keys the program's own commands take: the control gives up its bindings for them.
    void leaveKeysToCommands(const QList<QKeySequence> &keys);

    // Completion lists (textcompletion.cpp). A list of labels at the caret, for the name that
    // begins at start: it follows the typing, Enter or Tab choose a label, Escape and any
    // character that cannot be part of a name close it.
    void showCompletionList(int start, const QStringList &labels);
    // Whether a list is shown, this one or that of completeFromWords().
    bool completionListShown() const;
    void closeCompletionList();
    // The words of the text that begin like the one at the caret.
    void completeFromWords();

signals:
    void changed();
    void selectionChanged();
    // A character typed in, after it has been inserted.
    void characterTyped(int character);
    // A label of the completion list was chosen; nothing has been inserted for it.
    void completionChosen(const QString &label);
    // The modified flag has changed, by an edit, an undo back to the saved text, or a save.
    void modifiedChanged(bool modified);

private:
    void checkSelection();
    // Empties the text and makes room for size bytes.
    void clearFor(qsizetype size);
    // Caret and view to the start of a new text, which is reported as a change.
    void showFromStart();
    void noteChange(int type);
    void reportChange();
    QFont shownFont() const;
    // Source editing (textstyle.cpp).
    void useDocument(bool styled);
    void prepareDocumentFor(qsizetype size);
    void applyStyles();
    void updateLineNumberWidth();
    // Line ends (textediting.cpp): Enter and paste insert the text's first kind of line end.
    void adoptLineEnds();
    long send(unsigned int message, unsigned long wParam = 0, long lParam = 0) const;
    // The mark margin and its symbols (textmarks.cpp): shown while any mark is set.
    void prepareMarkMargin();
    void updateMarkMargin();
    void styleMarkMessages();
    void prepareCompletion();

    struct PlacedRangeMark
    {
        int marker;
        RangeMark mark;
    };
    QList<PlacedRangeMark> m_rangeMarks;
    struct PlacedLineMark
    {
        int handle;
        LineMark kind;
        QString message;
    };
    // The line marks set, in the order they were added.
    QList<PlacedLineMark> m_lineMarks;
    // The line marks' own message of the line that shows range messages too.
    QString m_lineMessageKept;
    int m_lineStyleKept = 0;

    QsciScintilla *m_editor;
    QFont m_font;
    int m_reportedStart = 0;
    int m_reportedEnd = 0;
    bool m_changePending = false;
    bool m_completionShown = false;
    bool m_inCall = false;
    bool m_source = false;
    bool m_styled = false;
    bool m_tooLarge = false;
    bool m_lineNumbers = false;
    int m_lineNumberDigits = 0;
    Highlighting m_language = Highlighting::Plain;
    Highlighting m_lexerLanguage = Highlighting::Plain;
    QsciLexer *m_lexer = nullptr;
};

} // namespace qv
