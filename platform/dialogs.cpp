#include "dialogs.h"

#include "files.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontDialog>
#include <QInputDialog>
#include <QSortFilterProxyModel>

namespace qv {

namespace {

// The pattern that stands for programs. Programs here have no extension: the entry lists
// the files that may be executed instead.
const QString ProgramPattern = QStringLiteral("*.exe");

// Hides the files that cannot be executed while programs are asked for; folders stay.
class ProgramFilter : public QSortFilterProxyModel
{
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void setProgramsOnly(bool only)
    {
        if (only == m_programsOnly)
            return;
        m_programsOnly = only;
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex &parent) const override
    {
        if (!m_programsOnly)
            return true;
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        if (!files)
            return true;
        const QModelIndex index = files->index(row, 0, parent);
        return files->isDir(index) || (files->permissions(index) & QFile::ExeUser);
    }

private:
    bool m_programsOnly = false;
};

// Enter on a name the dialog has completed accepts the dialog while the completion list is
// still open; left alone, that list would outlive the dialog and take the next key.
int execWithoutLeftovers(QDialog *dialog)
{
    const int result = dialog->exec();
    for (QCompleter *completer : dialog->findChildren<QCompleter *>()) {
        if (completer->popup()->isVisible())
            completer->popup()->hide();
    }
    return result;
}

} // namespace

void parseFilter(const QString &filter, QStringList &descriptions, QList<QStringList> &patterns)
{
    descriptions.clear();
    patterns.clear();
    const QStringList parts = filter.split(u'|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        descriptions.append(parts[i]);
        QStringList list;
        for (const QString &pattern : parts[i + 1].split(u';', Qt::SkipEmptyParts))
            list.append(pattern == QLatin1String("*.*") ? QStringLiteral("*") : pattern);
        patterns.append(list);
    }
}

FileDialog::FileDialog(Mode mode, QWidget *parent)
    : QObject(parent)
    , m_mode(mode)
    , m_parent(parent)
{}

FileDialog::~FileDialog()
{
    delete m_dialog.data();
}

QFileDialog *FileDialog::dialog()
{
    if (m_dialog)
        return m_dialog;
    m_dialog = new QFileDialog(m_parent);
    m_dialog->setOption(QFileDialog::DontUseNativeDialog);
    m_dialog->setOption(QFileDialog::DontConfirmOverwrite);
    m_dialog->setFileMode(QFileDialog::AnyFile);
    m_dialog->setAcceptMode(m_mode == Open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    m_dialog->setWindowTitle(m_mode == Open ? QStringLiteral("Open") : QStringLiteral("Save As"));
    m_dialog->setProxyModel(new ProgramFilter(m_dialog));
    // The descriptions are not Qt filter syntax; the patterns are applied here instead.
    connect(m_dialog, &QFileDialog::filterSelected, this, &FileDialog::applyPatterns);
    if (!m_descriptions.isEmpty()) {
        m_dialog->setNameFilters(m_descriptions);
        m_dialog->selectNameFilter(m_descriptions.first());
    }
    return m_dialog;
}

void FileDialog::setFilter(const QString &filter)
{
    parseFilter(filter, m_descriptions, m_patterns);
    if (m_dialog) {
        m_dialog->setNameFilters(m_descriptions);
        if (!m_descriptions.isEmpty())
            m_dialog->selectNameFilter(m_descriptions.first());
    }
}

void FileDialog::applyPatterns(const QString &description)
{
    const qsizetype index = m_descriptions.indexOf(description);
    if (index < 0)
        return;
#ifdef Q_OS_WIN
    const bool programs = false;
#else
    const bool programs = m_patterns[index] == QStringList{ProgramPattern};
#endif
    if (auto *model = m_dialog->findChild<QFileSystemModel *>())
        model->setNameFilters(programs ? QStringList{QStringLiteral("*")} : m_patterns[index]);
    if (auto *filter = static_cast<ProgramFilter *>(m_dialog->proxyModel()))
        filter->setProgramsOnly(programs);
}

bool FileDialog::execute()
{
    QFileDialog *shown = dialog();
    shown->setDefaultSuffix(m_defaultSuffix);
    shown->selectFile(m_fileName);
    if (!m_descriptions.isEmpty())
        applyPatterns(shown->selectedNameFilter());
    if (execWithoutLeftovers(shown) != QDialog::Accepted || shown->selectedFiles().isEmpty())
        return false;
    m_fileName = shown->selectedFiles().constFirst();
    return true;
}

FontDialog::FontDialog(QWidget *parent)
    : QObject(parent)
    , m_parent(parent)
{}

bool FontDialog::execute()
{
    QFontDialog dialog(m_font, m_parent);
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    m_font = dialog.selectedFont();
    return true;
}

bool askText(QWidget *parent, const QString &caption, const QString &prompt, QString &text)
{
    QInputDialog dialog(parent);
    dialog.setWindowTitle(caption);
    dialog.setLabelText(prompt);
    dialog.setTextValue(text);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    text = dialog.textValue();
    return true;
}

QString chooseDirectory(QWidget *parent)
{
    QFileDialog dialog(parent, QStringLiteral("Select Directory"), currentDirectory());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    dialog.setOption(QFileDialog::ReadOnly);
    dialog.setFileMode(QFileDialog::Directory);
    if (execWithoutLeftovers(&dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

} // namespace qv
