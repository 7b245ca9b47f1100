// Prepares the preview picture on a thread of its own.
#include "ui/qt/PreviewLoader.h"

#include "ui/qt/QtServices.h"

namespace trov {

CPreviewLoader::CPreviewLoader(CPicturePreparation& preparation, Done done)
    : m_preparation(preparation), m_done(std::move(done)), m_thread([this] { Run(); }) {}

CPreviewLoader::~CPreviewLoader() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
        m_pending.reset();
        *m_alive = false;
    }
    m_wake.notify_all();
    m_thread.join();
}

int CPreviewLoader::Request(CMainViewCommands::PreviewRequest request) {
    int generation = ++m_generation;
    {
        std::lock_guard lock(m_mutex);
        m_pending.emplace(generation, std::move(request));
    }
    m_wake.notify_one();
    return generation;
}

int CPreviewLoader::Cancel() {
    std::lock_guard lock(m_mutex);
    m_pending.reset();
    return ++m_generation;
}

void CPreviewLoader::Run() {
    for (;;) {
        std::pair<int, CMainViewCommands::PreviewRequest> job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || m_pending.has_value(); });
            if (m_stop) return;
            job = std::move(*m_pending);
            m_pending.reset();
        }
        std::shared_ptr<CDibPicture> picture =
            CMainViewCommands::PreparePreviewPicture(m_preparation, job.second);
        std::shared_ptr<bool> alive = m_alive;
        Done done = m_done;
        int generation = job.first;
        // The loader may be gone when the GUI thread gets to it (the window closed meanwhile).
        PostToGuiThread([alive, done, generation, picture] {
            if (*alive) done(generation, picture);
        });
    }
}

}  // namespace trov
