#pragma once

#include <QString>

namespace qv {

// The plain message box: the application's title, the text, one "OK" button, no icon.
// Each carriage return in the text is shown as a line break.
void messageBox(const QString &text);

enum class Answer { Yes, No, Cancel };
// The confirmation box: caption "Confirm", question icon, "&Yes", "&No" and "Cancel".
// Escape or closing the box is Cancel.
Answer confirm(const QString &text);

// The application's error box: the message followed by ".", the application's title, a stop
// icon and "OK".
void errorBox(const QString &message);

// The default beep that signals a search that found nothing.
void beep();
// How many times beep() has sounded in this process (for tests and diagnostics).
int beepCount();

} // namespace qv
