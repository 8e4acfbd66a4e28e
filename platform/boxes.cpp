#include "boxes.h"

#include "application.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

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

Answer confirm(const QString &text)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), shownText(text),
                    QMessageBox::NoButton, boxParent());
    QPushButton *yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    QPushButton *cancel = box.addButton(QStringLiteral("Cancel"), QMessageBox::RejectRole);
    box.setDefaultButton(yes);
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
