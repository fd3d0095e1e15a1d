#include "engine/rename/rename_plan.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <map>
#include <unordered_map>
#include <utility>

#include "engine/rename/tags.h"

namespace pixmill {
namespace {

constexpr long kDefaultNameLimit = 255;

std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* pattern, ...) {
    va_list args;
    va_start(args, pattern);
    char buffer[2048];
    std::vsnprintf(buffer, sizeof buffer, pattern, args);
    va_end(args);
    return buffer;
}

long nameLimit(const std::string& folder) {
    const long limit = ::pathconf(folder.empty() ? "." : folder.c_str(), _PC_NAME_MAX);
    return limit > 0 ? limit : kDefaultNameLimit;
}

using FileIdentity = std::pair<dev_t, ino_t>;

// Says what is wrong with one entry's names (empty when nothing is). Sources are checked
// first for every entry, so that a target held by a worked row counts as free: pass 1 moves
// that row away before pass 2 needs the name. Files are told apart by device and inode,
// which also holds on a file system that ignores case.
class NameChecker {
  public:
    explicit NameChecker(const BatchEnvironment& env)
        : env_(env), limit_(nameLimit(env.currentFolder)) {}

    std::string checkSource(const RenamePlanEntry& entry) {
        struct stat info;
        if (::lstat(entry.oldPath.c_str(), &info) != 0) {
            return format("重命名已取消：找不到第 %d 个图片 %s，请重新加载目录", entry.row + 1,
                          entry.oldName.c_str());
        }
        owners_.emplace(FileIdentity{info.st_dev, info.st_ino}, &entry);
        return std::string();
    }

    std::string checkTarget(const RenamePlanEntry& entry, std::string_view base) {
        const int row = entry.row + 1;
        const char* old = entry.oldName.c_str();
        if (base.empty()) {
            return format(
                "重命名已取消：第 %d 个图片 %s 按此规则得到的文件名为空，请修改重命名规则", row,
                old);
        }
        // Like a name that is the extension alone, one starting with a dot is hidden on Linux
        // and looks lost to the user.
        if (base.front() == '.') {
            return format("重命名已取消：第 %d 个图片 %s 的新文件名 %s 以“.”开头，会成为隐藏文件",
                          row, old, entry.finalName.c_str());
        }
        const long longest =
            static_cast<long>(std::max(entry.finalName.size(), entry.temporaryName.size()));
        if (longest > limit_) {
            return format("重命名已取消：第 %d 个图片 %s 的新文件名超过 %ld 字节的长度上限", row,
                          old, limit_);
        }
        // An increment of 0 would give two rows one temporary name.
        auto [numbered, unique] = numbers_.emplace(entry.number, &entry);
        if (!unique) {
            return format("重命名已取消：第 %d 个图片和第 %d 个图片的编号都是 %d，请检查递增值",
                          numbered->second->row + 1, row, entry.number);
        }
        auto [given, fresh] = finalNames_.emplace(entry.finalName, &entry);
        if (!fresh) {
            return format("重命名已取消：第 %d 个图片 %s 和第 %d 个图片 %s 的新文件名都是 %s",
                          given->second->row + 1, given->second->oldName.c_str(), row, old,
                          entry.finalName.c_str());
        }
        struct stat info;
        const std::string target = env_.currentFolder + entry.finalName;
        if (::lstat(target.c_str(), &info) == 0 &&
            owners_.find(FileIdentity{info.st_dev, info.st_ino}) == owners_.end()) {
            return format("重命名已取消：第 %d 个图片 %s 的新文件名 %s 已被目录中的其他文件占用",
                          row, old, entry.finalName.c_str());
        }
        return std::string();
    }

  private:
    const BatchEnvironment& env_;
    long limit_;
    std::map<FileIdentity, const RenamePlanEntry*> owners_;
    std::unordered_map<std::string, const RenamePlanEntry*> finalNames_;
    std::unordered_map<int, const RenamePlanEntry*> numbers_;
};

int paddingCount(const std::vector<WorkedRow>& rows, const BatchEnvironment& env) {
    if (env.catalogRows > 0)
        return env.catalogRows;
    int highest = 0;
    for (const WorkedRow& row : rows)
        highest = std::max(highest, row.row + 1);
    return highest;
}

}  // namespace

std::string renamePreview(std::string_view rule) {
    return expandTags(prepareTags(0, rule), sampleItem());
}

RenamePlan planRename(const RenameParams& params, const std::vector<WorkedRow>& rows,
                      const BatchEnvironment& env, std::string_view batchGuid) {
    RenamePlan plan;
    plan.entries.resize(rows.size());
    const TagRule rule = prepareTags(paddingCount(rows, env), params.rule);
    NameChecker checker(env);
    std::vector<std::string> bases(rows.size());
    std::int64_t number = params.start;
    // Every source first: a final name may be a name that another worked row gives up.
    for (size_t i = 0; i < rows.size(); ++i, number += params.increment) {
        RenamePlanEntry& entry = plan.entries[i];
        const CatalogItem& item = rows[i].item;
        entry.row = rows[i].row;
        entry.oldName = item.fileName;
        entry.oldPath = item.fullPath;
        if (plan.refused())
            continue;
        plan.refusal = checker.checkSource(entry);
        if (plan.refused())
            continue;
        if (number > INT32_MAX || number < INT32_MIN) {
            plan.refusal =
                format("重命名已取消：第 %d 个图片的编号超出 2147483647，请减小编号起始值或递增值",
                       entry.row + 1);
            continue;
        }
        entry.number = static_cast<int>(number);
        const std::string extension =
            applyExtensionCase(fileExtension(item.fileName), params.extensionCase);
        entry.temporaryName = std::string(batchGuid) + std::to_string(entry.number) + extension;
        CatalogItem named = item;
        named.number = entry.number;
        bases[i] = sanitizeFileName(expandTags(rule, named));
        entry.finalName = bases[i] + extension;
    }
    for (size_t i = 0; i < rows.size() && !plan.refused(); ++i) {
        plan.refusal = checker.checkTarget(plan.entries[i], bases[i]);
    }
    return plan;
}

}  // namespace pixmill
