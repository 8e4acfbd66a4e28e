#include "boxes.h"

#include "application.h"
#include "longlines.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFontDatabase>
#include <QLocale>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace qv {

namespace {

QString shownText(QString text)
{
    return text.replace(u'\r', u'\n');
}

QWidget *boxParent()
{
    return QApplication::activeWindow();
}

} // namespace

void messageBox(const QString &text)
{
    QMessageBox box(QMessageBox::NoIcon, app()->title(), shownText(text), QMessageBox::Ok,
                    boxParent());
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box.exec();
}

Answer confirm(const QString &text, Answer defaultAnswer)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), shownText(text),
                    QMessageBox::NoButton, boxParent());
    QPushButton *yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    QPushButton *cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(defaultAnswer == Answer::Yes  ? yes
                         : defaultAnswer == Answer::No ? no
                                                       : cancel);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == yes)
        return Answer::Yes;
    if (box.clickedButton() == no)
        return Answer::No;
    return Answer::Cancel;
}

void errorBox(const QString &message)
{
    QMessageBox box(QMessageBox::Critical, app()->title(), shownText(message + u'.'),
                    QMessageBox::Ok, boxParent());
    box.button(QMessageBox::Ok)->setText(QStringLiteral("OK"));
    box.exec();
}

TextBox::TextBox(QWidget *parent)
    : QDialog(parent ? parent : boxParent())
    , m_decoder(QStringConverter::System)
{
    setWindowTitle(app()->title());
    // A box that held the whole application would keep the user from Stop, and from
    // closing, for as long as a program goes on writing.
    setWindowModality(Qt::NonModal);
    setAttribute(Qt::WA_DeleteOnClose);
    m_text = new QPlainTextEdit(this);
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text->setFrameShape(QFrame::NoFrame);
    auto *buttons = m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->setCenterButtons(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_text, 1);
    layout->addWidget(buttons);
    buttons->button(QDialogButtonBox::Ok)->setFocus();
    // The end of a long text is shown anew at most this often, not after every piece.
    m_tailPause = new QTimer(this);
    m_tailPause->setSingleShot(true);
    m_tailPause->setInterval(250);
    connect(m_tailPause, &QTimer::timeout, this, &TextBox::showTail);
}

void TextBox::appendBytes(const QByteArray &bytes)
{
    m_received += bytes.size();
    if (m_tail.isEmpty() && m_headBytes + bytes.size() <= KeptHeadBytes) {
        m_headBytes += bytes.size();
        showHead(bytes);
        return;
    }
    m_tail += bytes;
    // Dropped a half at a time, so that keeping the last part costs in proportion to the text.
    if (m_tail.size() > 2 * KeptTailBytes)
        m_tail.remove(0, m_tail.size() - KeptTailBytes);
    m_tailShown = false;
    if (!m_tailPause->isActive())
        m_tailPause->start();
}

void TextBox::showHead(const QByteArray &bytes)
{
    QString piece = m_decoder.decode(breakLongLines(bytes, ShownLineWidth, m_column));
    piece.remove(u'\r');
    if (piece.isEmpty())
        return;
    const QFontMetrics metrics(m_text->font());
    for (const QStringView line : QStringView(piece).split(u'\n'))
        m_widestLine = std::max(m_widestLine, int(metrics.horizontalAdvance(line.toString())));
    // The view stays where the reader put it, at first on the first lines: a compiler's
    // first message is the one to read first.
    QTextCursor end(m_text->document());
    end.movePosition(QTextCursor::End);
    end.insertText(piece);
    m_headEnd = end.position();
    fitToText();
}

void TextBox::showTail()
{
    m_tailPause->stop();
    if (m_tailShown)
        return;
    m_tailShown = true;
    QByteArray tail = m_tail.right(KeptTailBytes);
    qsizetype leftOut = m_received - m_headBytes - tail.size();
    // What is shown of the end starts with a whole line.
    if (const qsizetype newline = tail.indexOf('\n'); leftOut > 0 && newline >= 0) {
        leftOut += newline + 1;
        tail.remove(0, newline + 1);
    }
    QString shown;
    if (leftOut > 0) {
        if (m_column > 0)
            shown += u'\n';
        shown += QStringLiteral("... %1 bytes left out ...\n")
                     .arg(QLocale(QLocale::English).toString(qlonglong(leftOut)));
    }
    qsizetype column = leftOut > 0 ? 0 : m_column;
    QStringDecoder decoder(QStringConverter::System);
    shown += decoder.decode(breakLongLines(tail, ShownLineWidth, column));
    shown.remove(u'\r');
    QTextCursor rest(m_text->document());
    rest.setPosition(m_headEnd);
    rest.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    rest.insertText(shown);
    fitToText();
}

QString TextBox::text()
{
    showTail();
    return m_text->toPlainText();
}

void TextBox::fitToText()
{
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect room = screen ? screen->availableGeometry() : QRect(0, 0, 800, 600);
    const QFontMetrics metrics(m_text->font());
    const int lines = m_text->document()->blockCount();
    const QMargins margins = layout()->contentsMargins();
    const int scrollBar = m_text->verticalScrollBar()->sizeHint().width();
    const int wantedWidth = m_widestLine + 2 * metrics.averageCharWidth() + margins.left()
                            + margins.right() + scrollBar;
    const int wantedHeight = (lines + 1) * metrics.lineSpacing() + scrollBar + margins.top()
                             + margins.bottom() + layout()->spacing()
                             + m_buttons->sizeHint().height();
    // It only grows, so that the text does not jump under the reader's eyes.
    const auto grown = [](int wanted, int now, int least, int most) {
        most = std::max(least, most);
        return std::clamp(wanted, std::min(std::max(now, least), most), most);
    };
    const QSize fitted(grown(wantedWidth, m_fitted.width(), 240, room.width() * 4 / 5),
                       grown(wantedHeight, m_fitted.height(), 100, room.height() * 3 / 4));
    if (fitted == m_fitted)
        return;
    m_fitted = fitted;
    resize(fitted);
    if (!isVisible())
        return;
    // Kept whole on the screen as it grows.
    QRect frame = frameGeometry();
    frame.moveRight(std::min(frame.right(), room.right()));
    frame.moveBottom(std::min(frame.bottom(), room.bottom()));
    frame.moveLeft(std::max(frame.left(), room.left()));
    frame.moveTop(std::max(frame.top(), room.top()));
    move(frame.topLeft());
}

void TextBox::waitUntilClosed()
{
    if (!isVisible())
        return;
    QEventLoop loop;
    connect(this, &QDialog::finished, &loop, &QEventLoop::quit);
    connect(this, &QObject::destroyed, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::DialogExec);
}

namespace {
int beeps = 0;
}

void beep()
{
    ++beeps;
    QApplication::beep();
}

int beepCount()
{
    return beeps;
}

} // namespace qv
