#include "application.h"

#include "boxes.h"
#include "errors.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>
#include <QWindow>

#include <csignal>

namespace qv {

namespace {
const char HintProperty[] = "qvHint";
}

Application::Application(QObject *parent)
    : QObject(parent)
{
    QApplication::setQuitOnLastWindowClosed(false);
    // A write past the file-size limit (ulimit -f) then fails with EFBIG and is reported like
    // a full disk, instead of killing the program with every unsaved edit.
    std::signal(SIGXFSZ, SIG_IGN);
    // The program's windows name the classic desktop faces; where they are not installed they
    // show in the desktop's own face, found here at once instead of by a slow fallback search.
    const QString desktopFace = QApplication::font().family();
    for (const char *face : {"MS Sans Serif", "System"})
        QFont::insertSubstitution(QLatin1String(face), desktopFace);
    qApp->installEventFilter(this);
    connect(qApp, &QGuiApplication::focusWindowChanged, this,
            &Application::notifyActiveWindowChanged);
}

Application *Application::instance()
{
    static QPointer<Application> theApp;
    if (!theApp)
        theApp = new Application(qApp);
    return theApp;
}

Application *app()
{
    return Application::instance();
}

void Application::setTitle(const QString &title)
{
    m_title = title;
    QApplication::setApplicationDisplayName(QString());
    QApplication::setApplicationName(title);
}

void Application::own(QWidget *window)
{
    m_owned.append(window);
}

void Application::destroyOwnedWindows()
{
    while (!m_owned.isEmpty()) {
        QPointer<QWidget> window = m_owned.takeLast();
        if (!window)
            continue;
        // A child window goes together with the sub-window that frames it.
        QWidget *frame = qobject_cast<QMdiSubWindow *>(window->parentWidget());
        delete (frame ? frame : window.data());
    }
}

void Application::setHint(const QString &hint)
{
    if (hint == m_hint)
        return;
    m_hint = hint;
    emit hintChanged();
}

void Application::notifyActiveWindowChanged()
{
    emit activeWindowChanged();
}

int Application::run(QWidget *mainWindow)
{
    mainWindow->show();
    m_running = true;
    const int result = QApplication::exec();
    m_running = false;
    return result;
}

void Application::endRunLoop()
{
    if (m_running)
        QApplication::exit(0);
}

void Application::trackMenuHints(QMenuBar *bar)
{
    connect(bar, &QMenuBar::hovered, this,
            [this](QAction *action) { setHint(hintLongPart(hintOf(action))); });
    for (QAction *action : bar->actions()) {
        if (QMenu *menu = action->menu())
            trackMenu(menu);
    }
}

void Application::trackMenu(QMenu *menu)
{
    connect(menu, &QMenu::hovered, this,
            [this](QAction *action) { setHint(hintLongPart(hintOf(action))); });
    connect(menu, &QMenu::aboutToHide, this, [this] { setHint(QString()); });
}

bool Application::eventFilter(QObject *watched, QEvent *event)
{
    // While no menu is open, the hint follows the control under the pointer: its own hint
    // or the nearest non-empty hint of the controls around it.
    const QEvent::Type type = event->type();
    if ((type == QEvent::Enter || type == QEvent::Leave) && watched->isWidgetType()
        && !QApplication::activePopupWidget()) {
        auto *widget = static_cast<QWidget *>(watched);
        if (type == QEvent::Leave)
            widget = widget->parentWidget();
        QString text;
        for (; widget && text.isEmpty(); widget = widget->parentWidget()) {
            text = hintOf(widget);
            if (widget->isWindow())
                break;
        }
        setHint(hintLongPart(text));
    }
    return QObject::eventFilter(watched, event);
}

QString hintShortPart(const QString &hint)
{
    const qsizetype bar = hint.indexOf(u'|');
    return bar < 0 ? hint : hint.left(bar);
}

QString hintLongPart(const QString &hint)
{
    const qsizetype bar = hint.indexOf(u'|');
    return bar < 0 ? hint : hint.mid(bar + 1);
}

void setHint(QObject *target, const QString &hint)
{
    target->setProperty(HintProperty, hint);
    if (auto *button = qobject_cast<QAbstractButton *>(target))
        button->setToolTip(hintShortPart(hint));
}

QString hintOf(const QObject *target)
{
    return target ? target->property(HintProperty).toString() : QString();
}

bool guarded(const std::function<void()> &fn)
{
    try {
        fn();
        return true;
    } catch (const Abort &) {
    } catch (const Error &error) {
        errorBox(error.message());
    } catch (const std::exception &error) {
        errorBox(QString::fromLocal8Bit(error.what()));
    }
    return false;
}

} // namespace qv
