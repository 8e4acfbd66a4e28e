#include "testutil.h"

#include "platform/boxes.h"
#include "toolchain/javaservice.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QEventLoop>
#include <QEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QPushButton>
#include <QPointer>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <csignal>
#include <deque>

namespace testutil {

namespace {

const char *const ShownAt = "testutil.shownAtNs";

BoxInfo describe(QWidget *window, const QString &text)
{
    BoxInfo info;
    info.seen = true;
    info.caption = window->windowTitle();
    info.text = text;
    info.shownAtNs = window->property(ShownAt).toLongLong();
    return info;
}

BoxInfo describe(QMessageBox *box)
{
    BoxInfo info = describe(box, box->text());
    info.icon = box->icon();
    for (QAbstractButton *button : box->buttons())
        info.buttons.append(button->text());
    if (box->defaultButton())
        info.defaultButton = box->defaultButton()->text();
    return info;
}

// Presses the button with the text, or rejects the box without one.
void press(QMessageBox *box, const QString &text)
{
    for (QAbstractButton *button : box->buttons()) {
        if (button->text() == text) {
            button->click();
            return;
        }
    }
    box->reject();
}

class ModalDriver : public QObject
{
public:
    ModalDriver()
    {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
        m_timer.start();
        qApp->installEventFilter(this);
    }

    std::deque<std::function<void(QWidget *)>> pending;
    QStringList unexpected;
    QList<BoxRecorder *> recorders;

protected:
    // A window is handled as soon as it shows; one handled once is handled again when it is
    // shown anew, even when no timer tick falls between its two showings.
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType()
            && static_cast<QWidget *>(watched)->isWindow()) {
            if (qobject_cast<QDialog *>(watched))
                watched->setProperty(ShownAt,
                                     QDeadlineTimer::current(Qt::PreciseTimer).deadlineNSecs());
            QTimer::singleShot(0, this, [this] { poll(); });
        } else if (event->type() == QEvent::Hide && watched == m_handled) {
            m_handled = nullptr;
        }
        return false;
    }

private:
    void poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (m_handled && (!m_handled->isVisible() || m_handled != modal))
            m_handled = nullptr;
        const bool fresh = modal && modal->isVisible() && modal != m_handled;
        if (fresh && !pending.empty()) {
            m_handled = modal;
            auto action = pending.front();
            pending.pop_front();
            action(modal);
            return;
        }
        BoxRecorder *recorder = recorders.isEmpty() ? nullptr : recorders.last();
        // A box of error output is not modal: it is answered wherever it is open, before any
        // message box.
        if (recorder) {
            for (QWidget *window : QApplication::topLevelWidgets()) {
                auto *textBox = qobject_cast<qv::TextBox *>(window);
                if (!textBox || !textBox->isVisible())
                    continue;
                if (recorder->ready && !recorder->ready())
                    return;
                recorder->boxes.append(describe(textBox, textBox->text()));
                recorder->boxes.last().buttons = QStringList{QStringLiteral("OK")};
                if (recorder->beforeAnswer)
                    recorder->beforeAnswer();
                textBox->accept();
                return;
            }
        }
        if (!fresh)
            return;
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (recorder && box) {
            if (recorder->ready && !recorder->ready())
                return;
            m_handled = box;
            recorder->boxes.append(describe(box));
            if (recorder->beforeAnswer)
                recorder->beforeAnswer();
            press(box, recorder->chooseButton ? recorder->chooseButton(recorder->boxes.last())
                                              : QStringLiteral("OK"));
            return;
        }
        // Nothing was ready for it: closed at once, so that the test fails instead of
        // hanging.
        const QString what = box ? box->text()
                                 : QString::fromLatin1(modal->metaObject()->className());
        unexpected.append(modal->windowTitle() + QStringLiteral(": ") + what);
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            modal->close();
    }

    QTimer m_timer;
    QPointer<QWidget> m_handled;
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
        *info = describe(box);
        press(box, button);
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

BoxRecorder::BoxRecorder()
{
    driver().recorders.append(this);
}

BoxRecorder::~BoxRecorder()
{
    driver().recorders.removeOne(this);
}

QStringList BoxRecorder::texts() const
{
    QStringList list;
    for (const BoxInfo &box : boxes)
        list.append(box.text);
    return list;
}

int BoxRecorder::countContaining(const QString &part) const
{
    int count = 0;
    for (const BoxInfo &box : boxes)
        count += box.text.contains(part) ? 1 : 0;
    return count;
}

bool BoxRecorder::waitForReports(int count, int timeoutMs)
{
    return runEventsUntil([&] { return reports() >= count; }, timeoutMs);
}

bool runEventsUntil(const std::function<bool()> &done, int timeoutMs)
{
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(5);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    poll.start();
    if (!done())
        loop.exec();
    return done();
}

Session::Session(const QByteArray &iniText, const QStringList &arguments)
    : m_oldCurrent(QDir::currentPath())
{
    driver();
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

void writeScript(const QString &path, const QByteArray &body)
{
    writeFile(path, "#!/bin/sh\n" + body);
    QFile::setPermissions(path, QFile::permissions(path) | QFileDevice::ExeOwner);
}

TMDIChild *openSavedDocument(const QString &path, const QByteArray &text)
{
    writeFile(path, text);
    MainForm->OpenDocument(path, true);
    return MainForm->activeDocument();
}

TMDIChild *newDocument()
{
    MainForm->FileNewItem->trigger();
    return MainForm->activeDocument();
}

QString javaFolder()
{
    const QString javac = QStandardPaths::findExecutable(QStringLiteral("javac"));
    return javac.isEmpty() ? QString()
                           : QFileInfo(QFileInfo(javac).canonicalFilePath()).absolutePath();
}

bool javaKitFound()
{
    return !QStandardPaths::findExecutable(QStringLiteral("javac")).isEmpty()
           && !QStandardPaths::findExecutable(QStringLiteral("java")).isEmpty();
}

bool javaServiceBuilt()
{
    return !JavaService::jarPath().isEmpty();
}

bool compileJava(const QString &folder, const QStringList &sources)
{
    QProcess javac;
    javac.setWorkingDirectory(folder);
    javac.start(QStandardPaths::findExecutable(QStringLiteral("javac")), sources);
    return javac.waitForFinished(120000) && javac.exitStatus() == QProcess::NormalExit
           && javac.exitCode() == 0;
}

QString fakeCompiler()
{
    return QStringLiteral(QUORVEL_TESTTOOLS "/fakejavac");
}

QString useFakeCompiler(const Session &session)
{
    const QString bin = session.file(QStringLiteral("bin"));
    QDir().mkpath(bin);
    QFile::link(fakeCompiler(), bin + QStringLiteral("/javac"));
    CompileOptForm->JavaPath->setText(bin);
    return bin;
}

QString useScriptCompiler(const Session &session, const QByteArray &body)
{
    const QString bin = session.file(QStringLiteral("bin"));
    QDir().mkpath(bin);
    writeScript(bin + QStringLiteral("/javac"), body);
    CompileOptForm->JavaPath->setText(bin);
    return bin + QStringLiteral("/javac");
}

bool useRealCompiler()
{
    const QString folder = javaFolder();
    CompileOptForm->JavaPath->setText(folder);
    return !folder.isEmpty();
}

bool processGroupExists(qint64 group)
{
    return ::kill(-pid_t(group), 0) == 0 || errno == EPERM;
}

} // namespace testutil
