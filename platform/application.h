#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QAction;
class QMenu;
class QMenuBar;
class QWidget;

namespace qv {

// The application object: title, the long-lived windows it owns, and the two program-wide
// notifications (hint changed, active window changed). Lives as long as the QApplication.
class Application : public QObject
{
    Q_OBJECT

public:
    static Application *instance();

    QString title() const { return m_title; }
    void setTitle(const QString &title);

    // Windows owned by the application, destroyed most recent first by destroyOwnedWindows().
    void own(QWidget *window);
    void destroyOwnedWindows();

    // The application hint (the long part of a hint); hintChanged fires only on a change.
    QString hint() const { return m_hint; }
    void setHint(const QString &hint);

    void notifyActiveWindowChanged();

    // Shows the main window and processes events until endRunLoop().
    int run(QWidget *mainWindow);
    void endRunLoop();

    // Feeds the hint from the highlighted items of every menu of the bar.
    void trackMenuHints(QMenuBar *bar);

signals:
    void hintChanged();
    void activeWindowChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit Application(QObject *parent);
    void trackMenu(QMenu *menu);

    QString m_title;
    QString m_hint;
    QList<QPointer<QWidget>> m_owned;
    bool m_running = false;
};

Application *app();

// A hint is "short|long": the short part is a button's tool tip, the long part goes to the
// status line. Without "|" both parts are the whole text.
QString hintShortPart(const QString &hint);
QString hintLongPart(const QString &hint);
void setHint(QObject *target, const QString &hint);
QString hintOf(const QObject *target);

// Runs fn; an error leaving it is shown in the application's error box. Returns whether fn
// completed. Every handler runs through this, so no exception reaches Qt's event loop.
bool guarded(const std::function<void()> &fn);

} // namespace qv
