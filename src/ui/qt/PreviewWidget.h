// The preview area: shows a picture buffer fitted into the widget, aspect kept.
#pragma once

#include <QImage>
#include <QWidget>
#include <memory>

#include "imaging/DibPicture.h"

namespace trov {

// A picture buffer (bottom-up BGR rows) as a QImage (top-down); a null image for an empty one.
QImage ImageFromPicture(const CPicture& picture);

// A frame made ready for the preview area away from the GUI thread: fitted into the area (aspect
// kept, never enlarged; each pixel the mean of four samples of its source block), as a picture
// buffer and as the image that is painted as it is.
struct SPreviewFrame {
    std::unique_ptr<CDibPicture> picture;
    QImage image;
};
SPreviewFrame PreparePreviewFrame(const CPicture& frame, int maxWidth, int maxHeight);

class CPreviewWidget : public QWidget {
    Q_OBJECT
public:
    explicit CPreviewWidget(QWidget* parent = nullptr);
    // Takes the picture; null clears the area.
    void SetPicture(std::unique_ptr<CDibPicture> picture);
    // Takes a frame prepared elsewhere (nothing is converted here).
    void SetFrame(SPreviewFrame frame);
    // The device pixels a picture may fill (the widget's size).
    QSize PaintSize() const;
    CDibPicture* GetPicture() const { return m_picture.get(); }
    // The frame aspect the empty area shows (the movie size).
    void SetFrameSize(int width, int height);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::unique_ptr<CDibPicture> m_picture;
    QImage m_image;
    int m_frameWidth = 640;
    int m_frameHeight = 360;
};

}  // namespace trov
