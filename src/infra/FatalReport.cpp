// The fatal-exception report text and its sink.
#include "infra/FatalReport.h"

#include <mutex>

namespace trov {

struct CFatalReport::Impl {
    mutable std::recursive_mutex mutex;
    std::string text;
    int count = 0;
    Sink sink;
};

CFatalReport::Impl& CFatalReport::State() const {
    // One report per process; the object itself carries no data so it can be a plain global.
    static Impl impl;
    return impl;
}

void CFatalReport::Report(const std::string& section) {
    Impl& s = State();
    std::lock_guard lock(s.mutex);
    try {
        s.text += "Fatal Exception occured!\r\n\r\nSection: " + section + "\r\n";
        ++s.count;
        if (s.sink) s.sink(s.text, section);
    } catch (...) {
        // A report must never throw into the handler that is reporting.
    }
}

std::string CFatalReport::GetText() const {
    Impl& s = State();
    std::lock_guard lock(s.mutex);
    return s.text;
}

void CFatalReport::ClearText() {
    Impl& s = State();
    std::lock_guard lock(s.mutex);
    s.text.clear();
    s.count = 0;
}

int CFatalReport::GetCount() const {
    Impl& s = State();
    std::lock_guard lock(s.mutex);
    return s.count;
}

void CFatalReport::SetSink(Sink sink) {
    Impl& s = State();
    std::lock_guard lock(s.mutex);
    s.sink = std::move(sink);
}

CFatalReport& GetFatalReport() {
    static CFatalReport report;
    return report;
}

void ReportFatalException(const std::string& section) {
    GetFatalReport().Report(section);
}

bool RunGuarded(const std::string& section, const std::function<void()>& operation) {
    try {
        operation();
        return true;
    } catch (...) {
        ReportFatalException(section);
        return false;
    }
}

}  // namespace trov
