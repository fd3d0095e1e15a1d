#pragma once
// The resize panel: a common size, a marketplace size or a custom width as the bound of the
// longer side, whether the outputs get the source's EXIF back, a square canvas, and the output
// options; a marketplace size can make its labelled file size the target. Starting saves the
// choice.

#include "engine/batch/batch_starter.h"
#include "engine/imaging/resize_batch.h"
#include "gui/controls/base_tool_dlg.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QRadioButton;
class QVBoxLayout;

namespace pixmill {

class AppSettings;
class CColorPickerButton;
class COutputOptionsGroup;
class UserPrompter;

inline constexpr const char* kChooseSchemeMessage = "请选择一种方案!";

class CThumbnailDlg : public CBaseToolDlg {
    Q_OBJECT
  public:
    CThumbnailDlg(AppSettings& settings, BatchStarter starter, UserPrompter* prompter = nullptr,
                  QWidget* parent = nullptr);

    bool StartBatch() override;

    // The scheme's controls enabled, the others disabled (a scheme radio's click).
    void enableSchemeControls(int scheme);

    QRadioButton* schemeRadio(int scheme) const { return schemeRadios_[scheme]; }
    QRadioButton* marketRadio(int size) const { return marketRadios_[size]; }
    QComboBox* sizeList() const { return sizeList_; }
    QLineEdit* widthEdit() const { return widthEdit_; }
    QLineEdit* heightEdit() const { return heightEdit_; }
    QCheckBox* restoreExifBox() const { return restoreExifBox_; }
    QCheckBox* labelSizeBox() const { return labelSizeBox_; }
    QCheckBox* squareBox() const { return squareBox_; }
    CColorPickerButton* canvasColorButton() const { return canvasColor_; }
    COutputOptionsGroup* outputGroup() const { return output_; }
    // The params of the last start.
    const ResizeParams& lastParams() const { return params_; }

  protected:
    void initDialog() override;

  private:
    int checkedScheme() const;
    int checkedMarket() const;  // -1 when no marketplace size is on
    // The bound of the chosen scheme, storing the scheme's choices; false when none is made.
    bool chooseBound(int* bound);
    // The square canvas and marketplace size controls, read from and written to the settings.
    void addCanvasControls(QVBoxLayout* layout);
    void saveCanvasControls();
    // The output options, with the marketplace label's size as the target when asked for.
    OutputOptions chosenOutput(int scheme) const;

    AppSettings& settings_;
    BatchStarter starter_;
    UserPrompter* prompter_;
    QRadioButton* schemeRadios_[3] = {nullptr, nullptr, nullptr};
    QRadioButton* marketRadios_[kMarketSizeCount] = {};
    QComboBox* sizeList_ = nullptr;
    QLineEdit* widthEdit_ = nullptr;
    QLineEdit* heightEdit_ = nullptr;
    QCheckBox* restoreExifBox_ = nullptr;
    QCheckBox* labelSizeBox_ = nullptr;
    QCheckBox* squareBox_ = nullptr;
    CColorPickerButton* canvasColor_ = nullptr;
    COutputOptionsGroup* output_ = nullptr;
    int customWidth_ = 200;
    int customHeight_ = 200;
    ResizeParams params_;
};

}  // namespace pixmill
