// The frame's tabbed view and the main window's place on the screens.
#include "MainForm.h"

#include "platform/mdiframe.h"

#include <QGuiApplication>
#include <QScreen>

#include <algorithm>

void TMainForm::WindowTabsItemClick()
{
    // The frame reports the change, which stores it.
    ClientArea->setTabbed(WindowTabsItem->isChecked());
}

namespace {

QPoint positionOnScreens(const QRect &window, const QList<QRect> &screens)
{
    if (screens.isEmpty())
        return window.topLeft();
    // The window can be reached while a good piece of its title bar shows on some screen.
    const QRect titleBar(window.left(), window.top(), window.width(), 20);
    const int wanted = std::min(window.width(), 60);
    for (const QRect &screen : screens) {
        const QRect shown = titleBar.intersected(screen);
        if (shown.width() >= wanted && shown.height() > 0)
            return window.topLeft();
    }
    // Otherwise onto the screen nearest to it, as much of it as fits.
    const auto distance = [&](const QRect &screen) {
        const QPoint d = screen.center() - window.center();
        return qint64(d.x()) * d.x() + qint64(d.y()) * d.y();
    };
    const QRect nearest = *std::min_element(screens.begin(), screens.end(),
                                            [&](const QRect &a, const QRect &b) {
                                                return distance(a) < distance(b);
                                            });
    return {std::clamp(window.left(), nearest.left(),
                       std::max(nearest.left(), nearest.right() + 1 - window.width())),
            std::clamp(window.top(), nearest.top(),
                       std::max(nearest.top(), nearest.bottom() + 1 - window.height()))};
}

} // namespace

void TMainForm::keepOnScreen()
{
    QList<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens.append(screen->availableGeometry());
    move(positionOnScreens(QRect(pos(), size()), screens));
}
