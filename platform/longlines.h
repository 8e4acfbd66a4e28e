#pragma once

#include <QObject>

class QsciScintillaBase;

namespace qv {

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
