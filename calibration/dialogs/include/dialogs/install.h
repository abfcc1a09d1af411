// Gives the calibration program's main window its dialogs: the new-project
// wizard, and the camera, boundary, threshold and edge-blending settings
// dialogs of the dock area.
#pragma once

class CVantisAutoDlg;

namespace meridan::dialogs {

void Install(CVantisAutoDlg& main);

}  // namespace meridan::dialogs
