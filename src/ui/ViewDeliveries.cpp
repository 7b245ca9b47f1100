// The window's pending manager values (see the header).
#include "ui/ViewDeliveries.h"

#include <utility>

namespace trov {

bool CPendingViewUpdates::SBatch::Empty() const {
    return !status && !progress[0] && !progress[1] && !time[0] && !time[1];
}

bool CPendingViewUpdates::Arm() {
    if (m_armed) return false;
    m_armed = true;
    return true;
}

bool CPendingViewUpdates::SetStatus(std::string text) {
    std::lock_guard lock(m_mutex);
    m_pending.status = std::move(text);
    return Arm();
}

bool CPendingViewUpdates::SetProgress(bool complete, int position, std::string text) {
    std::lock_guard lock(m_mutex);
    m_pending.progress[complete ? 1 : 0] = SProgress{position, std::move(text)};
    return Arm();
}

bool CPendingViewUpdates::SetTime(bool remaining, std::string text) {
    std::lock_guard lock(m_mutex);
    m_pending.time[remaining ? 1 : 0] = std::move(text);
    return Arm();
}

void CPendingViewUpdates::DropStatus() {
    std::lock_guard lock(m_mutex);
    m_pending.status.reset();
}

void CPendingViewUpdates::DropProgress(bool complete) {
    std::lock_guard lock(m_mutex);
    m_pending.progress[complete ? 1 : 0].reset();
}

void CPendingViewUpdates::DropTime(bool remaining) {
    std::lock_guard lock(m_mutex);
    m_pending.time[remaining ? 1 : 0].reset();
}

CPendingViewUpdates::SBatch CPendingViewUpdates::Take() {
    std::lock_guard lock(m_mutex);
    SBatch batch = std::move(m_pending);
    m_pending = SBatch();
    m_armed = false;
    return batch;
}

}  // namespace trov
