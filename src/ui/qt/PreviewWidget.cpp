// The preview area.
#include "ui/qt/PreviewWidget.h"

#include <QPainter>
#include <cstring>

namespace trov {

QImage ImageFromPicture(const CPicture& picture) {
    if (picture.IsEmpty()) return {};
    int w = picture.GetWidth(), h = picture.GetHeight();
    QImage image(w, h, QImage::Format_BGR888);
    if (image.isNull()) return {};
    // Row 0 of the buffer is the bottom of the picture.
    for (int y = 0; y < h; ++y)
        std::memcpy(image.scanLine(h - 1 - y), picture.GetRow(y), static_cast<size_t>(w) * 3);
    return image;
}

CPreviewWidget::CPreviewWidget(QWidget* parent) : QWidget(parent) {
    setMinimumSize(160, 90);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
}

void CPreviewWidget::SetPicture(std::unique_ptr<CDibPicture> picture) {
    m_picture = std::move(picture);
    m_image = m_picture ? ImageFromPicture(*m_picture) : QImage();
    update();
}

void CPreviewWidget::SetFrameSize(int width, int height) {
    if (width > 0 && height > 0) {
        m_frameWidth = width;
        m_frameHeight = height;
    }
    updateGeometry();
    update();
}

QSize CPreviewWidget::sizeHint() const {
    return {240, 240 * m_frameHeight / std::max(1, m_frameWidth)};
}

void CPreviewWidget::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window).darker(115));
    int fw = m_image.isNull() ? m_frameWidth : m_image.width();
    int fh = m_image.isNull() ? m_frameHeight : m_image.height();
    if (fw <= 0 || fh <= 0) return;
    // The largest rectangle of the frame's aspect, centred.
    double scale = std::min(static_cast<double>(width()) / fw, static_cast<double>(height()) / fh);
    int w = std::max(1, static_cast<int>(fw * scale)), h = std::max(1, static_cast<int>(fh * scale));
    QRect target((width() - w) / 2, (height() - h) / 2, w, h);
    if (m_image.isNull()) {
        p.fillRect(target, Qt::black);
        return;
    }
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, m_image);
}

}  // namespace trov
