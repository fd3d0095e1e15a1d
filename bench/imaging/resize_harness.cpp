// Whole-process driver for the imaging benchmarks: runs the resize batch job (or renders the
// catalog thumbnails) over the files given, the way the batch driver runs them: items one
// after another for a Sequential job, on a pool of one thread per core for a PerItem job.
//
//   resize_harness resize BOUND OUT_DIR [--no-exif] [--pool] FILES...
//   resize_harness thumbs WIDTH HEIGHT OUT_DIR FILES...
//   resize_harness reencode-rotate FILES...
//
// reencode-rotate turns each file a quarter clockwise in place the way rotation worked before
// the lossless transform: decoded, turned, encoded at quality 100, metadata carried (a peer
// for the rotation bench).
//
// The catalog's record of each file (size, EXIF flag) is read from the file's header here,
// as the folder scan would.

#include <QThreadPool>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/imaging/catalog_thumbnail.h"
#include "engine/imaging/image_io.h"
#include "engine/imaging/jpeg_codec.h"
#include "engine/imaging/orientation.h"
#include "engine/imaging/resize_batch.h"
#include "engine/jpegmeta/image_metadata.h"
#include "engine/jpegmeta/photo_info.h"
#include "engine/platform/safe_rewrite.h"

using namespace pixmill;

namespace {

CatalogItem itemFor(const std::string& path, int number) {
    CatalogItem item;
    item.number = number;
    item.fullPath = path;
    item.fileName = path.substr(path.find_last_of('/') + 1);
    Result<Bytes> read = readImageFile(path);
    if (read) {
        const Bytes& bytes = *read;
        QSize size = imageFileSize(bytes);
        if (sniffImageFormat(bytes) == ImageFileFormat::Jpeg) {
            item.width = size.width();
            item.height = size.height();
        }
        jpegmeta::PhotoInfoReader reader;
        (void)reader.parse(bytes);
        item.isExif = reader.info().isExif ? 1 : 0;
    }
    return item;
}

int runResize(int argc, char** argv) {
    ResizeParams params{std::atoi(argv[2]), true};
    BatchEnvironment env;
    env.outputDir = argv[3];
    if (env.outputDir.back() != '/')
        env.outputDir += '/';
    env.currentFolder = "/nonexistent/";
    bool pool = false;
    std::vector<WorkedRow> rows;
    for (int i = 4; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-exif") == 0) {
            params.restoreExif = false;
        } else if (std::strcmp(argv[i], "--pool") == 0) {
            pool = true;
        } else {
            rows.push_back({int(rows.size()), itemFor(argv[i], int(rows.size()))});
        }
    }
    BatchJob job = makeResizeJob(params);
    std::atomic<int> failures{0};
    auto work = [&](WorkedRow& row) {
        ItemOutcome outcome = job.perItem(row, env);
        if (outcome.status == ItemStatus::Failed) {
            std::fprintf(stderr, "%s: %s\n", row.item.fullPath.c_str(), outcome.message.c_str());
            ++failures;
        }
    };
    if (batchKindInfo(job.kind).pattern == BatchPattern::Sequential && !pool) {
        for (WorkedRow& row : rows)
            work(row);
    } else {
        QThreadPool threads;
        for (WorkedRow& row : rows)
            threads.start([&] { work(row); });
        threads.waitForDone();
    }
    return failures == 0 ? 0 : 1;
}

int runThumbnails(int argc, char** argv) {
    const int width = std::atoi(argv[2]), height = std::atoi(argv[3]);
    std::string out = argv[4];
    QThreadPool threads;
    for (int i = 5; i < argc; ++i) {
        std::string path = argv[i];
        threads.start([=] {
            QImage thumbnail = renderCatalogThumbnail(itemFor(path, 0), width, height);
            std::optional<Bytes> jpeg = encodeJpeg(thumbnail, 75);
            if (jpeg)
                writeFileReplacing(out + "/" + path.substr(path.find_last_of('/') + 1), *jpeg);
        });
    }
    threads.waitForDone();
    return 0;
}

int runReencodeRotate(int argc, char** argv) {
    QThreadPool threads;
    std::atomic<int> failures{0};
    for (int i = 2; i < argc; ++i) {
        std::string path = argv[i];
        threads.start([&failures, path] {
            Bytes source;
            std::optional<Bytes> encoded;
            if (Result<Bytes> read = readImageFile(path)) {
                source = std::move(*read);
                LoadedImage loaded = decodeImage(source);
                QImage turned = turnImage(loaded.image, Turn::Clockwise);
                loaded.image = QImage();
                encoded = encodeJpeg(turned, 100, {loaded.resolution.x, loaded.resolution.y});
                if (encoded) {
                    if (std::optional<Bytes> carried = jpegmeta::carryMetadata(
                            source, *encoded, {.removeExifThumbnail = true}))
                        encoded = std::move(carried);
                }
            }
            if (!encoded || !rewriteFileSafely(path, *encoded, false))
                ++failures;
        });
    }
    threads.waitForDone();
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 5 && std::strcmp(argv[1], "resize") == 0)
        return runResize(argc, argv);
    if (argc >= 6 && std::strcmp(argv[1], "thumbs") == 0)
        return runThumbnails(argc, argv);
    if (argc >= 3 && std::strcmp(argv[1], "reencode-rotate") == 0)
        return runReencodeRotate(argc, argv);
    std::fprintf(stderr,
                 "usage: %s resize BOUND OUT_DIR [--no-exif] [--pool] FILES...\n"
                 "       %s thumbs WIDTH HEIGHT OUT_DIR FILES...\n"
                 "       %s reencode-rotate FILES...\n",
                 argv[0], argv[0], argv[0]);
    return 2;
}
