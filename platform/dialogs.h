#pragma once

#include <QFont>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class QFileDialog;
class QFontDialog;
class QWidget;

namespace qv {

// An open or save dialog kept for the life of its owner, so that it shows the name chosen
// in its own previous use. Filters are given as "Description|*.a;*.b|Description|*.*":
// descriptions are shown as written and their patterns are applied.
class FileDialog : public QObject
{
    Q_OBJECT

public:
    enum Mode { Open, Save };
    FileDialog(Mode mode, QWidget *parent);
    ~FileDialog() override;

    void setFilter(const QString &filter);
    QString fileName() const { return m_fileName; }
    void setFileName(const QString &name) { m_fileName = name; }
    // The suffix given to a name typed without one ("java"); empty for none.
    void setDefaultSuffix(const QString &suffix) { m_defaultSuffix = suffix; }
    // Shows the dialog modally; true when the user confirmed a name.
    bool execute();

    // The dialog itself, created at first use: building one takes long enough to slow
    // the program's start.
    QFileDialog *dialog();

private:
    void applyPatterns(const QString &description);

    Mode m_mode;
    QWidget *m_parent;
    QPointer<QFileDialog> m_dialog;
    QStringList m_descriptions;
    QList<QStringList> m_patterns;
    QString m_fileName;
    QString m_defaultSuffix;
};

// The font dialog, with no limits on the size.
class FontDialog : public QObject
{
    Q_OBJECT

public:
    explicit FontDialog(QWidget *parent);
    QFont font() const { return m_font; }
    void setFont(const QFont &font) { m_font = font; }
    bool execute();

private:
    QWidget *m_parent;
    QFont m_font;
};

// A small modal box asking for one line of text, primed with text; false when cancelled.
bool askText(QWidget *parent, const QString &caption, const QString &prompt, QString &text);

// The directory chooser titled "Select Directory", starting at the current directory.
// Only existing directories can be chosen. Returns the full path, or empty when cancelled.
QString chooseDirectory(QWidget *parent);

// Splits a filter text "Desc|pat;pat|Desc|pat" into descriptions and their patterns.
void parseFilter(const QString &filter, QStringList &descriptions, QList<QStringList> &patterns);

} // namespace qv
