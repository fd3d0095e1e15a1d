#pragma once
// "选项设置": the output folder, the skin and click-to-tick switches.

#include <QDialog>

#include <functional>

#include "engine/app/app_settings.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace pixmill {

class COptionsdlg : public QDialog {
    Q_OBJECT
  public:
    // Attaches (true) or detaches (false) the skin; called at once when "使用皮肤" changes.
    using SkinSwitch = std::function<void(bool)>;
    // Runs the folder picker from `startFolder`; returns the chosen folder or an empty text.
    using FolderPicker = std::function<QString(QWidget* parent, const QString& startFolder)>;

    COptionsdlg(AppSettings& settings, SkinSwitch skinSwitch, QWidget* parent = nullptr);

    void setFolderPicker(FolderPicker picker) { picker_ = std::move(picker); }

    QLineEdit* outputEdit() const { return outputEdit_; }
    QCheckBox* skinBox() const { return skinBox_; }
    QCheckBox* checkOnClickBox() const { return checkOnClickBox_; }
    QPushButton* browseButton() const { return browseButton_; }

    void accept() override;

  private:
    void browse();
    void skinToggled(bool on);

    AppSettings& settings_;
    SkinSwitch skinSwitch_;
    FolderPicker picker_;
    QString pickerStart_;  // the folder last placed in the edit by the dialog itself
    QLineEdit* outputEdit_;
    QPushButton* browseButton_;
    QCheckBox* skinBox_;
    QCheckBox* checkOnClickBox_;
};

// The folder picker as the options dialog runs it.
QString pickOutputFolder(QWidget* parent, const QString& startFolder);

}  // namespace pixmill
