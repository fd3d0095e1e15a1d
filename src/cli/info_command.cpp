#include "cli/info_command.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "cli/output_text.h"
#include "engine/jpegmeta/photo_info.h"

namespace pixmill::cli {
namespace {

// One output: "name<TAB>value" lines, or with --json one object holding the same fields.
// Texts are written in the escaped form of the JSON output, so every line is valid UTF-8.
class InfoWriter {
  public:
    explicit InfoWriter(bool json) : json_(json) {}

    void text(const char* name, const std::string& value) {
        field(name, json_ ? jsonString(value) : escapedText(value));
    }
    void number(const char* name, long long value) { field(name, std::to_string(value)); }
    void number(const char* name, int value) { number(name, static_cast<long long>(value)); }
    // JSON has no infinity or NaN; a damaged rational can give either.
    void number(const char* name, float value) {
        field(name, json_ && !std::isfinite(value) ? std::string("null") : exactNumber(value));
    }
    void section(unsigned marker, unsigned length) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "FF%02X", marker);
        if (json_) {
            sections_ += std::string(sections_.empty() ? "" : ",") + "{\"marker\":\"" + hex +
                         "\",\"length\":" + std::to_string(length) + "}";
        } else {
            std::printf("section\t%s\t%u\n", hex, length);
        }
    }
    void finish() {
        if (json_)
            std::printf("{%s,\"sections\":[%s]}\n", fields_.c_str(), sections_.c_str());
    }

  private:
    void field(const char* name, const std::string& rendered) {
        if (!json_) {
            std::printf("%s\t%s\n", name, rendered.c_str());
            return;
        }
        if (!fields_.empty())
            fields_ += ',';
        fields_ += std::string("\"") + name + "\":" + rendered;
    }

    bool json_;
    std::string fields_;
    std::string sections_;
};

void printPhotoInfo(const jpegmeta::PhotoInfo& info, InfoWriter& out) {
    out.text("version", info.version);
    out.text("cameraMake", info.cameraMake);
    out.text("cameraModel", info.cameraModel);
    out.text("dateTime", info.dateTime);
    out.number("height", info.height);
    out.number("width", info.width);
    out.number("orientation", info.orientation);
    out.number("isColor", info.isColor);
    out.number("process", info.process);
    out.number("flashUsed", info.flashUsed);
    out.number("focalLength", info.focalLength);
    out.number("exposureTime", info.exposureTime);
    out.number("apertureFNumber", info.apertureFNumber);
    out.number("distance", info.distance);
    out.number("ccdWidth", info.ccdWidth);
    out.number("exposureBias", info.exposureBias);
    out.number("whiteBalance", info.whiteBalance);
    out.number("meteringMode", info.meteringMode);
    out.number("exposureProgram", info.exposureProgram);
    out.number("isoEquivalent", info.isoEquivalent);
    out.number("compressionLevel", info.compressionLevel);
    out.number("focalPlaneXRes", info.focalPlaneXRes);
    out.number("focalPlaneYRes", info.focalPlaneYRes);
    out.number("focalPlaneUnits", info.focalPlaneUnits);
    out.number("xResolution", info.xResolution);
    out.number("yResolution", info.yResolution);
    out.number("resolutionUnit", info.resolutionUnit);
    out.number("brightness", info.brightness);
    out.text("comments", info.comments);
    out.number("userCommentLength", info.userCommentLength);
    out.number("thumbnailOffset", static_cast<long long>(info.thumbnailOffset));
    out.number("thumbnailSize", static_cast<long long>(info.thumbnailSize));
    out.number("isExif", info.isExif ? 1LL : 0LL);
}

}  // namespace

int runInfoCommand(const std::string& file, bool json) {
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
    const Result<> walked = reader.parse();
    InfoWriter out(json);
    out.text("file", file);
    out.number("fileSize", static_cast<long long>(status.st_size));
    printPhotoInfo(info, out);
    for (const jpegmeta::SectionRecord& section : reader.sections())
        out.section(section.marker, section.length);
    out.finish();
    // Damage that stopped the walk is named; otherwise the last damage it stepped over in the
    // EXIF block. A file without a JPEG image says only that.
    const bool damaged = !walked && walked.severity() == Severity::Error;
    const std::string& fault = damaged ? walked.message() : reader.exifFault();
    if (!fault.empty())
        std::fprintf(stderr, "%s: %s\n", file.c_str(), fault.c_str());
    if (!walked)
        std::fprintf(stderr, "%s: no JPEG image data found\n", file.c_str());
    reader.close();
    std::fflush(stdout);
    return 0;
}

}  // namespace pixmill::cli
