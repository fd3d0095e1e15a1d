#include "engine/rename/rename_journal.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "engine/platform/safe_rewrite.h"

namespace pixmill {
namespace {

constexpr std::string_view kHeader = "pixmill rename journal 1\n";
constexpr std::string_view kEnd = "end\n";
constexpr std::string_view kSecondPass = "pass 2\n";

// A name on one line: '%', tab, line feed and carriage return as %XX.
std::string escaped(const std::string& name) {
    std::string text;
    for (unsigned char c : name) {
        if (c == '%' || c == '\t' || c == '\n' || c == '\r') {
            char code[4];
            std::snprintf(code, sizeof code, "%%%02X", c);
            text += code;
        } else {
            text += static_cast<char>(c);
        }
    }
    return text;
}

std::optional<std::string> unescaped(std::string_view text) {
    std::string name;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            name += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        unsigned value = 0;
        if (std::sscanf(std::string(text.substr(i + 1, 2)).c_str(), "%2X", &value) != 1)
            return std::nullopt;
        name += static_cast<char>(value);
        i += 2;
    }
    return name;
}

std::vector<std::string_view> split(std::string_view line, char separator) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (std::size_t at; (at = line.find(separator, start)) != std::string_view::npos;
         start = at + 1)
        fields.push_back(line.substr(start, at - start));
    fields.push_back(line.substr(start));
    return fields;
}

std::optional<JournalRow> decodeRow(std::string_view line) {
    const std::vector<std::string_view> fields = split(line, '\t');
    if (fields.size() != 3 && fields.size() != 4)
        return std::nullopt;
    JournalRow row;
    auto oldName = unescaped(fields[0]);
    auto temporaryName = unescaped(fields[1]);
    auto finalName = unescaped(fields[2]);
    if (!oldName || !temporaryName || !finalName || oldName->empty() || finalName->empty())
        return std::nullopt;
    row.oldName = *oldName;
    row.temporaryName = *temporaryName;
    row.finalName = *finalName;
    if (fields.size() == 4)
        row.identity = std::string(fields[3]);
    return row;
}

}  // namespace

std::string fileIdentity(const std::string& path) {
    struct stat status;
    if (::lstat(path.c_str(), &status) != 0)
        return {};
    return "i" + std::to_string(status.st_ino) + " s" + std::to_string(status.st_size) + " m" +
           std::to_string(status.st_mtim.tv_sec) + "." + std::to_string(status.st_mtim.tv_nsec);
}

std::string encodeJournal(const RenameJournal& journal) {
    std::string text(kHeader);
    for (const JournalRow& row : journal.rows) {
        text += escaped(row.oldName) + '\t' + escaped(row.temporaryName) + '\t' +
                escaped(row.finalName) +
                (row.identity.empty() ? "" : '\t' + escaped(row.identity)) + '\n';
    }
    text += kEnd;
    if (journal.secondPass)
        text += kSecondPass;
    return text;
}

std::optional<RenameJournal> decodeJournal(std::string_view text) {
    if (!text.starts_with(kHeader))
        return std::nullopt;
    text.remove_prefix(kHeader.size());
    RenameJournal journal;
    for (;;) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos)
            return std::nullopt;  // never reached "end"
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (line == kEnd.substr(0, kEnd.size() - 1))
            break;
        std::optional<JournalRow> row = decodeRow(line);
        if (!row)
            return std::nullopt;
        journal.rows.push_back(std::move(*row));
    }
    // A mark cut short by a crash counts as absent: the second pass had not begun.
    journal.secondPass = text.starts_with(kSecondPass);
    return journal;
}

Result<> writeJournalFile(const std::string& folder, const char* name, const RenameJournal& journal,
                          FileOps& ops) {
    const std::string text = encodeJournal(journal);
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()),
                                              text.size());
    return writeFileBeside(folder + name, bytes, newFileAttributes(), ops);
}

Result<> markSecondPass(const std::string& folder) {
    fileStepCheckpoint();
    const std::string path = folder + kRenameJournalName;
    int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return systemError(errno, path);
    int error = 0;
    if (::write(fd, kSecondPass.data(), kSecondPass.size()) !=
        static_cast<ssize_t>(kSecondPass.size()))
        error = errno ? errno : EIO;
    if (error == 0 && ::fsync(fd) != 0)
        error = errno;
    ::close(fd);
    if (error != 0)
        return systemError(error, path);
    return {};
}

std::optional<RenameJournal> readJournalFile(const std::string& folder, const char* name) {
    const std::string path = folder + name;
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return std::nullopt;
    std::string text;
    char buffer[65536];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0 && text.size() < (64u << 20);)
        text.append(buffer, static_cast<std::size_t>(got));
    ::close(fd);
    return decodeJournal(text);
}

Result<> removeJournalFile(const std::string& folder, const char* name, FileOps& ops) {
    Result<> removed = ops.removeFile(folder + name);
    if (removed)
        (void)ops.syncFolder(folder);
    if (removed.code() == ENOENT)
        return {};
    return removed;
}

RenameFolderLock::RenameFolderLock(const std::string& folder) {
    fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0)
        return;
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        busy_ = errno == EWOULDBLOCK;
        ::close(fd_);
        fd_ = -1;
    }
}

RenameFolderLock::~RenameFolderLock() {
    if (fd_ >= 0)
        ::close(fd_);
}

}  // namespace pixmill
