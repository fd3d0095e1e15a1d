#pragma once
// Puts the tool panels, the batch-operations commands and the watermark layout view into the
// main window, all starting their batches on the window's batch driver.

namespace pixmill {

class AppSettings;
class CMainDlg;

void installToolPanels(CMainDlg& window, AppSettings& settings);

}  // namespace pixmill
