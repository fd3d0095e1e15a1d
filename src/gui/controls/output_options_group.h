#pragma once
// The output options every panel that writes new pictures shows (resize, crop, watermark): the
// format, the JPEG and WebP quality and an optional target size. The panel reads them into its
// parameter record with options(); with a profile the group keeps its values in one section of
// it, written at every change and read again whenever the group is shown, so that two panels
// sharing a section (the two watermark panels) agree.

#include <QGroupBox>
#include <QString>

#include "engine/imaging/output_format.h"

class QCheckBox;
class QComboBox;
class QSpinBox;

namespace pixmill {

class Profile;

class COutputOptionsGroup : public QGroupBox {
    Q_OBJECT
  public:
    // `profile` may be null (nothing kept); `section` names where the values are kept.
    COutputOptionsGroup(Profile* profile, QString section, QWidget* parent = nullptr);

    OutputOptions options() const;
    void setOptions(const OutputOptions& options);
    // Reads the kept values (defaults: keep, quality 100, no target) / writes them.
    void load();
    void save();

    QComboBox* formatList() const { return format_; }
    QSpinBox* qualityBox() const { return quality_; }
    QCheckBox* limitBox() const { return limit_; }
    QSpinBox* maxKbBox() const { return maxKb_; }

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    // Quality and size apply to JPEG and WebP only: PNG is lossless.
    void enableLossyControls();

    Profile* profile_;
    QString section_;
    bool loading_ = false;
    QComboBox* format_;
    QSpinBox* quality_;
    QCheckBox* limit_;
    QSpinBox* maxKb_;
};

}  // namespace pixmill
