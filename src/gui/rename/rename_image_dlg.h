#pragma once
// The rename panel: the rule with its live preview and tag menu, the numbering, the extension
// case, and "预览全部", which lists what the batch would name every ticked file before
// anything moves.

#include <QString>

#include "engine/batch/batch_starter.h"
#include "engine/rename/rename_plan.h"
#include "gui/controls/base_tool_dlg.h"

class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace pixmill {

class AppSettings;
class CatalogModel;
class UserPrompter;

class CRenameImageDlg : public CBaseToolDlg {
    Q_OBJECT
  public:
    CRenameImageDlg(AppSettings& settings, CatalogModel& model, BatchStarter starter,
                    UserPrompter* prompter = nullptr, QWidget* parent = nullptr);

    bool StartBatch() override;

    // The panel's fields as the batch would take them, validating start and increment.
    // `valid` (when given) is false when a number field failed its check.
    RenameParams readParams(bool* valid = nullptr);
    // What the batch would do for the ticked rows now.
    RenamePlan planForTicked();

    // The tag menu, one entry per tag in table order (the entry's data is the tag text).
    QMenu* tagMenu() const { return tagMenu_; }
    // The tag menu's choice: appends the tag unless the rule holds it, then re-previews.
    void chooseTag(const QString& tagText);

    QPlainTextEdit* ruleEdit() const { return ruleEdit_; }
    QPlainTextEdit* previewEdit() const { return previewEdit_; }
    QLineEdit* startEdit() const { return startEdit_; }
    QLineEdit* incrementEdit() const { return incrementEdit_; }
    QRadioButton* caseRadio(int extensionCase) const { return caseRadios_[extensionCase]; }
    QPushButton* tagButton() const { return tagButton_; }
    QPushButton* previewAllButton() const { return previewAllButton_; }

  protected:
    void initDialog() override;

  private:
    void updatePreview();
    void popUpTagMenu();
    void showPreviewAll();
    int extensionCase() const;

    AppSettings& settings_;
    CatalogModel& model_;
    BatchStarter starter_;
    UserPrompter* prompter_;
    QPlainTextEdit* ruleEdit_ = nullptr;
    QPlainTextEdit* previewEdit_ = nullptr;
    QLineEdit* startEdit_ = nullptr;
    QLineEdit* incrementEdit_ = nullptr;
    QRadioButton* caseRadios_[3] = {nullptr, nullptr, nullptr};
    QPushButton* tagButton_ = nullptr;
    QPushButton* previewAllButton_ = nullptr;
    QMenu* tagMenu_ = nullptr;
    int start_ = 1;
    int increment_ = 1;
};

}  // namespace pixmill
