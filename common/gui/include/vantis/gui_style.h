// The one look of the system's programs: Qt's Fusion style with a dark
// palette, for every window, dialog, message box and file dialog alike.
#pragma once

class QApplication;
class QPalette;

namespace vantis::gui {

// The dark palette: dark grey windows, near-black fields, light text, a
// blue highlight, greyed text for disabled controls.
QPalette DarkPalette();

// Sets the Fusion style and the dark palette on the application. Call once,
// right after the application object is made and before any window.
void ApplyDarkStyle(QApplication& app);

}  // namespace vantis::gui
