// Prepares the preview picture on a thread of its own, so a large photo never holds up the window.
// Only the newest request counts: one asked for meanwhile replaces a waiting one.
#pragma once

#include <QPointer>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "ui/MainViewCommands.h"

namespace trov {

class CPreviewLoader {
public:
    // done runs on the GUI thread with the request's number and the picture (null: unreadable).
    using Done = std::function<void(int generation, std::shared_ptr<CDibPicture> picture)>;
    CPreviewLoader(CPicturePreparation& preparation, Done done);
    ~CPreviewLoader();

    // Returns the request's number; later numbers make earlier results stale.
    int Request(CMainViewCommands::PreviewRequest request);
    // Makes every request made so far stale (the preview was cleared).
    int Cancel();
    int Current() const { return m_generation; }

private:
    void Run();

    CPicturePreparation& m_preparation;
    Done m_done;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::optional<std::pair<int, CMainViewCommands::PreviewRequest>> m_pending;
    bool m_stop = false;
    int m_generation = 0;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    std::thread m_thread;
};

}  // namespace trov
