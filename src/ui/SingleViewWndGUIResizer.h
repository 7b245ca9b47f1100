// Keeps the main view's controls anchored to its edges when the main window changes size, and
// holds the window at its initial size as the minimum.
#pragma once

#include <map>
#include <string>

#include "infra/MessagePipelines.h"

namespace trov {

struct CUiSize {
    int width = 0;
    int height = 0;
    bool operator==(const CUiSize&) const = default;
};

// A rectangle in its parent's client coordinates; right and bottom are exclusive.
struct CUiRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool operator==(const CUiRect&) const = default;
};

// A window whose geometry the resizer reads and sets.
class CGeometryControl {
public:
    virtual ~CGeometryControl() = default;
    // The window's rectangle in its parent's client coordinates.
    virtual CUiRect GetGeometry() const = 0;
    // Moves and sizes the window and makes it visible.
    virtual void SetGeometry(const CUiRect& rect) = 0;
    // The size of the window's client area (where its children live).
    virtual CUiSize GetClientSize() const = 0;
};

// Anchoring of one control, by mode (distances are those at registration):
// 0 keeps size, follows the right and bottom edges; 1 stretches to the right, follows the bottom;
// 2 and 4 follow the bottom only; 3 stretches to the bottom only; 5 stretches right and down;
// 6 follows the right edge only; 7 follows the right, stretches down; 8 keeps its left, width
// scaled with the client width, stretches down; 9 left and width scaled, stretches down. Any other
// mode leaves the control where it is.
struct CAnchorRecord {
    int mode = 0;
    CUiRect rect;          // at registration
    CUiSize parentClient;  // at registration
};

// The rectangle of the control of record in a parent whose client area now has size client.
CUiRect AnchoredRect(const CAnchorRecord& record, const CUiSize& client);

class CSingleViewWndGUIResizer {
public:
    // Diagnostics ("DEBUG" pipeline) go here when set; not owned.
    void SetPipelines(CMessagePipelines* pipelines) { m_pipelines = pipelines; }

    // Remembers the frame's current size as its minimum; only the first call counts. Neither
    // window is owned.
    void Initialize(CGeometryControl* frame, CGeometryControl* view);
    bool IsInitialized() const { return m_frame != nullptr; }

    // Records control's geometry relative to parent. False without either window or when the
    // control is registered already (the first registration stays).
    bool AddWnd(CGeometryControl* parent, CGeometryControl* control, int mode);

    // After a size change: the view fills the frame's client area and every registered control is
    // moved to its anchored place.
    void OnWindowPosChanged();

    // Raises minTrack to the size remembered at Initialize (a diagnostic before Initialize).
    void Check4ValideMainFrameSize(CUiSize& minTrack) const;

    CUiSize GetMinimumSize() const { return m_minimum; }
    size_t GetControlCount() const { return m_records.size(); }

private:
    struct Record {
        CGeometryControl* parent;
        CAnchorRecord anchor;
    };
    void Debug(const std::string& text) const;

    CMessagePipelines* m_pipelines = nullptr;
    CGeometryControl* m_frame = nullptr;
    CGeometryControl* m_view = nullptr;
    CUiSize m_minimum;
    std::map<CGeometryControl*, Record> m_records;
};

}  // namespace trov
