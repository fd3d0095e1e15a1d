#pragma once
// The text-watermark panel: adds text layers to the layout canvas and edits the one selected
// there. Starting the batch writes the layout file and runs the watermark batch.

#include <QSpinBox>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>

#include "engine/batch/batch_job.h"
#include "engine/imaging/output_format.h"

class QCheckBox;
class QComboBox;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class QToolButton;

namespace pixmill {

class COutputOptionsGroup;

class CColorPickerButton;
class CGridStatic;
class CPreviewDlg;
class CWatermarkCtrl;
class Profile;

using StartBatchFunction = std::function<bool(BatchJob job)>;

// The font the panel starts on: the first family beginning with "宋体"; where there is none
// (any desktop but a Chinese Windows one), the first family that can write Chinese, so that a
// new text layer shows its Chinese in a face of its own rather than a substitute's; otherwise
// the first family. -1 for an empty list.
int defaultFontIndex(const QStringList& families,
                     const std::function<bool(const QString& family)>& writesChinese);

// The angle box, -360..360 in steps of 15: a spin step at either end jumps to the other end.
class CAngleSpinBox : public QSpinBox {
    Q_OBJECT
  public:
    explicit CAngleSpinBox(QWidget* parent = nullptr);
    void stepBy(int steps) override;
};

class CWaterTextDlg : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kPanelId = 147;

    // `templateDir` is the folder the layout file is written into; `startJob` hands the
    // watermark batch to the batch driver and says whether it started.
    CWaterTextDlg(CPreviewDlg* canvas, Profile& profile, QString templateDir,
                  StartBatchFunction startJob, QWidget* parent = nullptr);
    ~CWaterTextDlg() override;

    int panelId() const { return kPanelId; }
    QString displayName() const { return QStringLiteral("添加文字"); }
    bool startBatch();

    // The canvas selection changed: show the current layer's values, or get ready to add.
    void followSelection();
    // The wheel changed the current layer's size.
    void showFontSize(int size);
    // Adds a layer with the panel's values, or applies them to the current layer.
    void addOrApply();

    // The controls, for the window that hosts the panel and for tests.
    QPlainTextEdit* textEdit() const { return text_; }
    QComboBox* fontList() const { return fonts_; }
    QComboBox* sizeList() const { return sizes_; }
    QToolButton* boldButton() const { return bold_; }
    QToolButton* italicButton() const { return italic_; }
    QToolButton* underlineButton() const { return underline_; }
    QSpinBox* angleBox() const { return angle_; }
    QCheckBox* shadowBox() const { return shadow_; }
    QSlider* opacitySlider() const { return opacity_; }
    CColorPickerButton* colorButton() const { return color_; }
    CGridStatic* grid() const { return grid_; }
    QPushButton* addButton() const { return add_; }
    COutputOptionsGroup* outputGroup() const { return output_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void buildControls();
    void connectControls();
    QString selectedFontName() const;
    int selectedFontSize() const;
    void selectFont(const QString& name);
    void setToggle(QToolButton* button, bool on);
    // Runs `change` on the current layer and repaints it; nothing without one.
    void changeCurrent(const std::function<void(CWatermarkCtrl&)>& change);
    void onColorPicked(std::uint32_t bgr);

    CPreviewDlg* canvas_;
    Profile& profile_;
    QString templateDir_;
    StartBatchFunction startJob_;
    bool filling_ = false;  // set while the panel shows a layer, so nothing is written back

    QPlainTextEdit* text_ = nullptr;
    QComboBox* fonts_ = nullptr;
    QComboBox* sizes_ = nullptr;
    CColorPickerButton* color_ = nullptr;
    QToolButton* bold_ = nullptr;
    QToolButton* italic_ = nullptr;
    QToolButton* underline_ = nullptr;
    CAngleSpinBox* angle_ = nullptr;
    QCheckBox* shadow_ = nullptr;
    QSlider* opacity_ = nullptr;
    CGridStatic* grid_ = nullptr;
    QPushButton* add_ = nullptr;
    COutputOptionsGroup* output_ = nullptr;
};

// Writes the canvas group's layout into `templateDir` and hands makeWatermarkJob for it to
// `startJob`. Shared by both watermark panels; false (nothing started) when the file cannot
// be written. `error` receives the reason.
bool startWatermarkBatch(CPreviewDlg& canvas, const QString& templateDir,
                         const StartBatchFunction& startJob, QString* error = nullptr,
                         const OutputOptions& output = {});

// A panel's start: the canvas repainted as it is saved, then startWatermarkBatch; a layout that
// cannot be written is reported in a warning box over `panel`, titled with its name.
bool startWatermarkBatchFromPanel(QWidget* panel, const QString& panelName, CPreviewDlg& canvas,
                                  const QString& templateDir, const StartBatchFunction& startJob,
                                  const OutputOptions& output = {});

}  // namespace pixmill
