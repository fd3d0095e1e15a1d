#include "gui/controls/base_tool_dlg.h"

namespace pixmill {

CBaseToolDlg::CBaseToolDlg(int panelId, QString displayName, QWidget* parent)
    : QWidget(parent), panelId_(panelId), displayName_(std::move(displayName)) {}

void CBaseToolDlg::ensureCreated() {
    if (created_)
        return;
    created_ = true;
    initDialog();
}

}  // namespace pixmill
