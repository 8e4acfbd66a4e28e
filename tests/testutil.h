#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class QWidget;

namespace testutil {

// What a modal message box showed when a test answered it.
struct BoxInfo
{
    bool seen = false;
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    QString defaultButton;
};

// Queues an action for the next modal window that opens; modal windows run nested event
// loops, so the action runs from a polling timer inside them.
void onNextModal(const std::function<void(QWidget *)> &action);
// Queues an answer for the next modal message box: records it, then presses the button
// whose text is button ("&Yes", "OK", ...).
std::shared_ptr<BoxInfo> answerBox(const QString &button = QStringLiteral("OK"));
// Queues an answer for the next file dialog: the name typed into it, or a null name to
// cancel it. Records the name it showed and its filters.
struct FileDialogVisit
{
    bool seen = false;
    QStringList filters;
    QString selectedFilter;
    QStringList modelPatterns;
    QString shownName;
    QString title;
    QString directory;
};
std::shared_ptr<FileDialogVisit> chooseFile(const QString &name);
// True when every queued action has run; waits for them up to timeoutMs.
bool allModalsHandled(int timeoutMs = 20000);
// Modal windows that opened with no action queued (they are closed after a while, so that a
// test fails instead of hanging). Reading the list clears it.
QStringList unexpectedModals();
// Forgets queued actions (after a failed test).
void resetModals();

// One run of the workbench in a private settings folder: XDG_CONFIG_HOME points at a
// temporary folder, QUORVEL.INI holds iniText (no file when iniText is null), and the three
// windows are created with the arguments. show() runs the first show.
class Session
{
public:
    explicit Session(const QByteArray &iniText = QByteArrayLiteral("[Options]\n"),
                     const QStringList &arguments = {});
    ~Session();

    void show();
    QString configDir() const { return m_config.path(); }
    QString iniPath() const;
    QByteArray iniText() const;
    // A scratch folder for the test's files.
    QString dir() const { return m_files.path(); }
    QString file(const QString &name) const { return m_files.filePath(name); }

private:
    QTemporaryDir m_config;
    QTemporaryDir m_files;
    QString m_oldCurrent;
};

QByteArray readFile(const QString &path);
void writeFile(const QString &path, const QByteArray &data);

} // namespace testutil
