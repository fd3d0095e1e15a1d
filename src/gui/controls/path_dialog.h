#pragma once
// The program's folder chooser: a folder tree with an edit box above it that always shows the
// chosen path and takes a typed one. OK checks the path, offers to create a missing folder,
// and closes only on a usable one.

#include <QDialog>
#include <QString>

#include <memory>

#include "engine/controls/folder_check.h"

class QDialogButtonBox;
class QLineEdit;
class QTreeView;

namespace pixmill {

class FolderTreeModel;

class CPathDialog : public QDialog {
    Q_OBJECT
  public:
    // An empty caption keeps the default title; an empty startFolder opens on the current
    // directory.
    CPathDialog(const QString& caption, const QString& prompt, const QString& startFolder,
                QWidget* owner);
    ~CPathDialog() override;

    // 1 when the user confirmed a path that passed the check; -1 on Cancel or close.
    int runModal();
    // The confirmed path as it stood in the edit box, without trailing separators (the root
    // excepted); none is added. A name that is not valid UTF-8 keeps its bytes (pathBytes gives
    // them back).
    QString chosenPath() const { return path_; }

    // Tests answer the questions and messages without message boxes; nullptr restores them.
    void setPrompter(FolderPrompter* prompter);
    QLineEdit* pathEdit() const { return edit_; }
    QTreeView* folderTree() const { return tree_; }
    QDialogButtonBox* buttons() const { return buttons_; }

    void accept() override;

  private:
    void selectFolder(const QString& folder);
    void onTreeSelection();
    void onEditChanged(const QString& text);
    void setOkEnabled(bool enabled);

    QLineEdit* edit_;
    QTreeView* tree_;
    FolderTreeModel* model_;
    QDialogButtonBox* buttons_;
    QString path_;
    FolderPrompter* prompter_;
    std::unique_ptr<FolderPrompter> boxPrompter_;
};

}  // namespace pixmill
