#pragma once

#include <QStringList>

// Program start: creates the three long-lived windows in order and runs the event loop
// until the main window has closed; then destroys the windows, most recent first.
int runQuorvel(int argc, char **argv);

// The steps of program start up to the run loop, and of its end, for tests.
void createQuorvelWindows(const QStringList &arguments);
void destroyQuorvelWindows();
