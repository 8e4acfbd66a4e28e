#pragma once

#include <QList>
#include <QKeySequence>
#include <QMdiArea>

class QMdiSubWindow;

class QMenu;

namespace qv {

// The multiple-document frame. Its child windows are the forms added with addChild; each
// lives in a sub-window that is destroyed with it.
class MdiFrame : public QMdiArea
{
    Q_OBJECT

public:
    explicit MdiFrame(QWidget *parent = nullptr);
    ~MdiFrame() override;

    // Adds the form as a child window, shows it and makes it the active child.
    void addChild(QWidget *form);
    // Keys the program's commands take: the child windows' own menus leave them.
    void leaveKeysToCommands(const QList<QKeySequence> &keys) { m_commandKeys = keys; }
    QWidget *activeChild() const;
    int childCount() const;
    // The open child windows in activation order: the most recently active first.
    QList<QWidget *> childWindows() const;
    void activate(QWidget *form);
    void minimize(QWidget *form);
    bool isMinimized(QWidget *form) const;
    // The sub-window that frames a child window (its outer geometry).
    static QWidget *frameOf(QWidget *form);
    // Shows a child window's unsaved changes by a mark on its tab and title bar, beside the
    // caption, which stays as it is.
    static void showModified(QWidget *form, bool modified);

    // Child windows as tabs (closable, movable) instead of overlapping windows. The
    // arrangement commands below return to overlapping windows first.
    void setTabbed(bool tabbed);
    bool isTabbed() const;

    void cascade();
    // Each child full width, stacked from top to bottom.
    void tileHorizontally();
    // The minimised children in a row along the bottom edge.
    void arrangeIcons();

    // Rebuilds the list of child windows below the menu's first ownItems actions.
    void fillWindowMenu(QMenu *menu, int ownItems);

signals:
    void tabbedChanged(bool tabbed);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void applyViewMode();
    class SubWindow;

    void placeNewChild(QWidget *window, int index);
    void forget(SubWindow *window);
    // The area's sub-windows without those whose destruction has begun.
    QList<QMdiSubWindow *> wholeSubWindows(WindowOrder order) const;

    // Pointers are only compared: a window in the area's list may be partly destroyed.
    QList<QMdiSubWindow *> m_windows;
    QList<QKeySequence> m_commandKeys;
    QMetaObject::Connection m_activation;
    bool m_tabbed = false;
};

} // namespace qv
