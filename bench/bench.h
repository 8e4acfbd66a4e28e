#pragma once

#include <QString>

// Each benchmark prints its figures to standard output.
void benchStartup();
void benchOpen();
void benchSearch();
void benchCompile();

// A child process of the start-up benchmark: shows a window and exits.
int benchChild(const QString &mode, int argc, char **argv);
