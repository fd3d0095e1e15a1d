#include "gui/app/base_tool_dialog.h"

namespace pixmill {

CBaseToolDlg::CBaseToolDlg(int panelId, QString displayName, QWidget* parent)
    : QWidget(parent), panelId_(panelId), displayName_(std::move(displayName)) {}

CBaseToolDlg::~CBaseToolDlg() = default;

}  // namespace pixmill
