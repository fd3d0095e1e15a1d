#pragma once
// What every catalog command shares: the settings (read, never written), the folder's catalog
// with the --only ticks, the status texts on stderr, and running one batch with its row
// report (--json lines on stdout, failures and skips named on stderr) and exit status.

#include <memory>
#include <string>

#include "cli/cli_options.h"
#include "engine/app/app_settings.h"
#include "engine/app/profile.h"
#include "engine/batch/batch_driver.h"
#include "engine/catalog/catalog_model.h"

namespace pixmill::cli {

class StderrStatusSink;

class CliSession {
  public:
    explicit CliSession(const CommandLine& commandLine);
    ~CliSession();

    // Reads the settings and catalogs FOLDER; kExitMissing (after a message) when it does not
    // exist or cannot be read.
    int open();

    // Runs the job over the ticked rows and reports. A kind that writes into the output folder
    // (its batch table entry) creates that folder (--out, else the settings' one) and refuses
    // it when it is the catalog's own folder.
    int runBatch(BatchJob job);

    // Prints a failure on stderr; returns kExitFailed.
    int refuse(const std::string& message) const;

    CatalogModel& model() { return model_; }
    AppSettings& settings() { return *settings_; }
    const CommonOptions& common() const { return commandLine_.common(); }
    // The output folder with a trailing separator.
    QString outputDir() const;

  private:
    void applyOnlyFilters();
    int report(const std::vector<RowOutcome>& outcomes) const;

    const CommandLine& commandLine_;
    std::unique_ptr<SettingsProfile> profile_;
    std::unique_ptr<AppSettings> settings_;
    std::unique_ptr<StderrStatusSink> sink_;
    CatalogModel model_;
    WorkGate gate_;
};

}  // namespace pixmill::cli
