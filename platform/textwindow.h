#pragma once

#include <QString>

class QWidget;

namespace qv {
class StatusPanels;
class TextControl;

// The layout that document and output windows share: a text control above a status bar of
// three panels, the first of which shows the caret's line and column.

// The text with blanks put in front until it is at least width characters long.
QString PadLeft(const QString &text, int width);

// The caret panel's text for a 0-based line and a 1-based column: "   1:  1 ".
QString caretPanelText(int line, int column);

// Lays out form: the text control above a status bar of three panels, in the window font
// "System", at the design size.
void buildTextWindow(QWidget *form, TextControl *&edit, StatusPanels *&panels);

// Updates panel 0 of a status bar with the line and column of the selection's start.
void UpdateCaretPanel(TextControl *edit, StatusPanels *panels);

} // namespace qv
