#include "testutil.h"

#include "app/MainForm.h"
#include "app/Program.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <deque>

namespace testutil {

namespace {

class ModalDriver : public QObject
{
public:
    ModalDriver()
    {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
        m_timer.start();
    }

    std::deque<std::function<void(QWidget *)>> pending;
    QStringList unexpected;

protected:
    // A window handled once is handled again when it is shown anew, even when no timer tick
    // falls between its two showings.
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Hide && watched == m_handled)
            m_handled = nullptr;
        return QObject::eventFilter(watched, event);
    }

private:
    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (m_handled && (!m_handled->isVisible() || m_handled != modal))
            m_handled = nullptr;
        if (!modal || !modal->isVisible() || modal == m_handled) {
            m_unexpectedSince.setRemainingTime(-1);
            return;
        }
        if (pending.empty()) {
            if (m_unexpectedSince.isForever())
                m_unexpectedSince.setRemainingTime(5000);
            if (m_unexpectedSince.hasExpired()) {
                unexpected.append(modal->windowTitle() + QStringLiteral(": ")
                                  + (qobject_cast<QMessageBox *>(modal)
                                         ? qobject_cast<QMessageBox *>(modal)->text()
                                         : modal->metaObject()->className()));
                m_unexpectedSince.setRemainingTime(-1);
                if (auto *dialog = qobject_cast<QDialog *>(modal))
                    dialog->reject();
                else
                    modal->close();
            }
            return;
        }
        m_unexpectedSince.setRemainingTime(-1);
        m_handled = modal;
        modal->installEventFilter(this);
        auto action = pending.front();
        pending.pop_front();
        action(modal);
    }

    QTimer m_timer;
    QPointer<QWidget> m_handled;
    QDeadlineTimer m_unexpectedSince{QDeadlineTimer::Forever};
};

ModalDriver &driver()
{
    static auto *theDriver = new ModalDriver;
    return *theDriver;
}

} // namespace

void onNextModal(const std::function<void(QWidget *)> &action)
{
    driver().pending.push_back(action);
}

std::shared_ptr<BoxInfo> answerBox(const QString &button)
{
    auto info = std::make_shared<BoxInfo>();
    onNextModal([info, button](QWidget *widget) {
        auto *box = qobject_cast<QMessageBox *>(widget);
        if (!box) {
            widget->close();
            return;
        }
        info->seen = true;
        info->caption = box->windowTitle();
        info->text = box->text();
        info->icon = box->icon();
        QAbstractButton *target = nullptr;
        for (QAbstractButton *b : box->buttons()) {
            info->buttons.append(b->text());
            if (b->text() == button)
                target = b;
        }
        if (box->defaultButton())
            info->defaultButton = box->defaultButton()->text();
        if (target)
            target->click();
        else
            box->reject();
    });
    return info;
}

std::shared_ptr<FileDialogVisit> chooseFile(const QString &name)
{
    auto visit = std::make_shared<FileDialogVisit>();
    onNextModal([visit, name](QWidget *widget) {
        auto *dialog = qobject_cast<QFileDialog *>(widget);
        if (!dialog) {
            widget->close();
            return;
        }
        visit->seen = true;
        visit->filters = dialog->nameFilters();
        visit->selectedFilter = dialog->selectedNameFilter();
        if (auto *model = dialog->findChild<QFileSystemModel *>())
            visit->modelPatterns = model->nameFilters();
        auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        visit->shownName = edit ? edit->text() : QString();
        visit->title = dialog->windowTitle();
        visit->directory = dialog->directory().absolutePath();
        if (name.isNull()) {
            dialog->reject();
            return;
        }
        // Typed, not selectFile(): that leaves the field alone once it has the focus.
        if (edit)
            edit->setText(name);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    return visit;
}

bool allModalsHandled(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!driver().pending.empty() && !deadline.hasExpired())
        QTest::qWait(10);
    return driver().pending.empty();
}

QStringList unexpectedModals()
{
    QStringList list = driver().unexpected;
    driver().unexpected.clear();
    return list;
}

void resetModals()
{
    driver().pending.clear();
}

Session::Session(const QByteArray &iniText, const QStringList &arguments)
    : m_oldCurrent(QDir::currentPath())
{
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    if (!iniText.isNull())
        writeFile(iniPath(), iniText);
    createQuorvelWindows(arguments);
}

Session::~Session()
{
    resetModals();
    destroyQuorvelWindows();
    QDir::setCurrent(m_oldCurrent);
}

void Session::show()
{
    MainForm->show();
}

QString Session::iniPath() const
{
    return m_config.filePath(QStringLiteral("QUORVEL.INI"));
}

QByteArray Session::iniText() const
{
    return readFile(iniPath());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(data);
}

} // namespace testutil
