#pragma once
// Every name a rename batch will give, computed and checked before anything moves.
// Plain C++ (it reads the folder but changes nothing).

#include <string>
#include <string_view>
#include <vector>

#include "engine/batch/batch_job.h"
#include "engine/rename/file_name.h"

namespace pixmill {

struct RenameParams {
    std::string rule = "<no>";
    int start = 1;      // the first ticked row's number, 1..2147483647
    int increment = 1;  // added for each further ticked row, 1..100000
    ExtensionCase extensionCase = ExtensionCase::Lower;
};

struct RenamePlanEntry {
    int row = 0;     // catalog row index, from 0
    int number = 0;  // the rename number <no> prints
    std::string oldName;
    std::string oldPath;        // the item's fullPath at batch start
    std::string temporaryName;  // batch GUID + number + extension, between the two passes
    std::string finalName;
};

struct RenamePlan {
    std::vector<RenamePlanEntry> entries;  // one per worked row, in their order
    // Empty when the batch may run; otherwise a Chinese sentence naming the first row whose
    // name cannot be given (two rows with one name, a name another file has, an empty or
    // too long name, a file that is gone, a number past 2147483647). Nothing is moved then.
    std::string refusal;

    bool refused() const { return !refusal.empty(); }
};

// The rename panel's live preview: the rule expanded for sampleItem() with no padding, shown
// as it comes out (not cleaned, no extension), so the default rule "<no>" previews as "1".
std::string renamePreview(std::string_view rule);

// `batchGuid` is the batch's GUID text (36 lower-case characters). Targets are built in
// env.currentFolder; env.catalogRows sets the padding of <no> (0: the highest worked row + 1).
RenamePlan planRename(const RenameParams& params, const std::vector<WorkedRow>& rows,
                      const BatchEnvironment& env, std::string_view batchGuid);

}  // namespace pixmill
