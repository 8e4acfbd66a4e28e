#pragma once

#include <QString>

// The parts of a window caption taken as a file name: the directory part up to and including
// the last "/", the file-name part after it, and the class name (the file-name part without
// the extension after its last ".").
QString captionDirectory(const QString &caption);
QString captionFileName(const QString &caption);
QString captionClassName(const QString &caption);
