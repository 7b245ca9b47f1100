// The preview area.
#include "ui/qt/PreviewWidget.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

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

SPreviewFrame PreparePreviewFrame(const CPicture& frame, int maxWidth, int maxHeight) {
    SPreviewFrame out;
    if (frame.IsEmpty()) return out;
    const int w = frame.GetWidth(), h = frame.GetHeight();
    const double scale = std::min({1.0, static_cast<double>(std::max(1, maxWidth)) / w,
                                   static_cast<double>(std::max(1, maxHeight)) / h});
    const int tw = std::max(1, static_cast<int>(std::lround(w * scale)));
    const int th = std::max(1, static_cast<int>(std::lround(h * scale)));
    if (tw >= w && th >= h) {
        out.picture = frame.Clone();
    } else {
        out.picture = std::make_unique<CDibPicture>();
        if (!out.picture->Create(tw, th)) return {};
        // Two sample columns and rows per target pixel, at a quarter and three quarters of its block.
        auto sample = [](int i, int target, int source, double at) {
            return std::min(source - 1, static_cast<int>((i + at) * source / target));
        };
        std::vector<int> columns(static_cast<size_t>(tw) * 2);
        for (int x = 0; x < tw; ++x) {
            columns[size_t(x) * 2] = 3 * sample(x, tw, w, 0.25);
            columns[size_t(x) * 2 + 1] = 3 * sample(x, tw, w, 0.75);
        }
        for (int y = 0; y < th; ++y) {
            const uint8_t* r0 = frame.GetRow(sample(y, th, h, 0.25));
            const uint8_t* r1 = frame.GetRow(sample(y, th, h, 0.75));
            uint8_t* dst = out.picture->GetRow(y);
            for (int x = 0; x < tw; ++x) {
                const int a = columns[size_t(x) * 2], b = columns[size_t(x) * 2 + 1];
                for (int c = 0; c < 3; ++c)
                    dst[3 * x + c] =
                        static_cast<uint8_t>((r0[a + c] + r0[b + c] + r1[a + c] + r1[b + c] + 2) / 4);
            }
        }
    }
    out.image = ImageFromPicture(*out.picture);
    return out;
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

void CPreviewWidget::SetFrame(SPreviewFrame frame) {
    m_picture = std::move(frame.picture);
    m_image = std::move(frame.image);
    update();
}

QSize CPreviewWidget::PaintSize() const {
    return size() * devicePixelRatio();
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
    // A frame prepared at the area's size is painted as it is.
    if (QSize(w, h) * devicePixelRatio() != m_image.size()) p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(target, m_image);
}

}  // namespace trov
