#pragma once

#include <QStringList>
#include <QWidget>

class QLabel;

namespace qv {

// A child window of the frame. A close request first asks queryClose(); when it allows
// the close, formClose() runs and the window is destroyed.
class ChildForm : public QWidget
{
    Q_OBJECT

public:
    explicit ChildForm(QWidget *parent = nullptr);

    QString caption() const { return windowTitle(); }
    void setCaption(const QString &caption) { setWindowTitle(caption); }

    virtual bool queryClose() { return true; }

protected:
    virtual void formClose() {}
    void closeEvent(QCloseEvent *event) override;
};

// A status bar of fixed-width panels along a window's bottom edge.
class StatusPanels : public QWidget
{
    Q_OBJECT

public:
    StatusPanels(const QList<int> &widths, QWidget *parent = nullptr);

    QString panelText(int index) const;
    void setPanelText(int index, const QString &text);
    // Widens a panel, when needed, so that any text of the pattern shows in full: each digit
    // of the pattern stands for any digit.
    void fitPanel(int index, const QString &pattern);

private:
    QList<QLabel *> m_panels;
};

} // namespace qv
