#pragma once
// The double-click preview: one picture fitted to the screen on black; Esc or a click closes
// it. Deletes itself when closed.

#include <QImage>
#include <QWidget>

namespace pixmill {

class CFullScreenPreview : public QWidget {
    Q_OBJECT
  public:
    explicit CFullScreenPreview(const QString& path, QWidget* parent = nullptr);

    // Shows the picture full screen over `owner`'s screen and returns the window.
    static CFullScreenPreview* open(const QString& path, QWidget* owner);

    const QImage& picture() const { return picture_; }
    // The rectangle the picture is drawn into in a window of `area`.
    static QRect fittedRect(QSize picture, QSize area);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

  private:
    QImage picture_;
    QString path_;
};

}  // namespace pixmill
