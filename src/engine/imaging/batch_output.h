#pragma once
// Where the operations that write new pictures (resize, crop) put them, and when they refuse.

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/batch/batch_job.h"
#include "engine/catalog/catalog_item.h"
#include "engine/imaging/image_io.h"
#include "engine/imaging/output_format.h"
#include "engine/platform/result.h"

namespace pixmill {

// The output of `item` written in its kept format: the output folder and the output's file
// name (so "IMG_1.HEIC" gives "IMG_1.jpg").
std::string outputPathFor(const std::string& outputDir, const CatalogItem& item);

// Success when the output of `item` may be written; otherwise an Error with the Chinese message
// for the user: the output folder is missing, or it is the catalog's folder or the item's own
// folder (compared as resolved folders), where the output would replace the original picture.
Result<> checkOutput(const BatchEnvironment& env, const CatalogItem& item);

// True when `output` names the file at `source` itself (through links or another spelling).
bool isSameFile(const std::string& source, const std::string& output);

// Where one row's output goes: its full path, and for the row's message why its name is not
// the source's own (empty when it is).
struct OutputName {
    std::string path;
    std::string note;
};
// Names the output of one row once the format it is written in is known.
using OutputNamer = std::function<OutputName(EncodedFormat written)>;

// `namer`'s name for the output; without a namer, outputDir + outputFileName(fileName, written).
OutputName nameOutput(const OutputNamer& namer, const std::string& outputDir,
                      const std::string& fileName, EncodedFormat written);

// The names of one batch's outputs. Every output is named after its source with the extension
// of the format written, so two pictures of one folder whose names differ only in their
// extension ("a.heic" and "a.jpg"; "a.png" and "a.jpg" written as JPEG) would be written under
// one name, the last one replacing the other. Instead, over the catalog's file names in
// catalog order:
//  1. a source whose output keeps its own name ("a.jpg" written as JPEG) keeps it;
//  2. a source whose output name changes takes the new name when no earlier source has it;
//  3. every other source takes the first free "a (2).jpg", "a (3).jpg", ...
// Names are compared without regard to ASCII case, as a FAT or Windows output folder would
// compare them, and cut to fit 255 bytes. They depend only on the catalog's names and the
// options, never on which rows are ticked or on the order the workers finish in, so a rerun
// writes the same names (and replaces its earlier outputs, as any existing file of an output's
// name is replaced). A source whose content is of another format than its name says learns
// its output name only when it is written; it takes no name planned for another source and no
// name another row of this batch has had. Thread-safe.
class OutputNames {
  public:
    explicit OutputNames(OutputOptions options) : options_(options) {}

    // The output of the catalog file `fileName` written as `written`, in env.outputDir. The
    // plan is made from env.catalogNames on the first call.
    OutputName claim(const BatchEnvironment& env, const std::string& fileName,
                     EncodedFormat written);
    // claim() bound to one row.
    static OutputNamer namerFor(const std::shared_ptr<OutputNames>& names,
                                const BatchEnvironment& env, const std::string& fileName);

  private:
    struct Planned {
        std::string natural;  // the output name before any clash was settled
        std::string name;
    };
    void plan(const std::vector<std::string>& catalogNames);
    bool isFree(const std::string& name, const std::string& fileName) const;
    void take(const std::string& name, const std::string& fileName);

    const OutputOptions options_;
    std::mutex mutex_;
    bool planned_ = false;
    std::unordered_map<std::string, Planned> plan_;             // by source file name
    std::unordered_map<std::string, std::string> planOwners_;   // folded name -> source
    std::unordered_map<std::string, std::string> givenOwners_;  // folded name -> source
};

}  // namespace pixmill
