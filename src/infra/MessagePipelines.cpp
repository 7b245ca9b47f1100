// Named message pipelines with synchronous delivery, the callback hub and the progress arithmetic.
#include "infra/MessagePipelines.h"

#include <algorithm>
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

namespace {

// Adds the flagged listeners of list to owned, each pointer once.
void CollectOwned(const std::vector<CMessagePipelineListener*>& list,
                  std::vector<CMessagePipelineListener*>& owned) {
    for (auto* l : list) {
        if (l->deleteWithPipeline && std::find(owned.begin(), owned.end(), l) == owned.end())
            owned.push_back(l);
    }
}

}  // namespace

std::vector<CMessagePipelineListener*> CMessagePipeline::DetachListeners() {
    CLockEventGuard g(m_lock);
    std::vector<CMessagePipelineListener*> owned;
    CollectOwned(m_listeners, owned);
    m_listeners.clear();
    return owned;
}

void CMessagePipeline::ClearListeners() {
    CLockEventGuard g(m_lock);
    // A listener listed twice with the flag is destroyed once.
    for (auto* l : DetachListeners()) delete l;
}

CMessagePipeline* CMessagePipelines::Find(const std::string& name) {
    CLockEventGuard g(m_lock);
    auto it = m_pipelines.find(name);
    return it == m_pipelines.end() ? nullptr : it->second.get();
}

bool CMessagePipelines::Create(const std::string& name) {
    bool created;
    {
        // Look up and insert under one lock, so two threads cannot both create the name.
        CLockEventGuard g(m_lock);
        created = m_pipelines.find(name) == m_pipelines.end();
        if (created) m_pipelines.emplace(name, std::make_unique<CMessagePipeline>(name));
    }
    if (!created) GetUserPrompt().Message("Error! Message Pipeline already exist: " + name);
    return created;
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
    // One listener may serve several pipelines; destroy each flagged listener once, after every
    // pipeline has let go of it.
    std::vector<CMessagePipelineListener*> owned;
    for (auto& [name, p] : m_pipelines) {
        for (auto* l : p->DetachListeners())
            if (std::find(owned.begin(), owned.end(), l) == owned.end()) owned.push_back(l);
    }
    m_pipelines.clear();
    for (auto* l : owned) delete l;
}

int CProgressMeter::SetCurrent(int32_t value) {
    if (m_maximum == 0) {
        m_position = 0;
    } else {
        double pos = 10000.0 / m_maximum * value;
        // Values beyond the maximum (or of the other sign) stay on the bar; the cast is then defined.
        pos = std::clamp(pos, 0.0, static_cast<double>(kRange));
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

void CCallbackHub::Broadcast(const std::string&, const std::string& event, int32_t payload) {
    CLockEventGuard g(m_lock);
    for (auto& [name, l] : m_listeners) l->OnMessage(event, payload);
}

void CCallbackHub::Broadcast(const std::string&, const std::string& event, const std::string& payload) {
    CLockEventGuard g(m_lock);
    for (auto& [name, l] : m_listeners) l->OnMessage(event, payload);
}

void CCallbackHub::Clear() {
    CLockEventGuard g(m_lock);
    std::vector<CMessagePipelineListener*> owned;
    for (auto& [name, l] : m_listeners)
        if (l->deleteWithPipeline && std::find(owned.begin(), owned.end(), l) == owned.end())
            owned.push_back(l);
    m_listeners.clear();
    for (auto* l : owned) delete l;
}

}  // namespace trov
