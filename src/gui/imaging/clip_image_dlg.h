#pragma once
// The crop dialog: the first ticked picture, the crop schemes (X, Y, width, height, read
// against each picture's own size), for a clicked scheme its rectangle marked in red, and the
// output options.

#include <QDialog>
#include <QImage>

#include "engine/imaging/crop_batch.h"

class QLabel;

namespace pixmill {

class CEditListCtrl;
class COutputOptionsGroup;
class Profile;
class UserPrompter;

inline constexpr const char* kChooseCropSchemeMessage = "请选择裁剪方案！";

// The marking pen: 4 × ⌊shorter side ÷ 400⌋ pixels, 1 when that is 0.
int cropPenWidth(int width, int height);
// A cell's number: leading decimal digits with an optional minus sign; 0 without any.
int cropCellNumber(const QString& text);
// Where the preview draws a picture of `image` size in an `area`: as large as fits, its aspect
// ratio kept, centred.
QRect cropPreviewRect(QSize area, QSize image);

class CClipImageDlg : public QDialog {
    Q_OBJECT
  public:
    // With a `profile` the output options are kept in its section "clip".
    CClipImageDlg(const QString& imagePath, UserPrompter* prompter = nullptr,
                  QWidget* parent = nullptr, Profile* profile = nullptr);

    CEditListCtrl* schemeList() const { return list_; }
    COutputOptionsGroup* outputGroup() const { return output_; }
    // The selected row's rectangle (valid after OK).
    const CropParams& cropParams() const { return params_; }
    // The picture with the last clicked scheme marked, at the picture's own size.
    const QImage& canvas() const { return canvas_; }
    // Marks the row's rectangle (what a click on the row does).
    void markRow(int row);
    // Where the picture lies in the preview.
    QRect previewRect() const;
    QLabel* preview() const { return preview_; }

    void accept() override;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    CropParams rowParams(int row) const;

    CEditListCtrl* list_;
    QLabel* preview_;
    COutputOptionsGroup* output_;
    UserPrompter* prompter_;
    QImage image_;
    QImage canvas_;
    CropParams params_;
};

}  // namespace pixmill
