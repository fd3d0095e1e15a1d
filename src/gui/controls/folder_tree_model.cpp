#include "gui/controls/folder_tree_model.h"

#include <QCollator>
#include <QFileIconProvider>
#include <QLocale>

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <numeric>

#include "engine/platform/native_path.h"

namespace pixmill {
namespace {

// The directory stream, closed however the listing ends.
struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

bool isListedFolder(DIR* dir, const dirent& entry) {
    if (entry.d_name[0] == '.')
        return false;
    if (entry.d_type == DT_DIR)
        return true;
    if (entry.d_type != DT_UNKNOWN && entry.d_type != DT_LNK)
        return false;
    // Links are followed: a link to a folder is shown as the folder.
    struct stat status;
    return ::fstatat(::dirfd(dir), entry.d_name, &status, 0) == 0 && S_ISDIR(status.st_mode);
}

// The C locale collates by code point: capitals before small letters and "photo10" before
// "photo9". A folder list wants the order people read, which Unicode's root order gives (the
// one English uses).
QLocale collationLocale() {
    const QLocale system;
    return system.language() == QLocale::C ? QLocale(QLocale::English) : system;
}

}  // namespace

FolderTreeModel::FolderTreeModel(QObject* parent)
    : QAbstractItemModel(parent),
      folderIcon_(QFileIconProvider().icon(QFileIconProvider::Folder)),
      collator_(collationLocale()) {
    collator_.setCaseSensitivity(Qt::CaseInsensitive);
    collator_.setNumericMode(true);
    auto top = std::make_unique<Node>();
    top->name = "/";
    top->display = QStringLiteral("/");
    top->parent = &root_;
    root_.children.push_back(std::move(top));
    root_.listed = true;
}

FolderTreeModel::~FolderTreeModel() = default;

FolderTreeModel::Node* FolderTreeModel::nodeOf(const QModelIndex& index) const {
    if (!index.isValid())
        return const_cast<Node*>(&root_);
    return static_cast<Node*>(index.internalPointer());
}

QModelIndex FolderTreeModel::indexOf(const Node* node) const {
    if (node == &root_)
        return {};
    return createIndex(node->row, 0, const_cast<Node*>(node));
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parent) const {
    const Node* folder = nodeOf(parent);
    if (column != 0 || row < 0 || std::size_t(row) >= folder->children.size())
        return {};
    return indexOf(folder->children[std::size_t(row)].get());
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid())
        return {};
    return indexOf(nodeOf(child)->parent);
}

int FolderTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0)
        return 0;
    return int(nodeOf(parent)->children.size());
}

int FolderTreeModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool FolderTreeModel::hasChildren(const QModelIndex& parent) const {
    const Node* folder = nodeOf(parent);
    // Until a folder is read it is assumed to have some, so that it can be expanded.
    return !folder->listed || !folder->children.empty();
}

bool FolderTreeModel::canFetchMore(const QModelIndex& parent) const {
    return !nodeOf(parent)->listed;
}

void FolderTreeModel::fetchMore(const QModelIndex& parent) {
    Node* folder = nodeOf(parent);
    if (folder->listed)
        return;
    std::vector<std::unique_ptr<Node>> children = readFolder(*folder);
    folder->listed = true;
    if (children.empty())
        return;
    beginInsertRows(parent, 0, int(children.size()) - 1);
    folder->children = std::move(children);
    for (std::size_t row = 0; row < folder->children.size(); ++row) {
        folder->children[row]->parent = folder;
        folder->children[row]->row = int(row);
    }
    endInsertRows();
}

std::vector<std::unique_ptr<FolderTreeModel::Node>> FolderTreeModel::readFolder(
    const Node& folder) const {
    std::vector<std::unique_ptr<Node>> children;
    const DirHandle dir(::opendir(bytesOf(folder).c_str()));
    if (!dir)
        return children;
    while (const dirent* entry = ::readdir(dir.get())) {
        if (!isListedFolder(dir.get(), *entry))
            continue;
        auto child = std::make_unique<Node>();
        child->name = entry->d_name;
        child->display = QString::fromUtf8(child->name);
        children.push_back(std::move(child));
    }

    std::vector<QCollatorSortKey> keys;
    keys.reserve(children.size());
    for (const auto& child : children)
        keys.push_back(collator_.sortKey(child->display));
    std::vector<std::size_t> order(children.size());
    std::iota(order.begin(), order.end(), std::size_t(0));
    // Names the collation calls equal (case, bytes shown alike) keep a fixed order by bytes.
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const int compared = keys[a].compare(keys[b]);
        return compared != 0 ? compared < 0 : children[a]->name < children[b]->name;
    });
    std::vector<std::unique_ptr<Node>> sorted;
    sorted.reserve(children.size());
    for (std::size_t at : order)
        sorted.push_back(std::move(children[at]));
    return sorted;
}

bool FolderTreeModel::sortsBefore(const Node& first, const Node& second) const {
    const int compared = collator_.compare(first.display, second.display);
    return compared != 0 ? compared < 0 : first.name < second.name;
}

FolderTreeModel::Node* FolderTreeModel::addChild(Node& folder, std::string_view name) {
    auto child = std::make_unique<Node>();
    child->name = std::string(name);
    child->display = QString::fromUtf8(child->name);
    child->parent = &folder;
    const auto at = std::lower_bound(
        folder.children.begin(), folder.children.end(), child,
        [&](const auto& sibling, const auto& added) { return sortsBefore(*sibling, *added); });
    const int row = int(at - folder.children.begin());
    beginInsertRows(indexOf(&folder), row, row);
    Node* added = folder.children.insert(at, std::move(child))->get();
    for (std::size_t later = std::size_t(row); later < folder.children.size(); ++later)
        folder.children[later]->row = int(later);
    endInsertRows();
    return added;
}

std::string FolderTreeModel::bytesOf(const Node& node) const {
    if (node.parent == &root_)
        return node.name;
    std::string bytes = bytesOf(*node.parent);
    if (bytes.back() != '/')
        bytes += '/';
    return bytes + node.name;
}

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    switch (role) {
        case Qt::DisplayRole:
            return nodeOf(index)->display;
        case Qt::DecorationRole:
            return folderIcon_;
        default:
            return {};
    }
}

Qt::ItemFlags FolderTreeModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

QString FolderTreeModel::filePath(const QModelIndex& index) const {
    if (!index.isValid())
        return {};
    return pathFromBytes(bytesOf(*nodeOf(index)));
}

QModelIndex FolderTreeModel::index(const QString& path) {
    const std::string bytes = pathBytes(path);
    if (bytes.empty() || bytes.front() != '/')
        return {};
    Node* node = root_.children.front().get();
    std::size_t begin = 1;
    while (begin <= bytes.size()) {
        std::size_t end = bytes.find('/', begin);
        if (end == std::string::npos)
            end = bytes.size();
        const std::string_view name = std::string_view(bytes).substr(begin, end - begin);
        begin = end + 1;
        if (name.empty() || name == ".")
            continue;
        if (name == "..") {
            if (node->parent != &root_)
                node = node->parent;
            continue;
        }
        if (!node->listed)
            fetchMore(indexOf(node));
        const auto found = std::find_if(node->children.begin(), node->children.end(),
                                        [&](const auto& child) { return child->name == name; });
        if (found != node->children.end()) {
            node = found->get();
            continue;
        }
        // Not listed: the folder could not be read (search permission without read) or the
        // name appeared since.
        std::string level = bytesOf(*node);
        if (level.back() != '/')
            level += '/';
        level += name;
        struct stat status;
        if (name.front() == '.' || ::stat(level.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
            return {};
        node = addChild(*node, name);
    }
    return indexOf(node);
}

}  // namespace pixmill
