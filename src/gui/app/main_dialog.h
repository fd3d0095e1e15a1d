#pragma once
// The main window: menus, the content pane and tool panels, and the two-part status line.

#include <QMainWindow>

#include <functional>
#include <memory>

#include "engine/app/app_settings.h"

class QLabel;
class QMenu;

namespace pixmill {

class StatusBarSink;

class CMainDlg : public QMainWindow {
    Q_OBJECT
public:
    using SkinSwitch = std::function<void(bool)>;

    explicit CMainDlg(AppSettings& settings, QWidget* parent = nullptr);
    ~CMainDlg() override;

    // Attaches or detaches the skin; the options dialog calls it when "使用皮肤" changes.
    void setSkinSwitch(SkinSwitch skinSwitch) { skinSwitch_ = std::move(skinSwitch); }

    QLabel* statusPart(int part) const { return part == 0 ? statusPart0_ : statusPart1_; }
    QMenu* optionsMenu() const { return optionsMenu_; }

    void openOptions();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildStatusLine();
    void buildMenus();
    void storeWindowRectangle();

    AppSettings& settings_;
    SkinSwitch skinSwitch_;
    QLabel* statusPart0_ = nullptr;
    QLabel* statusPart1_ = nullptr;
    QMenu* optionsMenu_ = nullptr;
    std::unique_ptr<StatusBarSink> statusSink_;
};

}  // namespace pixmill
