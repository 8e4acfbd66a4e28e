#pragma once

#include <QByteArray>

namespace qv {

class TextControl;

// Adds the bytes at the very end of the control's text, exactly as TextControl::appendText
// does, changed() included, for a stream of many small pieces such as a compiler's output.
// The editor's own notice of each insertion works out a character offset for assistive
// technology by counting through the whole text before it, which makes thousands of appends
// to a growing text take quadratic time. While no assistive technology listens, that notice
// is skipped and changed() is emitted directly.
void appendStreamed(TextControl *control, const QByteArray &bytes);

// Readies a control for a stream of appends: the layouts of the lines in view are kept
// between paints, so a repaint while text is added below them does not measure them again.
void prepareForStreaming(TextControl *control);

} // namespace qv
