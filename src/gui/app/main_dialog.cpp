#include "gui/app/main_dialog.h"

#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>

#include "engine/app/app_info.h"
#include "gui/app/options_dialog.h"
#include "gui/app/status_bar_sink.h"

namespace pixmill {

CMainDlg::CMainDlg(AppSettings& settings, QWidget* parent)
    : QMainWindow(parent), settings_(settings) {
    setWindowTitle(QString::fromUtf8(kDisplayName) + QStringLiteral(" v") +
                   QString::fromUtf8(kVersionText));
    resize(960, 640);
    buildStatusLine();
    buildMenus();
}

CMainDlg::~CMainDlg() = default;

void CMainDlg::buildStatusLine() {
    statusPart0_ = new QLabel(this);
    statusPart0_->setFixedWidth(150);
    statusPart1_ = new QLabel(this);
    statusBar()->addWidget(statusPart0_);
    statusBar()->addWidget(statusPart1_, 1);
    statusBar()->setSizeGripEnabled(false);
    statusSink_ = std::make_unique<StatusBarSink>(statusPart0_, statusPart1_);
}

void CMainDlg::buildMenus() {
    optionsMenu_ = menuBar()->addMenu(QString::fromUtf8("选项设置"));
    optionsMenu_->addAction(QString::fromUtf8("选项设置"), this, &CMainDlg::openOptions);
    // "每日一帖" is wired by the daily tip; until then it stays in place, disabled.
    QAction* dailyTip = optionsMenu_->addAction(QString::fromUtf8("每日一帖"));
    dailyTip->setObjectName(QStringLiteral("dailyTipAction"));
    dailyTip->setEnabled(false);
}

void CMainDlg::openOptions() {
    COptionsdlg dialog(settings_, skinSwitch_, this);
    dialog.exec();
}

void CMainDlg::storeWindowRectangle() {
    const QRect frame = frameGeometry();
    settings_.windowLeft = frame.left();
    settings_.windowTop = frame.top();
    settings_.windowRight = frame.right() + 1;
    settings_.windowBottom = frame.bottom() + 1;
}

void CMainDlg::closeEvent(QCloseEvent* event) {
    storeWindowRectangle();
    event->accept();
}

}  // namespace pixmill
