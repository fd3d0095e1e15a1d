#pragma once
// The base of the four tool panels (rename, resize, image watermark, text watermark) that the
// tool box on the right of the main window shows one at a time.

#include <QString>
#include <QWidget>

namespace pixmill {

class CBaseToolDlg : public QWidget {
    Q_OBJECT
  public:
    // `panelId` is the panel's key for switching: 130 rename, 137 resize, 145 image
    // watermark, 147 text watermark. The start button reads "开始批量" + `displayName`.
    CBaseToolDlg(int panelId, QString displayName, QWidget* parent = nullptr);
    ~CBaseToolDlg() override;

    int panelId() const { return panelId_; }
    const QString& displayName() const { return displayName_; }
    // False until the panel has been built on its first showing.
    bool created() const { return created_; }
    void setCreated(bool created) { created_ = created; }

    // Reads the panel's fields and starts its batch. Returns nonzero when a batch started,
    // 0 when the panel refused (after showing its own message).
    virtual int StartBatch() = 0;

  private:
    int panelId_;
    bool created_ = false;
    QString displayName_;
};

}  // namespace pixmill
