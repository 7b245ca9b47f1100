// The fading effect interface: two pictures of equal size in, a given number of transition frames out.
// Its base order, virtual-slot order and leading fields are the contract with plug-in modules.
#pragma once

#include <string>

#include "imaging/DibPicture.h"
#include "infra/MessagePipelines.h"

namespace trov {

// An object that a module created and that must be destroyed by that module's own code.
// Slots: 0 destructor, 1 Release.
class CModuleObject {
public:
    virtual ~CModuleObject() = default;
    // Destroys the object through its own destructor (the module's allocator).
    virtual void Release() { delete this; }
};

// Holds an optional, non-owning pointer to the message pipeline registry; null sends nothing.
class CPipelineClient {
public:
    void SetPipelines(CMessagePipelines* pipelines) { m_pipelines = pipelines; }
    CMessagePipelines* GetPipelines() const { return m_pipelines; }

protected:
    CMessagePipelines* m_pipelines = nullptr;
};

// Frame protocol: Init(A, B, n), then n NextFrame calls (frame k = 1..n), then End.
// A and B are borrowed and must stay alive and of equal size from Init until End.
// The frame NextFrame returns belongs to the effect; it stays valid until the next NextFrame, End or Init.
// Not thread-safe: one transition at a time, stepped from one thread.
class CFadingEffect : public CModuleObject, public CPipelineClient {
public:
    CFadingEffect() = default;
    ~CFadingEffect() override = default;
    CFadingEffect(const CFadingEffect&) = delete;
    CFadingEffect& operator=(const CFadingEffect&) = delete;

    // Slot 2: frees the output frame and every per-transition buffer; harmless when repeated.
    virtual void End() = 0;
    // Slot 3: the next frame, or null (after ending itself) once currentFrame has reached frameCount.
    virtual CDibPicture* NextFrame() = 0;
    // Slot 4: computes everything the transition needs for frameCount frames; begins with End.
    virtual void Prepare(int frameCount) = 0;

    // Reports on "Status", stores the pictures, resets the frame index and calls Prepare.
    void Init(const CPicture* pictureA, const CPicture* pictureB, int frameCount);

    int GetCurrentFrame() const { return m_currentFrame; }
    // Caption fades jump to arbitrary indices: the next NextFrame draws frame index + 1.
    void SetCurrentFrame(int index) { m_currentFrame = index; }
    int GetFrameCount() const { return m_frameCount; }
    const CPicture* GetPictureA() const { return m_pictureA; }
    const CPicture* GetPictureB() const { return m_pictureB; }

    const std::string& GetName() const { return m_name; }
    void SetName(const std::string& name) { m_name = name; }
    const std::string& GetAuthor() const { return m_author; }
    const std::string& GetVersion() const { return m_version; }

    // Set by the creation driver while the effect renders a caption fade (full frames at any index).
    void SetTextMode(bool on) { m_textMode = on ? 1 : 0; }
    bool IsTextMode() const { return m_textMode != 0; }
    bool IsTextCapable() const { return m_textCapable != 0; }
    bool IsOwnedByRegistry() const { return m_ownedByRegistry != 0; }
    void SetOwnedByRegistry(bool owned) { m_ownedByRegistry = owned ? 1 : 0; }

protected:
    CDibPicture m_output;
    const CPicture* m_pictureA = nullptr;
    const CPicture* m_pictureB = nullptr;
    int m_currentFrame = -1;
    int m_frameCount = -1;
    std::string m_name = "Unknown";
    std::string m_author = "Unknown";
    std::string m_version = "Unknown";
    unsigned char m_textMode = 0;
    unsigned char m_textCapable = 0;
    unsigned char m_ownedByRegistry = 1;
};

}  // namespace trov
