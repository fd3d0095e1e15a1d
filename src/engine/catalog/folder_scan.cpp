#include "engine/catalog/folder_scan.h"

#include <QDir>
#include <QString>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "engine/imaging/input_formats.h"
#include "engine/platform/name_order.h"
#include "engine/platform/native_path.h"
#include "engine/platform/safe_rewrite.h"

namespace pixmill {
namespace {

struct ListedFile {
    std::string name;
    std::string sortKey;  // upper-cased UTF-16 code units, as bytes in big-endian order
    std::uint32_t size = 0;
};

bool listedLess(const ListedFile& a, const ListedFile& b) {
    if (a.sortKey != b.sortKey)
        return a.sortKey < b.sortKey;
    return a.name < b.name;
}

}  // namespace

bool hasImageExtension(const std::string& fileName) {
    return formatOfFileName(fileName) != ImageFileFormat::Unknown;
}

QString normalizedFolder(const QString& folder) {
    // Absolute, so that every path the catalog hands on names the same file wherever the
    // program's working folder is.
    QString result = absolutePath(QDir::fromNativeSeparators(folder));
    if (!result.endsWith(QLatin1Char('/')))
        result += QLatin1Char('/');
    return result;
}

std::vector<CatalogItem> scanFolder(const QString& folderText, const PhotoDetailsReader& reader,
                                    const std::function<void(int)>& found) {
    const QString folder = normalizedFolder(folderText);
    const std::string folderBytes = pathBytes(folder);
    std::unique_ptr<DIR, int (*)(DIR*)> directory(::opendir(folderBytes.c_str()), ::closedir);
    if (!directory)
        return {};

    std::vector<ListedFile> files;
    while (const dirent* entry = ::readdir(directory.get())) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || !hasImageExtension(name))
            continue;
        if (isTemporaryName(name))
            continue;  // a rewrite in progress, ours or another run's
        struct stat info {};
        // Symbolic links to images count as images; folders named like images do not.
        // Relative to the open folder: the kernel resolves one name instead of the whole path.
        if (::fstatat(::dirfd(directory.get()), name.c_str(), &info, 0) != 0 ||
            !S_ISREG(info.st_mode))
            continue;
        files.push_back(ListedFile{name, nameOrderKey(name),
                                   static_cast<std::uint32_t>(info.st_size & 0xFFFFFFFFu)});
    }
    std::sort(files.begin(), files.end(), listedLess);

    std::vector<CatalogItem> items;
    items.reserve(files.size());
    for (const ListedFile& file : files) {
        CatalogItem item;
        item.fileName = file.name;
        item.fullPath = folderBytes + file.name;
        item.fileSize = file.size;
        if (reader)
            reader(item.fullPath, item);
        items.push_back(std::move(item));
        if (found)
            found(static_cast<int>(items.size()));
    }
    return items;
}

}  // namespace pixmill
