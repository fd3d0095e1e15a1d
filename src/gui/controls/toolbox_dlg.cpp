#include "gui/controls/toolbox_dlg.h"

#include <QStackedLayout>

#include "gui/controls/base_tool_dlg.h"

namespace pixmill {

CToolboxDlg::CToolboxDlg(QWidget* parent) : QWidget(parent), stack_(new QStackedLayout(this)) {
    // The panels fill the box but for a small gap at the bottom.
    stack_->setContentsMargins(0, 0, 0, 2);
}

bool CToolboxDlg::addPanel(CBaseToolDlg* panel) {
    if (!panel)
        return false;
    if (this->panel(panel->panelId())) {
        delete panel;
        return false;
    }
    panel->setParent(this);
    panel->hide();
    // The window's order whichever panel is added first; panels of other ids go last.
    const auto rank = [](int id) {
        const int order[] = {kImageWatermarkPanelId, kRenamePanelId, kResizePanelId,
                             kTextWatermarkPanelId};
        for (int i = 0; i < 4; ++i) {
            if (order[i] == id)
                return i;
        }
        return 4;
    };
    auto position = panels_.begin();
    while (position != panels_.end() && rank((*position)->panelId()) <= rank(panel->panelId()))
        ++position;
    panels_.insert(position, panel);
    return true;
}

bool CToolboxDlg::showPanel(int panelId) {
    CBaseToolDlg* wanted = panel(panelId);
    if (!wanted)
        return false;
    for (CBaseToolDlg* other : panels_) {
        if (other != wanted && other->created())
            other->hide();
    }
    if (!wanted->created()) {
        wanted->ensureCreated();
        stack_->addWidget(wanted);
    }
    stack_->setCurrentWidget(wanted);
    wanted->show();
    current_ = wanted;
    Q_EMIT startCaptionChanged(startCaptionFor(*wanted));
    Q_EMIT panelShown(panelId);
    return true;
}

CBaseToolDlg* CToolboxDlg::panel(int panelId) const {
    for (CBaseToolDlg* candidate : panels_) {
        if (candidate->panelId() == panelId)
            return candidate;
    }
    return nullptr;
}

QString CToolboxDlg::startCaptionFor(const CBaseToolDlg& panel) {
    return QStringLiteral("开始批量") + panel.displayName();
}

}  // namespace pixmill
