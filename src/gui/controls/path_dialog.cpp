#include "gui/controls/path_dialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

#include "engine/platform/native_path.h"
#include "gui/controls/folder_tree_model.h"

namespace pixmill {
namespace {

class MessageBoxPrompter : public FolderPrompter {
  public:
    explicit MessageBoxPrompter(QWidget* parent) : parent_(parent) {}
    bool askYesNo(const std::string& message) override {
        return QMessageBox::question(parent_, parent_->windowTitle(),
                                     QString::fromStdString(message),
                                     QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    }
    void showError(const std::string& message) override {
        QMessageBox::warning(parent_, parent_->windowTitle(), QString::fromStdString(message));
    }

  private:
    QWidget* parent_;
};

}  // namespace

CPathDialog::CPathDialog(const QString& caption, const QString& prompt, const QString& startFolder,
                         QWidget* owner)
    : QDialog(owner), boxPrompter_(std::make_unique<MessageBoxPrompter>(this)) {
    prompter_ = boxPrompter_.get();
    if (!caption.isEmpty())
        setWindowTitle(caption);
    auto* layout = new QVBoxLayout(this);
    auto* promptLabel = new QLabel(prompt, this);
    promptLabel->setWordWrap(true);
    layout->addWidget(promptLabel);
    edit_ = new QLineEdit(this);
    layout->addWidget(edit_);

    model_ = new FolderTreeModel(this);
    tree_ = new QTreeView(this);
    tree_->setModel(model_);
    tree_->setHeaderHidden(true);
    layout->addWidget(tree_, 1);

    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons_);
    connect(buttons_, &QDialogButtonBox::accepted, this, &CPathDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &CPathDialog::reject);
    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { onTreeSelection(); });
    connect(edit_, &QLineEdit::textChanged, this, &CPathDialog::onEditChanged);
    resize(420, 460);

    selectFolder(startFolder);
}

CPathDialog::~CPathDialog() = default;

void CPathDialog::setPrompter(FolderPrompter* prompter) {
    prompter_ = prompter ? prompter : boxPrompter_.get();
}

void CPathDialog::selectFolder(const QString& folder) {
    // A relative start (or none) is taken from the working folder, as the tree holds only
    // absolute paths.
    const QModelIndex index =
        model_->index(absolutePath(folder.isEmpty() ? QStringLiteral(".") : folder));
    if (!index.isValid()) {
        setOkEnabled(!edit_->text().isEmpty());
        return;
    }
    tree_->setCurrentIndex(index);
    tree_->scrollTo(index);
    tree_->expand(index);
}

void CPathDialog::onTreeSelection() {
    const QModelIndex index = tree_->currentIndex();
    // Only a folder of the file system can be returned; anything else empties the edit box.
    QString folder = index.isValid() ? model_->filePath(index) : QString();
    if (!folder.isEmpty() && !isFolder(folder))
        folder.clear();
    edit_->setText(folder);
    setOkEnabled(!folder.isEmpty());
}

void CPathDialog::onEditChanged(const QString& text) {
    setOkEnabled(!text.isEmpty());
}

void CPathDialog::setOkEnabled(bool enabled) {
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(enabled);
}

void CPathDialog::accept() {
    // A trailing separator (what tab completion and the folder box write) names the same
    // folder; the root keeps its own.
    path_ = edit_->text();
    while (path_.size() > 1 &&
           (path_.endsWith(QLatin1Char('/')) || path_.endsWith(QDir::separator()))) {
        path_.chop(1);
    }
    if (!checkOrCreateFolder(pathBytes(path_), *prompter_)) {
        edit_->setFocus();
        return;
    }
    QDialog::accept();
}

int CPathDialog::runModal() {
    return exec() == QDialog::Accepted ? 1 : -1;
}

}  // namespace pixmill
