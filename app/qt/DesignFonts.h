#pragma once

#include <QFont>

namespace ata {

// The faces the window was laid out for: an 8.25-point user-interface face (also the lamps'
// caption face), Arial for the status line and Courier New for the log pane.
inline constexpr const char* kUiFaceName = "MS Sans Serif";
inline constexpr double kUiPointSize = 8.25;

// Makes every face the design names resolve to an installed face of matching metrics, inside the
// application (no system-wide font configuration is touched): registers the metric-compatible
// faces that the set-up installs outside the font path, maps the design's face names to them, and
// makes the 8.25-point user-interface face the application's font. Calling it again changes
// nothing.
void InstallDesignFonts();

// The user-interface face at 8.25 points.
QFont DesignUiFont();

} // namespace ata
