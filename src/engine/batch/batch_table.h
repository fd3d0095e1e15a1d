#pragma once
// The eleven batch operations as every front end sees them, one descriptor each: the name the
// logs use, how the driver runs its rows, where the results end up, which starters demand
// ticked rows, whether it writes into the output folder, the pixmill-cli command that runs it
// and the "批量操作" menu entries that start it. The driver, the command line and the window
// are all built from this table; the parameter record and per-item routine of each operation
// live in its subsystem (make...Job).
//
// Adding an operation: its own file with the routine and make...Job, one entry in
// batch_table.cpp, and (when it has options) one entry per option in the command line's
// option table (src/cli/cli_options.cpp).

#include <span>
#include <string>

#include "engine/batch/batch_kind.h"

namespace pixmill {

enum class BatchPattern {
    Sequential,  // items one after another on the batch's worker
    PerItem,     // items concurrently on the bounded pool; the worker waits for all
    WholeBatch,  // one routine over every worked row at once (the two-pass rename)
};

enum class EndFolder { None, CurrentFolder, OutputDir };

// The command numbers of the "批量操作" menu and the toolbar; the window's other commands are
// in src/gui/app/main_commands.h.
namespace command {
inline constexpr int kRename = 1011;
inline constexpr int kCrop = 1012;
inline constexpr int kRotateRight = 1013;
inline constexpr int kRotateLeft = 1014;
inline constexpr int kFlipHorizontal = 1015;
inline constexpr int kFlipVertical = 1016;
inline constexpr int kShiftTime = 1017;
inline constexpr int kResize = 1018;
inline constexpr int kDeleteExif = 1019;
inline constexpr int kDeleteComment = 1021;
inline constexpr int kAddComment = 1022;
inline constexpr int kDeleteNonOriginalExif = 1023;
inline constexpr int kPureJpeg = 1024;
inline constexpr int kImageWatermark = 1025;
inline constexpr int kTextWatermark = 1026;
inline constexpr int kMore = 1027;  // the toolbar's "更多功能": the menu as a popup
inline constexpr int kOpenOutputFolder = 32847;  // the menu's last entry
inline constexpr int kUndoRename = 32850;        // puts back the names of the folder's last rename
}  // namespace command

// The tool panels the menu shows; their ids are also the keys of the panel switch.
inline constexpr int kRenamePanelId = 130;
inline constexpr int kResizePanelId = 137;
inline constexpr int kImageWatermarkPanelId = 145;
inline constexpr int kTextWatermarkPanelId = 147;

// What choosing a menu entry does before its batch starts.
enum class MenuStart {
    Panel,        // shows the tool panel `argument` over the image list; the start button starts
    LayoutPanel,  // shows the tool panel `argument` over the watermark layout view
    Dialog,       // asks the operation's dialog, then starts
    Direct,       // starts at once with the code `argument` (a rotate-flip code)
    Confirmed,    // asks `confirmation` (yes/no); "yes" starts
    Undo,         // puts back the names of the folder's last rename
};

struct BatchMenuEntry {
    int id;
    const char* caption;
    MenuStart start;
    int argument = 0;
    const char* confirmation = nullptr;
    // The pixmill-cli option that picks this entry's operation within its command (meta
    // --delete-exif, rotate --cw); none when the command runs one operation.
    const char* cliSwitch = nullptr;
};

struct BatchKindInfo {
    BatchKind kind;
    const char* name;
    BatchPattern pattern;
    EndFolder endFolder;
    // Refused by checkStart when nothing is ticked (the operations the menu starts at once).
    bool needsTickedRows;
    // Writes new files into the output folder, which must exist and must not be the catalog's.
    bool usesOutputFolder;
    // Rewrites catalog records, written back when the batch ends (rename: names and numbers;
    // shift time: the date; rotate: the swapped width and height).
    bool repaintsCatalog;
    const char* cliCommand;  // the pixmill-cli command that runs it
    // Entries of one group stand together in the menu, separators between the groups.
    int menuGroup;
    std::span<const BatchMenuEntry> menu;
};

// Every operation, in the order of the "批量操作" menu.
std::span<const BatchKindInfo> batchTable();
const BatchKindInfo& batchKindInfo(BatchKind kind);
// The menu entry with command number `id`, or null.
const BatchMenuEntry* batchMenuEntry(int id, const BatchKindInfo** owner = nullptr);

inline constexpr const char* kNoImagesMessage = "尚未导入图片，请先添加图片!";
inline constexpr const char* kNothingTickedMessage = "请先勾选您要编辑的图片!";

}  // namespace pixmill
