#pragma once
// The commands of pixmill-cli, each turning its options into one engine call or batch.

#include "cli/cli_options.h"
#include "engine/imaging/output_format.h"

namespace pixmill::cli {

int runScan(const CommandLine& commandLine);
int runMeta(const CommandLine& commandLine);
int runRename(const CommandLine& commandLine);
int runWatermark(const CommandLine& commandLine);
int runResize(const CommandLine& commandLine);
int runCrop(const CommandLine& commandLine);
int runRotate(const CommandLine& commandLine);

// --format, --quality and --max-kb of resize, crop and watermark; nullopt after a usage error
// has been printed.
std::optional<OutputOptions> outputOptions(const CommandLine& commandLine);

}  // namespace pixmill::cli
