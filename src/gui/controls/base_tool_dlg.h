#pragma once
// The base of the tool panels the toolbox switches between. A panel's controls are built on
// its first showing (ensureCreated), so panels never shown cost nothing and read the settings
// as they stand when the user first opens them.

#include <QString>
#include <QWidget>

#include "engine/batch/batch_table.h"  // the panel ids

namespace pixmill {

class CBaseToolDlg : public QWidget {
    Q_OBJECT
  public:
    CBaseToolDlg(int panelId, QString displayName, QWidget* parent = nullptr);

    int panelId() const { return panelId_; }
    bool created() const { return created_; }
    const QString& displayName() const { return displayName_; }

    // Builds the controls once; later calls do nothing.
    void ensureCreated();

    // Reads the panel's fields and starts its batch. True when a batch was started, false when
    // the panel refused (after showing its own message).
    virtual bool StartBatch() = 0;

  protected:
    // Called once, by ensureCreated.
    virtual void initDialog() = 0;

  private:
    int panelId_;
    QString displayName_;
    bool created_ = false;
};

}  // namespace pixmill
