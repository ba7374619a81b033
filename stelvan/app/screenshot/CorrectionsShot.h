#pragma once
// The "Corrections input" picture: the dialog opened from the menu, run as a
// modal for the grab, filled from STELVAN_SCREENSHOT_NTRIP ("HOST PORT MOUNT
// USER PASSWORD DESTINATION", set by screenshot.sh), its source table fetched
// and the stream started. Closing the picture only hides the dialog: the
// corrections keep flowing for the next picture of the main view.
class CMainFrame;
class QWidget;

namespace corrections {

void OpenForPicture(CMainFrame& frame);
void StartForPicture(QWidget* dialog);

}  // namespace corrections
