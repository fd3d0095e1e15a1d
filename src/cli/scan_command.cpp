// scan: the catalog, one line per row (or one JSON object per row with every field).
#include <cstdio>

#include "cli/cli_session.h"
#include "cli/commands.h"
#include "cli/output_text.h"
#include "engine/rename/value_format.h"

namespace pixmill::cli {
namespace {

void printRow(int row, const CatalogItem& item) {
    std::printf("%d\t%s\t%dx%d\t%u\t%s\t%s\t%s\t%s\t%s\t%s\t%d\t%d\n", row + 1,
                item.fileName.c_str(), item.width, item.height, item.fileSize,
                item.shootingDate.c_str(), item.cameraMake.c_str(), item.cameraModel.c_str(),
                formatExposureTime(item.exposureTime).c_str(),
                formatAperture(item.apertureFNumber).c_str(),
                formatExposureBias(item.exposureBias).c_str(), item.isoEquivalent, item.isExif);
}

void printJson(int row, const CatalogItem& item) {
    std::printf(
        "{\"row\":%d,\"number\":%d,\"fileName\":%s,\"fullPath\":%s,\"width\":%d,\"height\":%d,"
        "\"fileSize\":%u,\"isExif\":%d,\"shootingDate\":%s,\"cameraMake\":%s,\"cameraModel\":%s,"
        "\"exposureTime\":%s,\"apertureFNumber\":%s,\"exposureBias\":%s,\"whiteBalance\":%d,"
        "\"exposureProgram\":%d,\"isoEquivalent\":%d,\"flashUsed\":%d,\"thumbBackground\":%u}\n",
        row + 1, item.number, jsonString(item.fileName).c_str(), jsonString(item.fullPath).c_str(),
        item.width, item.height, item.fileSize, item.isExif, jsonString(item.shootingDate).c_str(),
        jsonString(item.cameraMake).c_str(), jsonString(item.cameraModel).c_str(),
        exactNumber(item.exposureTime).c_str(), exactNumber(item.apertureFNumber).c_str(),
        exactNumber(item.exposureBias).c_str(), item.whiteBalance, item.exposureProgram,
        item.isoEquivalent, item.flashUsed, item.thumbBackground);
}

}  // namespace

int runScan(const CommandLine& commandLine) {
    CliSession session(commandLine);
    if (int status = session.open(); status != kExitOk)
        return status;
    CatalogModel& model = session.model();
    for (int row = 0; row < model.rowCount(); ++row) {
        if (!model.isTicked(row))
            continue;
        const CatalogItem item = model.item(row);
        if (commandLine.common().json) {
            printJson(row, item);
        } else {
            printRow(row, item);
        }
    }
    return kExitOk;
}

}  // namespace pixmill::cli
