#pragma once
// "关于 Pixmill": the application icon, the version line and "确定".

#include <QDialog>

namespace pixmill {

class CAboutDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace pixmill
