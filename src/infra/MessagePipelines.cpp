// Named message pipelines with synchronous delivery, the callback hub and the progress arithmetic.
#include "infra/MessagePipelines.h"

#include <cstdio>

#include "infra/UserPrompt.h"

namespace trov {

bool CMessagePipeline::AddListener(CMessagePipelineListener* listener, bool deleteWithPipeline) {
    if (!listener) return false;
    CLockEventGuard g(m_lock);
    listener->deleteWithPipeline = deleteWithPipeline;
    m_listeners.push_back(listener);
    return true;
}

int CMessagePipeline::ListenerCount() {
    CLockEventGuard g(m_lock);
    return static_cast<int>(m_listeners.size());
}

void CMessagePipeline::Deliver(const std::string& text) {
    CLockEventGuard g(m_lock);
    for (auto* l : m_listeners) {
        std::string name = m_name, payload = text;
        l->OnMessage(name, payload);
    }
}

void CMessagePipeline::Deliver(int32_t value) {
    CLockEventGuard g(m_lock);
    for (auto* l : m_listeners) {
        std::string name = m_name;
        l->OnMessage(name, value);
    }
}

void CMessagePipeline::ClearListeners() {
    CLockEventGuard g(m_lock);
    // A listener registered twice with the flag must be destroyed once.
    std::vector<CMessagePipelineListener*> destroyed;
    for (auto* l : m_listeners) {
        if (!l->deleteWithPipeline) continue;
        bool seen = false;
        for (auto* d : destroyed) seen = seen || d == l;
        if (seen) continue;
        destroyed.push_back(l);
        delete l;
    }
    m_listeners.clear();
}

CMessagePipeline* CMessagePipelines::Find(const std::string& name) {
    CLockEventGuard g(m_lock);
    auto it = m_pipelines.find(name);
    return it == m_pipelines.end() ? nullptr : it->second.get();
}

bool CMessagePipelines::Create(const std::string& name) {
    if (Find(name)) {
        GetUserPrompt().Message("Error! Message Pipeline already exist: " + name);
        return false;
    }
    CLockEventGuard g(m_lock);
    m_pipelines.emplace(name, std::make_unique<CMessagePipeline>(name));
    return true;
}

bool CMessagePipelines::AddListener(const std::string& name, CMessagePipelineListener* listener,
                                    bool deleteWithPipeline) {
    CMessagePipeline* p = Find(name);
    if (!p) {
        GetUserPrompt().Message("Error: Message Pipeline is not known: " + name);
        return false;
    }
    return p->AddListener(listener, deleteWithPipeline);
}

CMessagePipeline* CMessagePipelines::Target(const std::string& name) {
    if (!IsEnabled()) return nullptr;
    CMessagePipeline* p = Find(name);
    if (!p) {
        GetUserPrompt().Message("Error: Message send to a Message Pipeline, which is not known: " + name);
        return nullptr;
    }
    if (p->ListenerCount() == 0) {
        GetUserPrompt().Message("Error: Message send to a Message Pipeline, but no one listens: " + name);
        return nullptr;
    }
    return p;
}

void CMessagePipelines::Send(const std::string& name, const std::string& text) {
    if (CMessagePipeline* p = Target(name)) p->Deliver(text);
}

void CMessagePipelines::Send(const std::string& name, int32_t value) {
    if (CMessagePipeline* p = Target(name)) p->Deliver(value);
}

void CMessagePipelines::SetEnabled(bool enabled) {
    CLockEventGuard g(m_lock);
    m_enabled = enabled;
}

bool CMessagePipelines::IsEnabled() {
    CLockEventGuard g(m_lock);
    return m_enabled;
}

void CMessagePipelines::Clear() {
    CLockEventGuard g(m_lock);
    for (auto& [name, p] : m_pipelines) p->ClearListeners();
    m_pipelines.clear();
}

int CProgressMeter::SetCurrent(int32_t value) {
    if (m_maximum == 0) {
        m_position = 0;
    } else {
        double pos = 10000.0 / m_maximum * value;
        m_position = static_cast<int>(pos);
    }
    return m_position;
}

std::string CProgressMeter::GetText() const {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d %%", static_cast<int>(m_position * 0.01));
    return buf;
}

bool CCallbackHub::Register(const std::string& name, CMessagePipelineListener* listener,
                            bool deleteWithPipeline) {
    CLockEventGuard g(m_lock);
    if (listener && !m_listeners.count(name)) {
        listener->deleteWithPipeline = deleteWithPipeline;
        m_listeners.emplace(name, listener);
    }
    return true;
}

void CCallbackHub::Broadcast(const std::string&, const std::string& event, int64_t payload) {
    CLockEventGuard g(m_lock);
    for (auto& [name, l] : m_listeners) l->OnMessage(event, static_cast<int32_t>(payload));
}

void CCallbackHub::Clear() {
    CLockEventGuard g(m_lock);
    for (auto& [name, l] : m_listeners)
        if (l->deleteWithPipeline) delete l;
    m_listeners.clear();
}

}  // namespace trov
