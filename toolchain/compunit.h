#pragma once

#include "platform/errors.h"
#include "platform/forms.h"

#include <QPointer>

#include <memory>

class TMDIChild;

namespace qv {
class StatusPanels;
class TextControl;
} // namespace qv

// The program-wide count of compiler pipe readers still running; user-interface thread only.
extern int RunningReaders;

class EQvExecFileGeneralFailure : public qv::Error
{
public:
    using qv::Error::Error;
};

class TJavaCompile;

// The output window of one compile: shows the compiler's output and the completion report.
class TCompOutForm : public qv::ChildForm
{
    Q_OBJECT

public:
    explicit TCompOutForm(TMDIChild *owner);
    ~TCompOutForm() override;

    qv::TextControl *RichEdit1 = nullptr;
    qv::StatusPanels *StatusBar1 = nullptr;
    std::unique_ptr<TJavaCompile> Runner;
    QString CompiledFile;

    void UpdateCaretPanel();
    void FormErrorCloseQuery(bool &CanClose);
    void FormClose();
    void RichEdit1Change();
    void RichEdit1SelectionChange();

    TMDIChild *ownerDocument() const { return m_owner; }
    bool queryClose() override;

protected:
    void formClose() override;

private:
    QPointer<TMDIChild> m_owner;
};
