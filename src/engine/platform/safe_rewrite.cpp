#include "engine/platform/safe_rewrite.h"

#include <sys/stat.h>
#include <sys/time.h>

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <ctime>
#include <cstdlib>

namespace pixmill {
namespace {

// The process's file-creation mask, read without changing it (umask(2) can only be read by
// setting it, which would race with other threads creating files).
mode_t creationMask() {
    static const mode_t mask = [] {
        mode_t value = 022;
        if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
            char line[256];
            while (std::fgets(line, sizeof line, status)) {
                unsigned parsed = 0;
                if (std::sscanf(line, "Umask: %o", &parsed) == 1) value = mode_t(parsed);
            }
            std::fclose(status);
        }
        return value;
    }();
    return mask;
}

Result replaceThroughTemporary(const std::string& target, std::span<const std::uint8_t> content,
                               const struct stat& attributes, FileOps& ops) {
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

}  // namespace

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
    return replaceThroughTemporary(target, content, attributes, ops);
}

Result writeFileReplacing(const std::string& path, std::span<const std::uint8_t> content,
                          FileOps& ops) {
    // The temporary file is private until it is complete; these are what it gets then.
    struct stat attributes {};
    attributes.st_mode = 0666 & ~creationMask();
    attributes.st_uid = ::getuid();
    attributes.st_gid = ::getgid();
    ::clock_gettime(CLOCK_REALTIME, &attributes.st_mtim);
    return replaceThroughTemporary(path, content, attributes, ops);
}

}  // namespace pixmill
