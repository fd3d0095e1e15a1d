#pragma once
// Puts the tool panels, the batch-operations commands and the watermark layout view into the
// main window, all starting their batches on the window's batch driver.

namespace pixmill {

class AppSettings;
class CBatchCommands;
class CLayoutPane;
class CMainDlg;
class CPreviewDlg;
class CToolboxDlg;
class CWaterImageDlg;
class CWaterTextDlg;
class UserPrompter;

// What was put into the window; the window owns all of it.
struct ToolPanels {
    CToolboxDlg* toolbox = nullptr;
    CBatchCommands* commands = nullptr;
    CLayoutPane* layoutPane = nullptr;
    CPreviewDlg* canvas = nullptr;
    CWaterTextDlg* textPanel = nullptr;
    CWaterImageDlg* imagePanel = nullptr;
};

// `prompter` answers the panels' and commands' messages and confirmations; none: the
// platform's message boxes.
ToolPanels installToolPanels(CMainDlg& window, AppSettings& settings,
                             UserPrompter* prompter = nullptr);

}  // namespace pixmill
