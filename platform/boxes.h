#pragma once

#include <QDialog>
#include <QString>
#include <QStringDecoder>

class QDialogButtonBox;
class QPlainTextEdit;
class QTimer;

namespace qv {

// The plain message box: the application's title, the text, one "OK" button, no icon.
// Each carriage return in the text is shown as a line break.
void messageBox(const QString &text);

enum class Answer { Yes, No, Cancel };
// The confirmation box: caption "Confirm", question icon, "&Yes", "&No" and "Cancel".
// Escape or closing the box is Cancel; Enter gives the default answer.
Answer confirm(const QString &text, Answer defaultAnswer = Answer::Yes);

// The application's error box: the message followed by ".", the application's title, a stop
// icon and "OK".
void errorBox(const QString &message);

// A plain message box for text that arrives in pieces, such as a program's error output:
// the application's title, the text as plain text in the desktop's fixed-pitch face, and one
// "OK" button. It grows with its text up to a part of the screen and scrolls beyond. It is
// not modal: shown with show(), it stays open beside the windows while more text is added,
// and it frees itself when closed. Of a text longer than about a megabyte it keeps the first
// and the last half megabyte, with a line between them saying how much was left out.
class TextBox : public QDialog
{
    Q_OBJECT

public:
    explicit TextBox(QWidget *parent = nullptr);

    // Adds bytes of text in the system's encoding; a character split between two pieces is
    // put together.
    void appendBytes(const QByteArray &bytes);
    // The text as shown, with what has arrived so far.
    QString text();
    // Returns once the box has been closed (at once when it is not open), serving events
    // meanwhile.
    void waitUntilClosed();

    static constexpr qsizetype KeptHeadBytes = 512 * 1024;
    static constexpr qsizetype KeptTailBytes = 512 * 1024;

private:
    void showHead(const QByteArray &bytes);
    void showTail();
    void fitToText();

    QPlainTextEdit *m_text = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
    QTimer *m_tailPause = nullptr;
    QStringDecoder m_decoder;
    QSize m_fitted;
    int m_widestLine = 0;
    qsizetype m_column = 0;
    // Bytes received, bytes shown from the start, and the last bytes once the start is full.
    qsizetype m_received = 0;
    qsizetype m_headBytes = 0;
    int m_headEnd = 0;
    QByteArray m_tail;
    bool m_tailShown = true;
};

// The default beep that signals a search that found nothing.
void beep();
// How many times beep() has sounded in this process (for tests and diagnostics).
int beepCount();

} // namespace qv
