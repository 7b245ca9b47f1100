// Thumbnails of the picture list, decoded on their own thread.
#include "ui/qt/ThumbnailLoader.h"

#include <QPainter>

#include "imaging/PictureTools.h"
#include "ui/qt/PreviewWidget.h"

namespace trov {

CThumbnailLoader::CThumbnailLoader() : m_thread([this] { Run(); }) {}

CThumbnailLoader::~CThumbnailLoader() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_queue.clear();
    }
    m_wake.notify_all();
    m_thread.join();
}

void CThumbnailLoader::Request(const QString& key, const std::string& path, int rotation,
                               bool applyExifOrientation) {
    {
        std::lock_guard lock(m_mutex);
        if (!m_asked.insert(key).second) return;
        m_queue.push_back({key, path, rotation, applyExifOrientation});
    }
    m_wake.notify_one();
}

void CThumbnailLoader::Clear() {
    std::lock_guard lock(m_mutex);
    for (const Job& job : m_queue) m_asked.erase(job.key);
    m_queue.clear();
}

void CThumbnailLoader::Run() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
            if (m_stop) return;
            job = std::move(m_queue.front());
            m_queue.pop_front();
        }
        QImage image;
        EntryPictureRequest request;
        request.file = job.path;
        request.rotation = job.rotation;
        request.applyExifOrientation = job.applyExifOrientation;
        // Decoded only as large as the thumbnail needs (JPEGs at a reduced scale).
        request.fitWidth = kWidth * 2;
        request.fitHeight = kHeight * 2;
        if (std::unique_ptr<CPicture> picture = LoadEntryPicture(request)) {
            QImage scaled = ImageFromPicture(*picture).scaled(kWidth, kHeight, Qt::KeepAspectRatio,
                                                              Qt::SmoothTransformation);
            // Centred on a canvas of the full size, so the file names beside it line up.
            image = QImage(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter p(&image);
            p.drawImage((kWidth - scaled.width()) / 2, (kHeight - scaled.height()) / 2, scaled);
        }
        // Queued to the GUI thread: the receiver lives there.
        emit ready(job.key, image);
    }
}

}  // namespace trov
