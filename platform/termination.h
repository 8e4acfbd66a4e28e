#pragma once

class QWidget;

namespace qv {

// From now on SIGTERM, SIGINT and SIGHUP (the session ending, Ctrl+C in a terminal, the
// terminal closing) close mainWindow as the user's own close would: its children are asked
// first and may refuse, and a refused close leaves the program running. A request that arrives while a modal window is open or
// before the window is shown waits until it can be served. One window at a time is watched;
// the signals get their earlier handling back when the window is destroyed.
void closeOnTerminationSignals(QWidget *mainWindow);

// True while a signal's close of the watched window runs: what would ask the user to stay
// lets the program end instead.
bool closingOnSignal();

} // namespace qv
