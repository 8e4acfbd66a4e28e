#pragma once

#include <QDialog>
#include <QString>
#include <QStringDecoder>

class QDialogButtonBox;
class QPlainTextEdit;

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
// "OK" button. It grows with its text up to a part of the screen and scrolls beyond. Shown
// with show(), it is modal to the application but does not wait, so more text can be added
// while it is open; it frees itself when closed.
class TextBox : public QDialog
{
    Q_OBJECT

public:
    explicit TextBox(QWidget *parent = nullptr);

    // Adds bytes of text in the system's encoding; a character split between two pieces is
    // put together.
    void appendBytes(const QByteArray &bytes);
    QString text() const;
    // Returns once the box has been closed (at once when it is not open), serving events
    // meanwhile.
    void waitUntilClosed();

private:
    void fitToText();

    QPlainTextEdit *m_text = nullptr;
    QDialogButtonBox *m_buttons = nullptr;
    QStringDecoder m_decoder;
    QSize m_fitted;
    int m_widestLine = 0;
};

// The default beep that signals a search that found nothing.
void beep();
// How many times beep() has sounded in this process (for tests and diagnostics).
int beepCount();

} // namespace qv
