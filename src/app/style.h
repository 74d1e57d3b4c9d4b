// The look of the program: a calm light theme with a CJK font, for the window and its dialogs.
#pragma once

class QApplication;
class QWidget;

namespace rudiruza {

// The style, palette and font for every window of the program (message boxes and dialogs too).
void ApplyAppStyle(QApplication& app);

// The window's own touches: frames of the edit boxes, buttons and bar, the coloured captions.
// Widgets with the property "tone" set to "notice" get the red caption, "accent" the blue one.
void ApplyWindowStyle(QWidget& window);

}  // namespace rudiruza
