#include "engine/imaging/batch_output.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "engine/imaging/input_formats.h"
#include "engine/imaging/output_format.h"
#include "engine/platform/name_order.h"

namespace pixmill {
namespace {

namespace fs = std::filesystem;

bool sameFolder(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty())
        return false;
    std::error_code error;
    return fs::equivalent(fs::path(a), fs::path(b), error);
}

constexpr std::size_t kMaxNameBytes = 255;

std::string folded(std::string name) {
    for (char& c : name)
        c = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    return name;
}

// `stem` + `ending` within the longest name a file system takes, the stem cut at a character
// boundary when it is too long.
std::string fitted(std::string stem, const std::string& ending) {
    const std::size_t limit = kMaxNameBytes > ending.size() ? kMaxNameBytes - ending.size() : 0;
    if (stem.size() > limit) {
        std::size_t cut = limit;
        while (cut > 0 && (static_cast<unsigned char>(stem[cut]) & 0xC0) == 0x80)
            --cut;
        stem.resize(cut);
    }
    return stem + ending;
}

std::size_t extensionStart(const std::string& name) {
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos || dot == 0 ? name.size() : dot;
}

std::string fittedName(const std::string& name) {
    const std::size_t dot = extensionStart(name);
    return fitted(name.substr(0, dot), name.substr(dot));
}

// "a.jpg" as its `number`th name: "a (2).jpg".
std::string numberedName(const std::string& name, int number) {
    const std::size_t dot = extensionStart(name);
    return fitted(name.substr(0, dot), " (" + std::to_string(number) + ")" + name.substr(dot));
}

}  // namespace

OutputName nameOutput(const OutputNamer& namer, const std::string& outputDir,
                      const std::string& fileName, EncodedFormat written) {
    if (namer)
        return namer(written);
    return OutputName{outputDir + outputFileName(fileName, written), {}};
}

void OutputNames::plan(const std::vector<std::string>& catalogNames) {
    std::vector<std::string> names = catalogNames;
    std::sort(names.begin(), names.end(), catalogNameLess);
    names.erase(std::unique(names.begin(), names.end()), names.end());
    std::vector<std::string> waiting;
    for (const std::string& fileName : names) {
        const std::string natural = fittedName(
            outputFileName(fileName, writtenFormat(options_, formatOfFileName(fileName))));
        plan_[fileName].natural = natural;
        if (natural == fileName && !planOwners_.count(folded(natural))) {
            plan_[fileName].name = natural;
            planOwners_[folded(natural)] = fileName;
        } else {
            waiting.push_back(fileName);
        }
    }
    std::vector<std::string> clashing;
    for (const std::string& fileName : waiting) {
        Planned& planned = plan_[fileName];
        if (planOwners_.count(folded(planned.natural))) {
            clashing.push_back(fileName);
            continue;
        }
        planned.name = planned.natural;
        planOwners_[folded(planned.natural)] = fileName;
    }
    for (const std::string& fileName : clashing) {
        Planned& planned = plan_[fileName];
        for (int number = 2; planned.name.empty(); ++number) {
            const std::string candidate = numberedName(planned.natural, number);
            if (!planOwners_.count(folded(candidate))) {
                planned.name = candidate;
                planOwners_[folded(candidate)] = fileName;
            }
        }
    }
}

bool OutputNames::isFree(const std::string& name, const std::string& fileName) const {
    const std::string key = folded(name);
    const auto planOwner = planOwners_.find(key);
    const auto givenOwner = givenOwners_.find(key);
    return (planOwner == planOwners_.end() || planOwner->second == fileName) &&
           (givenOwner == givenOwners_.end() || givenOwner->second == fileName);
}

void OutputNames::take(const std::string& name, const std::string& fileName) {
    givenOwners_.emplace(folded(name), fileName);
}

OutputName OutputNames::claim(const BatchEnvironment& env, const std::string& fileName,
                              EncodedFormat written) {
    std::lock_guard lock(mutex_);
    if (!planned_) {
        plan(env.catalogNames);
        planned_ = true;
    }
    const std::string natural = fittedName(outputFileName(fileName, written));
    std::string name;
    const auto planned = plan_.find(fileName);
    if (planned != plan_.end() && planned->second.natural == natural) {
        name = planned->second.name;
    } else {
        name = natural;
        for (int number = 2; !isFree(name, fileName); ++number)
            name = numberedName(natural, number);
    }
    take(name, fileName);
    OutputName output{env.outputDir + name, {}};
    if (name != natural)
        output.note = "“" + natural + "”是同一目录中另一张图片的输出名，本张存为“" + name + "”";
    return output;
}

OutputNamer OutputNames::namerFor(const std::shared_ptr<OutputNames>& names,
                                  const BatchEnvironment& env, const std::string& fileName) {
    return [names, &env, fileName](EncodedFormat written) {
        return names->claim(env, fileName, written);
    };
}

std::string outputPathFor(const std::string& outputDir, const CatalogItem& item) {
    return outputDir +
           outputFileName(item.fileName,
                          writtenFormat(OutputOptions{}, formatOfFileName(item.fileName)));
}

Result<> checkOutput(const BatchEnvironment& env, const CatalogItem& item) {
    std::error_code error;
    if (env.outputDir.empty() || !fs::is_directory(fs::path(env.outputDir), error))
        return makeError("输出目录不存在：" + env.outputDir);
    const std::string itemFolder = fs::path(item.fullPath).parent_path().string();
    if (sameFolder(env.outputDir, env.currentFolder) || sameFolder(env.outputDir, itemFolder))
        return makeError(
            "输出目录就是图片所在的目录，写入会覆盖原图，已拒绝处理；请在选项中另选输出目录");
    return {};
}

bool isSameFile(const std::string& source, const std::string& output) {
    std::error_code error;
    return fs::equivalent(fs::path(source), fs::path(output), error);
}

}  // namespace pixmill
