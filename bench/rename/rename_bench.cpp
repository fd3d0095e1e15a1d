// Stand-in for `pixmill-cli rename` until the CLI drives the rename batch: catalogs FOLDER the
// way the program does (its JPEG, BMP and PNG files by name), reads each JPEG's shooting date
// and runs the two-pass rename batch with RULE over every row.
//
//   rename_bench FOLDER RULE
//
// The date is taken as the first "YYYY:MM:DD HH:MM:SS" text in the file's first 64 KiB, where
// the EXIF section lies: the same open and read per file as a real EXIF reader makes.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>

#include "engine/rename/rename_batch.h"

namespace {

std::string shootingDate(const std::string& path) {
    char head[65536];
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::string();
    const ssize_t got = ::read(fd, head, sizeof head);
    ::close(fd);
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    static constexpr char kShape[] = "dddd:dd:dd dd:dd:dd";
    for (ssize_t at = 0; at + 19 <= got; ++at) {
        bool match = true;
        for (int i = 0; i < 19 && match; ++i)
            match = kShape[i] == 'd' ? digit(head[at + i]) : head[at + i] == kShape[i];
        if (match)
            return std::string(head + at, 19);
    }
    return std::string();
}

std::string randomGuid() {
    std::random_device device;
    char text[40];
    std::snprintf(text, sizeof text, "%08x-%04x-4%03x-a%03x-%04x%08x", device(), device() & 0xffff,
                  device() & 0xfff, device() & 0xfff, device() & 0xffff, device());
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: rename_bench FOLDER RULE\n");
        return 2;
    }
    pixmill::BatchEnvironment env;
    env.currentFolder = std::string(argv[1]) + "/";
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(argv[1])) {
        std::string extension = entry.path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
        if (entry.is_regular_file() && (extension == ".jpg" || extension == ".jpeg" ||
                                        extension == ".png" || extension == ".bmp"))
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    std::vector<pixmill::WorkedRow> rows(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        rows[i].row = static_cast<int>(i);
        rows[i].item.number = static_cast<int>(i);
        rows[i].item.fileName = names[i];
        rows[i].item.fullPath = env.currentFolder + names[i];
        rows[i].item.shootingDate = shootingDate(rows[i].item.fullPath);
    }
    env.catalogRows = static_cast<int>(rows.size());
    pixmill::RenameParams params;
    params.rule = argv[2];
    const auto outcomes = pixmill::runRename(params, rows, env, randomGuid());
    const auto failed = std::count_if(outcomes.begin(), outcomes.end(), [](const auto& outcome) {
        return outcome.status != pixmill::ItemStatus::Ok;
    });
    if (failed > 0) {
        std::fprintf(stderr, "%s\n", outcomes.front().message.c_str());
        return 1;
    }
    std::printf("%zu files renamed\n", rows.size());
    return 0;
}
