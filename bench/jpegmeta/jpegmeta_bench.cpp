// Runs one metadata-engine operation over every JPEG of a folder, as one process, so that the
// bench script can time it side by side with exiv2, exiftool and cp.
//
//   jpegmeta_bench delete-exif FOLDER   delete EXIF in place (the "meta --delete-exif" path)
//   jpegmeta_bench info FOLDER          read the photo information of every file
#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/jpegmeta/jpeg_commands.h"
#include "engine/jpegmeta/photo_info.h"
#include "engine/platform/diagnostics.h"

namespace {

std::vector<std::string> jpegsIn(const std::string& folder) {
    std::vector<std::string> paths;
    if (DIR* dir = ::opendir(folder.c_str())) {
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            const std::size_t dot = name.rfind('.');
            if (dot == std::string::npos)
                continue;
            std::string extension = name.substr(dot + 1);
            std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
            if (extension == "jpg" || extension == "jpeg")
                paths.push_back(folder + "/" + name);
        }
        ::closedir(dir);
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

void quiet(pixmill::diag::Stream, std::string_view, void*) {}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s delete-exif|info FOLDER\n", argv[0]);
        return 2;
    }
    const std::string command = argv[1];
    const std::vector<std::string> paths = jpegsIn(argv[2]);
    pixmill::diag::setCapture(&quiet, nullptr);  // "Modified: ..." per file is not the point
    int failed = 0;
    long checksum = 0;
    for (const std::string& path : paths) {
        if (command == "delete-exif") {
            auto result = pixmill::jpegmeta::processJpegFile(
                path, pixmill::jpegmeta::JpegCommandOptions::forCommand(
                          pixmill::jpegmeta::MetadataCommand::DeleteExif));
            failed += result.status == pixmill::jpegmeta::JpegCommandStatus::Failed;
        } else if (command == "info") {
            pixmill::jpegmeta::PhotoInfo info;
            failed += !pixmill::jpegmeta::readPhotoInfoFile(path, info);
            checksum += info.width + static_cast<long>(info.dateTime.size());
        } else {
            std::fprintf(stderr, "unknown command %s\n", command.c_str());
            return 2;
        }
    }
    std::fprintf(stderr, "%zu files, %d failed (checksum %ld)\n", paths.size(), failed, checksum);
    return failed == 0 ? 0 : 1;
}
