#include "engine/watermark/layout_library.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <string_view>

#include "engine/platform/safe_rewrite.h"

namespace pixmill {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMaxFileNameBytes = 255;

std::string quoted(const std::string& name) {
    return "“" + name + "”";
}

bool endsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

std::string upperAscii(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

// CON, PRN, AUX, NUL, COM1..COM9 and LPT1..LPT9 name devices on Windows, with any extension.
bool isDeviceName(std::string_view name) {
    const std::string base = upperAscii(name.substr(0, name.find('.')));
    static const std::array<const char*, 4> plain = {"CON", "PRN", "AUX", "NUL"};
    if (std::find(plain.begin(), plain.end(), base) != plain.end())
        return true;
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) &&
           base[3] >= '1' && base[3] <= '9';
}

}  // namespace

std::string layoutNameProblem(const std::string& name) {
    if (name.find_first_not_of(" \t") == std::string::npos)
        return "请输入布局名称";
    if (name.find_first_of("/\\") != std::string::npos)
        return "布局名称不能包含 / 或 \\";
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F || std::strchr("<>:\"|?*", c))
            return "布局名称不能包含 < > : \" | ? * 或控制字符";
    }
    if (name.front() == ' ' || name.back() == ' ' || name.front() == '.' || name.back() == '.')
        return "布局名称不能以空格或句点开头或结尾";
    if (isDeviceName(name))
        return quoted(name) + "是系统保留的名称，不能用作布局名称";
    if (name.size() + std::strlen(kSavedLayoutExtension) > kMaxFileNameBytes)
        return "布局名称太长";
    return std::string();
}

std::string savedLayoutPath(const std::string& templateDir, const std::string& name) {
    return (fs::path(templateDir) / (name + kSavedLayoutExtension)).string();
}

std::vector<std::string> savedLayoutNames(const std::string& templateDir) {
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator it(fs::path(templateDir), error), end; !error && it != end;
         it.increment(error)) {
        const std::string file = it->path().filename().string();
        if (!endsWith(file, kSavedLayoutExtension) || !it->is_regular_file(error))
            continue;
        // Our own temporaries (".~pm...") and names no user could have chosen stay hidden.
        std::string name = file.substr(0, file.size() - std::strlen(kSavedLayoutExtension));
        if (layoutNameProblem(name).empty())
            names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool savedLayoutExists(const std::string& templateDir, const std::string& name) {
    std::error_code error;
    return layoutNameProblem(name).empty() &&
           fs::is_regular_file(savedLayoutPath(templateDir, name), error);
}

Result<> saveNamedLayout(CControlTracker& group, const std::string& templateDir,
                         const std::string& name, FileOps& fileOps) {
    if (std::string problem = layoutNameProblem(name); !problem.empty())
        return makeError(kLayoutBadName, problem);
    std::error_code error;
    fs::create_directories(fs::path(templateDir), error);
    const std::string path = savedLayoutPath(templateDir, name);
    if (!group.saveLayout(path, fileOps))
        return makeError(kLayoutNotWritten, "无法保存水印布局文件：" + path);
    return Result<>();
}

Result<> loadNamedLayout(CControlTracker& group, const std::string& templateDir,
                         const std::string& name, LayerRepaintTarget* ownerWindow) {
    if (std::string problem = layoutNameProblem(name); !problem.empty())
        return makeError(kLayoutBadName, problem);
    if (!savedLayoutExists(templateDir, name))
        return makeError(kLayoutMissing, "找不到水印布局" + quoted(name));
    if (!group.loadLayout(savedLayoutPath(templateDir, name), ownerWindow))
        return makeError(kLayoutDamaged, "水印布局" + quoted(name) + "已损坏，无法载入");
    return Result<>();
}

Result<std::string> resolveLayoutArgument(const std::string& argument,
                                          const std::string& templateDir) {
    std::error_code error;
    if (!argument.empty() && fs::exists(argument, error))
        return argument;
    std::string name = argument;
    if (endsWith(name, kSavedLayoutExtension))
        name.resize(name.size() - std::strlen(kSavedLayoutExtension));
    if (savedLayoutExists(templateDir, name))
        return savedLayoutPath(templateDir, name);
    return makeError(kLayoutMissing, "找不到水印布局文件或已保存的布局" + quoted(argument) +
                                         "（已保存的布局在 " + templateDir + "）");
}

}  // namespace pixmill
