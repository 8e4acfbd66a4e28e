#include "boxes.h"

#include "application.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFontDatabase>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
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
    setWindowModality(Qt::ApplicationModal);
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
}

void TextBox::appendBytes(const QByteArray &bytes)
{
    QString piece = m_decoder.decode(bytes);
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
    fitToText();
}

QString TextBox::text() const
{
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
