#pragma once

#include <QDialog>
#include <QPoint>

class QCheckBox;
class QGridLayout;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

namespace qv {

// The modeless find dialog: a find text of at most 255 characters, a match-case option and
// "Find Next", which emits find(). It keeps its text and option while closed, and a dialog
// closed and opened again comes back where it was closed.
class FindDialog : public QDialog
{
    Q_OBJECT

public:
    explicit FindDialog(QWidget *parent = nullptr);

    QString findText() const;
    void setFindText(const QString &text);
    bool matchCase() const;
    void setMatchCase(bool on);

    // Opens the dialog, modeless, or brings it to the top when it is already open.
    void execute();

    QLineEdit *findEdit() const { return m_findEdit; }
    QCheckBox *matchCaseBox() const { return m_matchCaseBox; }
    QPushButton *findNextButton() const { return m_findNextButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }

    static constexpr int maxTextLength = 255;

signals:
    void find();

protected:
    void hideEvent(QHideEvent *event) override;

    // For the replace dialog: the grid of labels and edits (the find row is row 0) and the
    // column of buttons (Find Next first, Cancel last).
    QGridLayout *fieldGrid() const { return m_fields; }
    QVBoxLayout *buttonColumn() const { return m_buttons; }

private:
    QLineEdit *m_findEdit;
    QCheckBox *m_matchCaseBox;
    QPushButton *m_findNextButton;
    QPushButton *m_cancelButton;
    QGridLayout *m_fields;
    QVBoxLayout *m_buttons;
    QPoint m_closedAt;
    bool m_wasClosed = false;
};

// The modeless replace dialog: the find dialog with a replace text of at most 255
// characters and "Replace" and "Replace All", both of which emit replace().
class ReplaceDialog : public FindDialog
{
    Q_OBJECT

public:
    explicit ReplaceDialog(QWidget *parent = nullptr);

    QString replaceText() const;
    void setReplaceText(const QString &text);
    // True when the last replace() came from Replace All.
    bool replaceAllOption() const { return m_replaceAll; }

    QLineEdit *replaceEdit() const { return m_replaceEdit; }
    QPushButton *replaceButton() const { return m_replaceButton; }
    QPushButton *replaceAllButton() const { return m_replaceAllButton; }

signals:
    void replace();

private:
    QLineEdit *m_replaceEdit;
    QPushButton *m_replaceButton;
    QPushButton *m_replaceAllButton;
    bool m_replaceAll = false;
};

} // namespace qv
