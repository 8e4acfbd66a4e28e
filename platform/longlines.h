#pragma once

#include <QByteArray>
#include <QObject>

class QsciScintillaBase;

namespace qv {

// Windows that show a program's output break its lines at this many bytes, as a terminal's
// scroll-back does, so that adding a piece costs in proportion to the piece whatever the
// program writes.
constexpr qsizetype ShownLineWidth = 4096;

// Breaks text into lines of at most width bytes: a line break goes in wherever a line would
// grow longer, never inside a UTF-8 character. column is the length of the line that the text
// continues; it becomes the length of the text's last line.
QByteArray breakLongLines(const QByteArray &text, qsizetype width, qsizetype &column);

// The editor lays out a whole line, measuring every character, before it can show any of it
// or place the caret on it; on a line of megabytes that takes seconds. From a change that
// leaves such a line (or is that large itself) until the editor has painted again, this
// shows the busy cursor.
class LongLineWait : public QObject
{
public:
    // Bytes of a line whose layout takes noticeably long (a fifth of a second or more).
    static constexpr long LongLine = 100000;

    explicit LongLineWait(QsciScintillaBase *editor);
    ~LongLineWait() override;

    bool waiting() const { return m_waiting; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void noteChange(int position, int type, int length);
    void start();
    void stop();

    QsciScintillaBase *m_editor;
    bool m_waiting = false;
    bool m_armed = false;
};

} // namespace qv
