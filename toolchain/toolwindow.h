#pragma once

#include "platform/forms.h"

// A child window that follows one run of an outside program: the output window of a compile,
// the run window of a program, the shell. Closing it while its program is going asks whether
// to stop the program.
class ToolWindow : public qv::ChildForm
{
    Q_OBJECT

public:
    ToolWindow() = default;

    // The program still runs and has not been asked to stop.
    virtual bool going() const = 0;
    // Ends the program together with whatever it started; the window then learns of the end
    // as it learns of any end.
    virtual void stop() = 0;
    // The question asked before the window closes while its program is going.
    virtual QString stopQuestion() const = 0;

    // Asks stopQuestion in a confirmation box; whether the answer was Yes.
    bool confirmStop() const;
    // Whether the window may close: at once when its program is not going, otherwise only
    // after a Yes to the question, which stops the program.
    bool stopBeforeClose();
    // Stops the program because the window is closing: its end then reports nothing.
    void stopForClose();
    bool stoppedForClose() const { return m_stoppedForClose; }

signals:
    // The window has agreed to close and goes.
    void closing();

private:
    bool m_stoppedForClose = false;
};
