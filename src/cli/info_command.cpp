#include "cli/info_command.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "cli/output_text.h"
#include "engine/jpegmeta/photo_info.h"

namespace pixmill::cli {
namespace {

// Texts in the escaped form of the JSON output, so every line is valid UTF-8 and one line.
void line(const char* name, const std::string& value) {
    std::printf("%s\t%s\n", name, escapedText(value).c_str());
}
void line(const char* name, int value) {
    std::printf("%s\t%d\n", name, value);
}
void line(const char* name, float value) {
    std::printf("%s\t%s\n", name, exactNumber(value).c_str());
}

void printPhotoInfo(const jpegmeta::PhotoInfo& info) {
    line("version", info.version);
    line("cameraMake", info.cameraMake);
    line("cameraModel", info.cameraModel);
    line("dateTime", info.dateTime);
    line("height", info.height);
    line("width", info.width);
    line("orientation", info.orientation);
    line("isColor", info.isColor);
    line("process", info.process);
    line("flashUsed", info.flashUsed);
    line("focalLength", info.focalLength);
    line("exposureTime", info.exposureTime);
    line("apertureFNumber", info.apertureFNumber);
    line("distance", info.distance);
    line("ccdWidth", info.ccdWidth);
    line("exposureBias", info.exposureBias);
    line("whiteBalance", info.whiteBalance);
    line("meteringMode", info.meteringMode);
    line("exposureProgram", info.exposureProgram);
    line("isoEquivalent", info.isoEquivalent);
    line("compressionLevel", info.compressionLevel);
    line("focalPlaneXRes", info.focalPlaneXRes);
    line("focalPlaneYRes", info.focalPlaneYRes);
    line("focalPlaneUnits", info.focalPlaneUnits);
    line("xResolution", info.xResolution);
    line("yResolution", info.yResolution);
    line("resolutionUnit", info.resolutionUnit);
    line("brightness", info.brightness);
    line("comments", info.comments);
    line("userCommentLength", info.userCommentLength);
    std::printf("thumbnailOffset\t%llu\n", static_cast<unsigned long long>(info.thumbnailOffset));
    std::printf("thumbnailSize\t%u\n", info.thumbnailSize);
    line("isExif", info.isExif ? 1 : 0);
}

}  // namespace

int runInfoCommand(const std::string& file) {
    struct stat status;
    if (::stat(file.c_str(), &status) != 0) {
        std::fprintf(stderr, "%s: %s\n", file.c_str(), std::strerror(errno));
        return 3;
    }
    jpegmeta::PhotoInfo info;
    jpegmeta::PhotoInfoReader reader(&info);
    if (!S_ISREG(status.st_mode) || !reader.open(file)) {
        std::fprintf(stderr, "%s: cannot be read\n", file.c_str());
        return 3;
    }
    const bool reachedImage = reader.parse();
    line("file", file);
    std::printf("fileSize\t%lld\n", static_cast<long long>(status.st_size));
    printPhotoInfo(info);
    for (const jpegmeta::SectionRecord& section : reader.sections()) {
        std::printf("section\tFF%02X\t%u\n", section.marker, section.length);
    }
    if (!reader.lastError().empty())
        std::fprintf(stderr, "%s: %s\n", file.c_str(), reader.lastError().c_str());
    if (!reachedImage)
        std::fprintf(stderr, "%s: no JPEG image data found\n", file.c_str());
    reader.close();
    std::fflush(stdout);
    return 0;
}

}  // namespace pixmill::cli
