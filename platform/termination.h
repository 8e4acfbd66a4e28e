#pragma once

class QWidget;

namespace qv {

// From now on SIGTERM and SIGINT (the session ending, Ctrl+C in a terminal) close mainWindow
// as the user's own close would: its children are asked first and may refuse, and a refused
// close leaves the program running. A request that arrives while a modal window is open or
// before the window is shown waits until it can be served. One window at a time is watched;
// the signals get their earlier handling back when the window is destroyed.
void closeOnTerminationSignals(QWidget *mainWindow);

} // namespace qv
