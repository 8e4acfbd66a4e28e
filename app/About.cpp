#include "About.h"

#include "platform/icons.h"

#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

TAboutBox *AboutBox = nullptr;

TAboutBox::TAboutBox(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(QFont(QStringLiteral("MS Sans Serif"), 8));
    setFixedSize(298, 213);

    Panel1 = new QFrame(this);
    Panel1->setFrameShape(QFrame::Panel);
    Panel1->setFrameShadow(QFrame::Sunken);
    Panel1->setGeometry(8, 8, 281, 161);

    ProgramIcon = new QLabel(Panel1);
    ProgramIcon->setGeometry(8, 8, 65, 57);
    ProgramIcon->setScaledContents(true);
    ProgramIcon->setPixmap(qv::toolIcon(qv::ToolIcon::Compile).pixmap(16, 16));

    ProductName = new QLabel(QStringLiteral("Quorvel"), Panel1);
    QFont nameFont = font();
    nameFont.setPixelSize(19);
    ProductName->setFont(nameFont);
    QPalette aqua = ProductName->palette();
    aqua.setColor(QPalette::WindowText, QColor(0, 255, 255));
    ProductName->setPalette(aqua);
    ProductName->move(88, 16);
    ProductName->adjustSize();

    Version = new QLabel(QStringLiteral(".99c (beta)"), Panel1);
    Version->move(88, 40);
    Version->adjustSize();

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setGeometry(111, 180, 75, 25);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);

    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        move(area.center() - rect().center());
    }
}
