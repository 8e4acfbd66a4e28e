#include "mdiframe.h"

#include "application.h"

#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

#include <algorithm>

namespace qv {

// A sub-window that leaves its frame's list as its destruction begins. Qt keeps a sub-window
// in the area's own list until it is a bare object, and windows deleted on the way (a
// document's output windows go with it) make the area report it meanwhile; the frame answers
// from the windows that are still whole.
class MdiFrame::SubWindow : public QMdiSubWindow
{
public:
    explicit SubWindow(MdiFrame *frame)
        : QMdiSubWindow(frame->viewport())
        , m_frame(frame)
    {}

    ~SubWindow() override
    {
        if (m_frame)
            m_frame->forget(this);
    }

    // The frame is going first; it no longer wants to hear of this window.
    void detach() { m_frame = nullptr; }

private:
    MdiFrame *m_frame;
};

MdiFrame::MdiFrame(QWidget *parent)
    : QMdiArea(parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setActivationOrder(QMdiArea::ActivationHistoryOrder);
    m_activation = connect(this, &QMdiArea::subWindowActivated, this,
                           [] { app()->notifyActiveWindowChanged(); });
}

MdiFrame::~MdiFrame()
{
    // The sub-windows are destroyed after this frame has stopped being one: neither they nor
    // their last deactivation may reach back into it.
    disconnect(m_activation);
    for (QMdiSubWindow *window : std::as_const(m_windows))
        static_cast<SubWindow *>(window)->detach();
}

void MdiFrame::forget(SubWindow *window)
{
    m_windows.removeOne(window);
    app()->notifyActiveWindowChanged();
}

QList<QMdiSubWindow *> MdiFrame::wholeSubWindows(WindowOrder order) const
{
    QList<QMdiSubWindow *> result = subWindowList(order);
    result.removeIf([this](QMdiSubWindow *window) {
        return !m_windows.contains(window);
    });
    return result;
}

void MdiFrame::addChild(QWidget *form)
{
    const QSize designSize = form->size();
    const int index = childCount();
    auto *window = new SubWindow(this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    // A key of the program's own commands (Ctrl+W: Close) does what the command does.
    if (QMenu *menu = window->systemMenu()) {
        for (QAction *action : menu->actions()) {
            QList<QKeySequence> keys = action->shortcuts();
            const qsizetype before = keys.size();
            keys.removeIf([this](const QKeySequence &key) { return m_commandKeys.contains(key); });
            if (keys.size() != before)
                action->setShortcuts(keys);
        }
    }
    window->setWidget(form);
    m_windows.append(window);
    addSubWindow(window);
    // A child window opens at its form's design size, not at the smaller size it would need.
    if (form->testAttribute(Qt::WA_Resized))
        window->resize(designSize);
    placeNewChild(window, index);
    // As a tab, a child fills the frame.
    if (viewMode() == QMdiArea::TabbedView)
        window->showMaximized();
    else
        window->show();
    setActiveSubWindow(window);
    app()->notifyActiveWindowChanged();
}

void MdiFrame::placeNewChild(QWidget *window, int index)
{
    // New children cascade from the top left, each one title bar lower and further right,
    // starting again at the top when the next would not fit. Before the frame is shown its
    // size is not known yet, so the first place is used.
    const int step = std::max(16, style()->pixelMetric(QStyle::PM_TitleBarHeight));
    const QSize area = viewport()->size();
    if (isVisible()) {
        window->resize(std::min(window->width(), area.width()),
                       std::min(window->height(), area.height()));
    }
    const int room = std::min(area.width() - window->width(), area.height() - window->height());
    const int places = isVisible() ? std::max(1, room / step + 1) : 1;
    const int offset = (index % places) * step;
    window->move(offset, offset);
}

QWidget *MdiFrame::activeChild() const
{
    QMdiSubWindow *window = activeSubWindow();
    if (!window || !m_windows.contains(window) || window->isHidden())
        return nullptr;
    return window->widget();
}

QList<QWidget *> MdiFrame::childWindows() const
{
    QList<QWidget *> result;
    const QList<QMdiSubWindow *> windows = wholeSubWindows(QMdiArea::ActivationHistoryOrder);
    // The history lists the most recently active window last.
    for (auto it = windows.crbegin(); it != windows.crend(); ++it) {
        if (!(*it)->isHidden() && (*it)->widget())
            result.append((*it)->widget());
    }
    return result;
}

int MdiFrame::childCount() const
{
    return int(childWindows().size());
}

QWidget *MdiFrame::frameOf(QWidget *form)
{
    return form ? qobject_cast<QMdiSubWindow *>(form->parentWidget()) : nullptr;
}

void MdiFrame::showModified(QWidget *form, bool modified)
{
    QWidget *window = frameOf(form);
    if (!window)
        return;
    // The frame puts a sub-window's icon on its tab too. Without one of its own the window
    // shows the program's.
    static const QIcon mark = [] {
        QPixmap dot(16, 16);
        dot.fill(Qt::transparent);
        QPainter painter(&dot);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0xd0, 0x6a, 0x00));
        painter.drawEllipse(QRectF(3.5, 3.5, 9, 9));
        return QIcon(dot);
    }();
    window->setWindowIcon(modified ? mark : QIcon());
}

void MdiFrame::activate(QWidget *form)
{
    if (auto *window = qobject_cast<QMdiSubWindow *>(frameOf(form))) {
        if (window->isMinimized())
            window->showNormal();
        setActiveSubWindow(window);
    }
}

void MdiFrame::minimize(QWidget *form)
{
    setTabbed(false);
    if (QWidget *window = frameOf(form))
        window->showMinimized();
}

bool MdiFrame::isMinimized(QWidget *form) const
{
    QWidget *window = frameOf(form);
    return window && window->isMinimized();
}

void MdiFrame::setTabbed(bool tabbed)
{
    if (tabbed == m_tabbed)
        return;
    m_tabbed = tabbed;
    // A frame not shown yet takes the view when it shows: tabs made while it is hidden would
    // leave no child active.
    if (isVisible())
        applyViewMode();
    emit tabbedChanged(tabbed);
}

bool MdiFrame::isTabbed() const
{
    return m_tabbed;
}

void MdiFrame::showEvent(QShowEvent *event)
{
    QMdiArea::showEvent(event);
    applyViewMode();
}

void MdiFrame::applyViewMode()
{
    if (m_tabbed == (viewMode() == QMdiArea::TabbedView))
        return;
    if (m_tabbed) {
        setViewMode(QMdiArea::TabbedView);
        setTabsClosable(true);
        setTabsMovable(true);
        return;
    }
    setViewMode(QMdiArea::SubWindowView);
    // The tabs showed each window maximised; back as overlapping windows they take their
    // own size again.
    for (QMdiSubWindow *window : wholeSubWindows(QMdiArea::CreationOrder)) {
        if (window->isMaximized())
            window->showNormal();
    }
}

void MdiFrame::cascade()
{
    setTabbed(false);
    cascadeSubWindows();
}

void MdiFrame::tileHorizontally()
{
    setTabbed(false);
    QList<QMdiSubWindow *> windows;
    for (QMdiSubWindow *window : wholeSubWindows(QMdiArea::CreationOrder)) {
        if (!window->isHidden() && !window->isMinimized())
            windows.append(window);
    }
    if (windows.isEmpty())
        return;
    const QRect area = viewport()->rect();
    const int count = int(windows.size());
    int top = 0;
    for (int i = 0; i < count; ++i) {
        const int bottom = area.height() * (i + 1) / count;
        if (windows[i]->isMaximized())
            windows[i]->showNormal();
        windows[i]->setGeometry(0, top, area.width(), std::max(1, bottom - top));
        top = bottom;
    }
}

void MdiFrame::arrangeIcons()
{
    setTabbed(false);
    const QRect area = viewport()->rect();
    int left = 0;
    for (QMdiSubWindow *window : wholeSubWindows(QMdiArea::CreationOrder)) {
        if (window->isHidden() || !window->isMinimized())
            continue;
        const QSize size = window->size();
        window->move(left, area.height() - size.height());
        left += size.width();
    }
}

void MdiFrame::fillWindowMenu(QMenu *menu, int ownItems)
{
    const QList<QAction *> actions = menu->actions();
    for (qsizetype i = ownItems; i < actions.size(); ++i) {
        menu->removeAction(actions[i]);
        delete actions[i];
    }
    const QList<QMdiSubWindow *> windows = wholeSubWindows(QMdiArea::CreationOrder);
    bool first = true;
    int number = 1;
    for (QMdiSubWindow *window : windows) {
        if (window->isHidden() || !window->widget())
            continue;
        if (first) {
            menu->addSeparator();
            first = false;
        }
        QWidget *form = window->widget();
        QString title = form->windowTitle();
        title.replace(u'&', QStringLiteral("&&"));
        QAction *action = menu->addAction(QStringLiteral("&%1 %2").arg(number++).arg(title));
        action->setCheckable(true);
        action->setChecked(window == activeSubWindow());
        connect(action, &QAction::triggered, this, [this, form] { activate(form); });
    }
}

} // namespace qv
