#pragma once

class QWidget;

namespace trevane {

// Pictures of the windows for the manual (scripts/screenshots.sh). With the environment
// variable TREVANE_SCREENSHOT naming a PNG file, the window goes through the steps of
// TREVANE_SCREENSHOT_STEPS, saves a picture of the window that is then active and ends the
// program. Steps are separated by ">", each taken a moment after the one before:
//   Option         triggers the main window's command of that object name;
//   PageControl1=2 shows page 2 of the tab widget of that name in the active window;
//   EditDirListBtn clicks the button of that name in the active window;
//   #OptionPanel   (last) takes the picture of that part of the window instead.
// No steps: the main window itself. Without the variable nothing happens.
void scheduleDocScreenshot(QWidget& mainWindow);

} // namespace trevane
