#include "engine/platform/safe_rewrite.h"

#include <sys/stat.h>
#include <sys/time.h>

#include <climits>
#include <ctime>
#include <cstdlib>

namespace pixmill {

std::string resolveRewriteTarget(const std::string& path) {
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr) return {};
    return resolved;
}

Result rewriteFileSafely(const std::string& path, std::span<const std::uint8_t> content,
                         bool keepTimes, FileOps& ops) {
    const std::string target = resolveRewriteTarget(path);
    struct stat attributes;
    if (target.empty() || ::stat(target.c_str(), &attributes) != 0) {
        return Result::error(kRewriteCannotResolve, "cannot find '" + path + "'");
    }
    if (!keepTimes) {
        ::clock_gettime(CLOCK_REALTIME, &attributes.st_mtim);
    }
    const std::string temporary = target + ".t";
    ops.removeFile(temporary);  // a leftover of an earlier run; usually absent
    if (int error = ops.writeNewFile(temporary, content, &attributes); error != 0) {
        ops.removeFile(temporary);
        return Result::error(kRewriteCannotWrite,
                             "cannot write '" + temporary + "': " + errorText(error));
    }
    if (int error = ops.renameReplacing(temporary, target); error != 0) {
        ops.removeFile(temporary);
        return Result::error(kRewriteCannotReplace,
                             "cannot replace '" + target + "': " + errorText(error));
    }
    return Result::ok();
}

}  // namespace pixmill
