#pragma once
// The tool panel container on the right of the main window: holds the panels in order,
// shows one at a time (creating its controls on its first showing) and tells the window the
// start button's caption, "开始批量" followed by the shown panel's name.

#include <QWidget>

#include <vector>

class QStackedLayout;

namespace pixmill {

class CBaseToolDlg;

class CToolboxDlg : public QWidget {
    Q_OBJECT
  public:
    explicit CToolboxDlg(QWidget* parent = nullptr);

    // Takes the panel (as its Qt child). A panel whose id is already held is refused (false)
    // and deleted. Panels are held in the order image watermark, rename, resize, text
    // watermark, whatever order they are added in.
    bool addPanel(CBaseToolDlg* panel);

    // Shows the panel with this id and hides the others; false (nothing changes) for an id
    // no panel has.
    bool showPanel(int panelId);

    CBaseToolDlg* panel(int panelId) const;
    CBaseToolDlg* currentPanel() const { return current_; }
    const std::vector<CBaseToolDlg*>& panels() const { return panels_; }

    static QString startCaptionFor(const CBaseToolDlg& panel);

  Q_SIGNALS:
    // "开始批量" + the shown panel's display name, for the start button's caption and tooltip.
    void startCaptionChanged(const QString& caption);
    void panelShown(int panelId);

  private:
    QStackedLayout* stack_;
    std::vector<CBaseToolDlg*> panels_;
    CBaseToolDlg* current_ = nullptr;
};

}  // namespace pixmill
