// Named pipelines that carry status texts and progress numbers to their listeners, synchronously.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "infra/LockEvent.h"
#include "infra/Utf16Order.h"

namespace trov {

class CMessagePipelineListener {
public:
    virtual ~CMessagePipelineListener() = default;
    virtual void OnMessage(const std::string& pipeline, int32_t value) = 0;
    virtual void OnMessage(const std::string& pipeline, const std::string& text) = 0;

    CLockEvent& GetLockEvent() { return m_lock; }
    // When true, the pipeline (or hub) destroys the listener when it clears its listeners.
    bool deleteWithPipeline = true;

private:
    CLockEvent m_lock;
};

// One named pipeline: an ordered list of non-owning listener pointers; duplicates receive twice.
class CMessagePipeline {
public:
    explicit CMessagePipeline(std::string name) : m_name(std::move(name)) {}
    ~CMessagePipeline() { ClearListeners(); }
    CMessagePipeline(const CMessagePipeline&) = delete;
    CMessagePipeline& operator=(const CMessagePipeline&) = delete;

    bool AddListener(CMessagePipelineListener* listener, bool deleteWithPipeline);
    int ListenerCount();
    void Deliver(const std::string& text);
    void Deliver(int32_t value);
    // Destroys the listeners marked deleteWithPipeline (each once, however often it is listed),
    // then empties the list.
    void ClearListeners();
    // Empties the list and hands the flagged listeners to the caller, which destroys them.
    std::vector<CMessagePipelineListener*> DetachListeners();
    const std::string& GetName() const { return m_name; }

private:
    CLockEvent m_lock;
    std::string m_name;
    std::vector<CMessagePipelineListener*> m_listeners;
};

// The registry of pipelines. Any thread may send; delivery runs on the sender's thread.
// Misuse is reported through the process-wide CUserPrompt with fixed texts.
class CMessagePipelines {
public:
    CMessagePipelines() = default;
    ~CMessagePipelines() { Clear(); }
    CMessagePipelines(const CMessagePipelines&) = delete;
    CMessagePipelines& operator=(const CMessagePipelines&) = delete;

    bool Create(const std::string& name);
    bool AddListener(const std::string& name, CMessagePipelineListener* listener, bool deleteWithPipeline);
    void Send(const std::string& name, const std::string& text);
    void Send(const std::string& name, const char* text) { Send(name, std::string(text)); }
    void Send(const std::string& name, int32_t value);
    void SetEnabled(bool enabled);
    bool IsEnabled();
    void Clear();

private:
    CMessagePipeline* Find(const std::string& name);
    // Returns the pipeline to deliver to, or null after reporting why not.
    CMessagePipeline* Target(const std::string& name);

    CLockEvent m_lock;
    std::map<std::string, std::unique_ptr<CMessagePipeline>, Utf16Less> m_pipelines;
    bool m_enabled = true;
};

// The application's pipeline names.
namespace pipeline {
inline constexpr const char* kStatus = "Status";
inline constexpr const char* kMaxProgress = "MaxProgress";
inline constexpr const char* kMaxProgressComplete = "MaxProgressComplete";
inline constexpr const char* kCurrentProgress = "CurrentProgress";
inline constexpr const char* kCurrentProgressComplete = "CurrentProgressComplete";
inline constexpr const char* kTimer1CurrentTime = "Timer1_CurrentTime";
inline constexpr const char* kTimer1RemainingTime = "Timer1_RemainingTime";
}  // namespace pipeline

// Null-safe sends for reporting objects, whose registry pointer may be null.
inline void SendStatus(CMessagePipelines* p, const std::string& text) {
    if (p) p->Send(pipeline::kStatus, text);
}
inline void SendValue(CMessagePipelines* p, const char* name, int32_t value) {
    if (p) p->Send(name, value);
}

// Progress bar arithmetic of the main view: a range of 0..10000 and a "%d %%" text.
class CProgressMeter {
public:
    static constexpr int kRange = 10000;
    void SetMaximum(int32_t maximum) { m_maximum = maximum; }
    int32_t GetMaximum() const { return m_maximum; }
    // Sets the current value; returns the bar position 10000 / maximum * value, truncated and kept
    // within 0..10000 (0 while the maximum is 0).
    int SetCurrent(int32_t value);
    int GetPosition() const { return m_position; }
    std::string GetText() const;

private:
    int32_t m_maximum = 0;
    int m_position = 0;
};

// Listener registry of a picture window: name -> listener, broadcast in name order.
class CCallbackHub {
public:
    CCallbackHub() = default;
    ~CCallbackHub() { Clear(); }
    CCallbackHub(const CCallbackHub&) = delete;
    CCallbackHub& operator=(const CCallbackHub&) = delete;

    // A name registered already keeps its first listener. Always true.
    bool Register(const std::string& name, CMessagePipelineListener* listener, bool deleteWithPipeline);
    // Calls OnMessage(event, payload) on every listener in name order. The category is informative.
    void Broadcast(const std::string& category, const std::string& event, int32_t payload);
    // The same with a text payload, e.g. a settings store in its text form (CSettingsStore::ToText)
    // holding the section named after the event with "X" and "Y" for mouse events.
    void Broadcast(const std::string& category, const std::string& event, const std::string& payload);
    // Destroys the flagged listeners (each once) and empties the map.
    void Clear();

private:
    CLockEvent m_lock;
    std::map<std::string, CMessagePipelineListener*, Utf16Less> m_listeners;
};

}  // namespace trov
