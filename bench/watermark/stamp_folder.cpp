// Whole-process benchmark subject: stamps every JPEG of a folder with the bench layout, the way
// the watermark batch does (the layout file loaded once, the photos on a pool of one thread per
// core), and exits. Run by run.sh under /usr/bin/time.
//
//   stamp_folder LIBRARY_PICTURE SOURCE_DIR OUTPUT_DIR
#include <QDir>
#include <QGuiApplication>
#include <QThreadPool>

#include <atomic>
#include <cstdio>

#include "engine/watermark/watermark_batch.h"

using namespace pixmill;

namespace {

// A text layer (Chinese, shadow, opacity 60) with a picture layer below it, bottom-right.
bool writeBenchLayout(const std::string& picture, const std::string& path) {
    CControlTracker group;
    auto text = std::make_unique<CWatermarkCtrl>();
    text->fontName = "WenQuanYi Micro Hei";
    text->fontSize = 40;
    text->textColor = 0x000000FF;  // red
    text->shadow = 1;
    text->opacity = 60;
    text->transparent = 1;
    text->setText("水印 Pixmill 版权所有");
    group.addLayer(std::move(text));
    auto logo = std::make_unique<CWatermarkCtrl>();
    logo->imagePath = picture;
    logo->loadLayerImage();
    logo->refit();
    CWatermarkCtrl* added = group.addLayer(std::move(logo));
    added->rect.offset(0, group.layers.front()->rect.height());
    group.header.alignMode = 8;
    return bool(group.saveLayout(path));
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: stamp_folder LIBRARY_PICTURE SOURCE_DIR OUTPUT_DIR\n");
        return 2;
    }
    std::string source = QDir(argv[2]).absolutePath().toStdString() + "/";
    BatchEnvironment env{source, QDir(argv[3]).absolutePath().toStdString() + "/"};
    std::string layout = env.outputDir + "water.tmp";
    if (!writeBenchLayout(argv[1], layout))
        return 1;
    BatchJob job = makeWatermarkJob(
        layout, [](const std::string& text) { std::fprintf(stderr, "%s\n", text.c_str()); });
    if (Result<> prepared = job.prepare(); !prepared) {
        std::fprintf(stderr, "%s\n", prepared.message().c_str());
        return 1;
    }
    QStringList names = QDir(argv[2]).entryList({"*.jpg"}, QDir::Files, QDir::Name);
    std::atomic<int> failures{0};
    QThreadPool pool;
    int row = 0;
    for (const QString& name : names) {
        WorkedRow worked{row, CatalogItem{}};
        worked.item.number = row++;
        worked.item.fileName = name.toStdString();
        worked.item.fullPath = source + worked.item.fileName;
        pool.start([&job, &env, &failures, worked]() mutable {
            if (job.perItem(worked, env).status != ItemStatus::Ok)
                ++failures;
        });
    }
    pool.waitForDone();
    return failures == 0 ? 0 : 1;
}
