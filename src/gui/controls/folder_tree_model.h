#pragma once
// The folder picker's tree: the file system's folders from "/" down, one column. Names are kept
// as the bytes the file system gave, so a folder whose name is not valid UTF-8 can be shown,
// chosen and returned (as a byte-keeping path, see engine/platform/native_path.h). Qt's own
// file classes decode names and cannot reach such a folder.
//
// A folder's children are read once, when the view first expands it or index(path) walks
// through it. Only folders are listed (a link to a folder counts), names beginning with "."
// are left out, and siblings are sorted as the user's locale sorts text, without regard to
// case and with numbers in numeric order. A folder that cannot be read shows no children but
// the levels index(path) was able to pass through it to.

#include <QAbstractItemModel>
#include <QCollator>
#include <QIcon>
#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace pixmill {

class FolderTreeModel : public QAbstractItemModel {
    Q_OBJECT
  public:
    explicit FolderTreeModel(QObject* parent = nullptr);
    ~FolderTreeModel() override;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The folder's absolute path, every byte of its name kept; empty for an invalid index.
    QString filePath(const QModelIndex& index) const;
    // The item of an absolute byte-keeping path ("." and empty components skipped, ".." going
    // up a level), reading each folder on the way that has not been read yet. A folder that
    // may be passed but not read still leads on: the levels named are added to it. Invalid when
    // the path is relative or a level is missing, hidden or cannot be reached.
    QModelIndex index(const QString& path);

  private:
    struct Node {
        std::string name;  // as the file system holds it; "/" for the root
        QString display;
        Node* parent = nullptr;
        int row = 0;
        bool listed = false;
        std::vector<std::unique_ptr<Node>> children;
    };

    Node* nodeOf(const QModelIndex& index) const;
    QModelIndex indexOf(const Node* node) const;
    std::vector<std::unique_ptr<Node>> readFolder(const Node& folder) const;
    bool sortsBefore(const Node& first, const Node& second) const;
    Node* addChild(Node& folder, std::string_view name);
    std::string bytesOf(const Node& node) const;

    // Above the tree: its one child is the root folder "/".
    Node root_;
    QIcon folderIcon_;
    QCollator collator_;
};

}  // namespace pixmill
