#pragma once
// The "确定" and "取消" row at the foot of the program's dialogs.

class QDialog;
class QDialogButtonBox;

namespace pixmill {

// The row, owned by `dialog`: "确定" calls the dialog's accept() (its own override, where it
// has one, so it may refuse to close) and "取消" its reject(). The caller places it.
QDialogButtonBox* okCancelButtons(QDialog* dialog);

}  // namespace pixmill
