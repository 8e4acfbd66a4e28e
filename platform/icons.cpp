#include "icons.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace qv {

namespace {

void page(QPainter &p, int x, int y, int w, int h)
{
    QPolygon shape;
    shape << QPoint(x, y) << QPoint(x + w - 4, y) << QPoint(x + w, y + 4)
          << QPoint(x + w, y + h) << QPoint(x, y + h);
    p.setBrush(Qt::white);
    p.drawPolygon(shape);
}

void folder(QPainter &p, int x, int y)
{
    p.setBrush(QColor(240, 200, 80));
    p.drawRect(x, y + 3, 12, 9);
    p.drawRect(x, y + 1, 5, 2);
}

// The program's picture, a hammer, as filled and outlined rectangles on a 16 × 16 grid: the
// tool button draws it, and the desktop's icon files are made from the same list.
struct Part
{
    QRectF rect;
    QColor fill;
};

const Part ProgramPicture[] = {
    {QRectF(1, 3, 9, 5), QColor(150, 150, 150)},
    {QRectF(5, 8, 2, 7), QColor(140, 90, 40)},
};

void drawProgramPicture(QPainter &p)
{
    for (const Part &part : ProgramPicture) {
        p.setBrush(part.fill);
        p.drawRect(part.rect);
    }
}

void magnifier(QPainter &p)
{
    p.setBrush(QColor(200, 230, 255));
    p.drawEllipse(2, 2, 8, 8);
    p.setPen(QPen(Qt::black, 2));
    p.drawLine(9, 9, 14, 14);
    p.setPen(Qt::black);
}

void draw(QPainter &p, ToolIcon which)
{
    switch (which) {
    case ToolIcon::New:
        page(p, 3, 1, 10, 14);
        break;
    case ToolIcon::Open:
        folder(p, 2, 2);
        break;
    case ToolIcon::Save:
        p.setBrush(QColor(60, 60, 160));
        p.drawRect(2, 2, 12, 12);
        p.setBrush(Qt::white);
        p.drawRect(4, 2, 8, 5);
        p.setBrush(Qt::gray);
        p.drawRect(5, 10, 6, 4);
        break;
    case ToolIcon::Cut:
        p.drawLine(4, 1, 10, 10);
        p.drawLine(12, 1, 6, 10);
        p.drawEllipse(2, 10, 4, 4);
        p.drawEllipse(10, 10, 4, 4);
        break;
    case ToolIcon::Copy:
        page(p, 1, 1, 8, 10);
        page(p, 6, 5, 8, 10);
        break;
    case ToolIcon::Paste:
        p.setBrush(QColor(170, 120, 60));
        p.drawRect(2, 2, 10, 12);
        page(p, 7, 6, 7, 9);
        break;
    case ToolIcon::Search:
        magnifier(p);
        break;
    case ToolIcon::Replace:
        magnifier(p);
        p.setPen(QColor(180, 0, 0));
        p.drawLine(10, 2, 15, 2);
        p.drawLine(13, 0, 15, 2);
        break;
    case ToolIcon::Browser:
        p.setBrush(QColor(120, 180, 240));
        p.drawEllipse(1, 1, 13, 13);
        p.drawLine(1, 7, 14, 7);
        p.drawEllipse(5, 1, 5, 13);
        break;
    case ToolIcon::Interpreter: {
        p.setBrush(QColor(40, 160, 60));
        QPolygon play;
        play << QPoint(4, 2) << QPoint(13, 8) << QPoint(4, 14);
        p.drawPolygon(play);
        break;
    }
    case ToolIcon::Compile:
        drawProgramPicture(p);
        break;
    case ToolIcon::Exit:
        p.setBrush(QColor(160, 100, 50));
        p.drawRect(3, 1, 9, 14);
        p.setBrush(Qt::yellow);
        p.drawEllipse(9, 8, 2, 2);
        break;
    case ToolIcon::FolderTree:
        folder(p, 1, 0);
        p.drawLine(4, 12, 4, 14);
        p.drawLine(4, 14, 8, 14);
        p.setBrush(QColor(240, 200, 80));
        p.drawRect(8, 11, 6, 4);
        break;
    case ToolIcon::Stop:
        p.setBrush(QColor(200, 40, 40));
        p.drawRect(3, 3, 10, 10);
        break;
    case ToolIcon::CompileAndRun: {
        p.setBrush(QColor(150, 150, 150));
        p.drawRect(0, 2, 7, 4);
        p.setBrush(QColor(140, 90, 40));
        p.drawRect(3, 6, 1, 8);
        p.setBrush(QColor(40, 160, 60));
        QPolygon play;
        play << QPoint(8, 4) << QPoint(15, 9) << QPoint(8, 14);
        p.drawPolygon(play);
        break;
    }
    case ToolIcon::Program:
        p.setBrush(QColor(200, 200, 220));
        p.drawRect(1, 2, 14, 11);
        p.setBrush(QColor(40, 40, 140));
        p.drawRect(1, 2, 14, 3);
        break;
    }
}

} // namespace

QImage programImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 16.0, size / 16.0);
    painter.setPen(QPen(Qt::black, 1));
    drawProgramPicture(painter);
    painter.end();
    return image;
}

QIcon programIcon()
{
    QIcon icon;
    for (int size : ProgramIconSizes)
        icon.addPixmap(QPixmap::fromImage(programImage(size)));
    return icon;
}

QByteArray programSvg()
{
    QByteArray svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"128\" height=\"128\" "
                     "viewBox=\"0 0 16 16\">\n";
    for (const Part &part : ProgramPicture) {
        svg += QStringLiteral("  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"%5\" "
                              "stroke=\"#000000\" stroke-width=\"1\"/>\n")
                   .arg(part.rect.x()).arg(part.rect.y())
                   .arg(part.rect.width()).arg(part.rect.height())
                   .arg(part.fill.name())
                   .toUtf8();
    }
    return svg + "</svg>\n";
}

QIcon toolIcon(ToolIcon which)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::black);
    draw(painter, which);
    painter.end();
    return QIcon(pixmap);
}

} // namespace qv
