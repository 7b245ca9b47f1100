// Small pictures beside the file names of the picture list, decoded on a thread of their own so
// that a long list never holds up the window.
#pragma once

#include <QImage>
#include <QObject>
#include <QString>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <thread>

namespace trov {

class CThumbnailLoader : public QObject {
    Q_OBJECT
public:
    static constexpr int kWidth = 32;
    static constexpr int kHeight = 24;

    CThumbnailLoader();
    ~CThumbnailLoader() override;

    // Queues a still picture (JPEG or BMP) at path, turned by its EXIF orientation when
    // applyExifOrientation (as the project's creation turns it), then by rotation degrees; `ready` follows
    // with key and the finished kWidth x kHeight thumbnail once it is decoded (a null image when it
    // cannot be read). A key asked for before
    // is not decoded again.
    void Request(const QString& key, const std::string& path, int rotation, bool applyExifOrientation);
    // Forgets queued requests (a new project).
    void Clear();

signals:
    void ready(const QString& key, const QImage& image);

private:
    struct Job {
        QString key;
        std::string path;
        int rotation;
        bool applyExifOrientation;
    };
    void Run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Job> m_queue;
    std::set<QString> m_asked;
    bool m_stop = false;
    std::thread m_thread;
};

}  // namespace trov
