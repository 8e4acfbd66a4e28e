#include "accessnotices.h"

#include <Qsci/qsciscintillabase.h>

#include <QAccessible>
#include <QAccessibleWidget>
#include <QList>
#include <QPointer>

namespace qv {

using Sci = QsciScintillaBase;

namespace {

// The change notices an editor sends while no assistive technology is active: every kind but
// the insertion and deletion themselves, and none of the flags that come with those (the
// editor reports a notice when any of its bits is in the mask).
constexpr unsigned long QuietMask = Sci::SC_MODEVENTMASKALL
    & ~(Sci::SC_MOD_INSERTTEXT | Sci::SC_MOD_DELETETEXT | Sci::SC_PERFORMED_USER
        | Sci::SC_PERFORMED_UNDO | Sci::SC_PERFORMED_REDO | Sci::SC_MULTISTEPUNDOREDO
        | Sci::SC_LASTSTEPINUNDOREDO | Sci::SC_MULTILINEUNDOREDO | Sci::SC_STARTACTION);

// The editor looks for its own accessible interface after every caret move and, when it
// finds one, counts the characters up to the caret. While nothing is active, an editor
// watched here gets a plain interface instead, one the editor does not recognise; each
// change of activity drops the editors' interfaces so that the right kind is made anew.
class Watch : public QAccessible::ActivationObserver
{
public:
    static Watch &instance()
    {
        static Watch watch;
        return watch;
    }

    void add(QsciScintillaBase *editor)
    {
        m_editors.removeAll(nullptr);
        m_editors.append(editor);
        apply(editor);
    }

    bool watches(QObject *object) const
    {
        for (const QPointer<QsciScintillaBase> &editor : m_editors) {
            if (editor == object)
                return true;
        }
        return false;
    }

    void accessibilityActiveChanged(bool) override
    {
        m_editors.removeAll(nullptr);
        for (const QPointer<QsciScintillaBase> &editor : std::as_const(m_editors)) {
            if (QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(editor))
                QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(iface));
            apply(editor);
        }
    }

private:
    Watch()
    {
        QAccessible::installFactory(&plainInterface);
        QAccessible::installActivationObserver(this);
    }

    static void apply(QsciScintillaBase *editor)
    {
        editor->SendScintilla(Sci::SCI_SETMODEVENTMASK,
                              QAccessible::isActive() ? Sci::SC_MODEVENTMASKALL : QuietMask);
    }

    // Asked for the editor's most derived class before the editor's own factory is asked
    // for its base class.
    static QAccessibleInterface *plainInterface(const QString &, QObject *object)
    {
        if (QAccessible::isActive() || !object || !object->isWidgetType()
            || !instance().watches(object))
            return nullptr;
        return new QAccessibleWidget(static_cast<QWidget *>(object), QAccessible::EditableText);
    }

    QList<QPointer<QsciScintillaBase>> m_editors;
};

} // namespace

void quietAccessNotices(QsciScintillaBase *editor)
{
    Watch::instance().add(editor);
}

} // namespace qv
