#pragma once
// The row above the layout canvas that keeps layouts: a layout is saved under a name and loaded
// again by it (files NAME.layout in the template folder), the layout used last comes back at
// the next start, and the stamp-width option scales the layout to a share of each picture's
// width when it is stamped.

#include <QString>
#include <QWidget>

class QCheckBox;
class QComboBox;
class QPushButton;
class QSpinBox;

namespace pixmill {

class CPreviewDlg;
class Profile;
class UserPrompter;

class CLayoutLibraryBar : public QWidget {
    Q_OBJECT
  public:
    explicit CLayoutLibraryBar(CPreviewDlg* canvas, QWidget* parent = nullptr);

    // Where layouts are kept and the settings that remember the last one and the stamp width;
    // `prompter` answers the bar's messages (none: message boxes). Shows the saved names and the
    // stored stamp width.
    void setStore(Profile& profile, const QString& templateDir, UserPrompter* prompter = nullptr);

    // The canvas's layout saved as `name` (blanks at either end dropped). An invalid name is
    // refused with its reason; an existing one is replaced only when the user agrees. True when
    // saved.
    bool saveLayout(const QString& name);
    // The canvas takes the saved layout `name`; a missing or damaged one leaves the canvas as it
    // was and says why. True when loaded.
    bool loadLayout(const QString& name);
    // Start-up: loads the layout used last, if any. One that is missing or damaged leaves the
    // canvas empty and says so in the status line. True when a layout was loaded.
    bool restoreLastLayout();

    QComboBox* nameBox() const { return names_; }
    QPushButton* saveButton() const { return save_; }
    QPushButton* loadButton() const { return load_; }
    QCheckBox* stampWidthBox() const { return scaleOn_; }
    QSpinBox* stampWidthSpin() const { return percent_; }

  private:
    void refreshNames(const QString& shown);
    void remember(const QString& name);
    void applyStampWidth();
    void warn(const QString& text);

    CPreviewDlg* canvas_;
    Profile* profile_ = nullptr;
    QString templateDir_;
    UserPrompter* prompter_ = nullptr;
    bool restoring_ = false;  // set while the stored stamp width is shown, so it is not rewritten
    QComboBox* names_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* load_ = nullptr;
    QCheckBox* scaleOn_ = nullptr;
    QSpinBox* percent_ = nullptr;
};

}  // namespace pixmill
