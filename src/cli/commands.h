#pragma once
// The commands of pixmill-cli, each turning its options into one engine call or batch.

#include "cli/cli_options.h"

namespace pixmill::cli {

int runScan(const CommandLine& commandLine);
int runMeta(const CommandLine& commandLine);
int runRename(const CommandLine& commandLine);

}  // namespace pixmill::cli
