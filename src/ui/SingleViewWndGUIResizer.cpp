#include "ui/SingleViewWndGUIResizer.h"

namespace trov {

namespace {
// Keeps the extent, follows the far edge.
void Follow(int& low, int& high, int extent, int distance, int client) {
    high = client - distance;
    low = high - extent;
}
int Scale(int value, int now, int then) {
    if (then <= 0) return value;
    return static_cast<int>(static_cast<long long>(value) * now / then);
}
}  // namespace

CUiRect AnchoredRect(const CAnchorRecord& record, const CUiSize& client) {
    const CUiRect& r = record.rect;
    const int distRight = record.parentClient.width - r.right;
    const int distBottom = record.parentClient.height - r.bottom;
    CUiRect out = r;
    bool followRight = false, stretchRight = false;
    bool followBottom = false, stretchBottom = false;
    switch (record.mode) {
        case 0:
            followRight = followBottom = true;
            break;
        case 1:
            stretchRight = followBottom = true;
            break;
        case 2:
        case 4:
            followBottom = true;
            break;
        case 3:
            stretchBottom = true;
            break;
        case 5:
            stretchRight = stretchBottom = true;
            break;
        case 6:
            followRight = true;
            break;
        case 7:
            followRight = stretchBottom = true;
            break;
        case 8:
            out.right = r.left + Scale(r.Width(), client.width, record.parentClient.width);
            stretchBottom = true;
            break;
        case 9:
            out.left = Scale(r.left, client.width, record.parentClient.width);
            out.right = out.left + Scale(r.Width(), client.width, record.parentClient.width);
            stretchBottom = true;
            break;
        default:
            return r;
    }
    if (followRight) Follow(out.left, out.right, r.Width(), distRight, client.width);
    if (stretchRight) out.right = client.width - distRight;
    if (followBottom) Follow(out.top, out.bottom, r.Height(), distBottom, client.height);
    if (stretchBottom) out.bottom = client.height - distBottom;
    // A window shrunk past the registered distances keeps at least an empty rectangle.
    if (out.right < out.left) out.right = out.left;
    if (out.bottom < out.top) out.bottom = out.top;
    return out;
}

void CSingleViewWndGUIResizer::Debug(const std::string& text) const {
    if (m_pipelines) m_pipelines->Send("DEBUG", text);
}

void CSingleViewWndGUIResizer::Initialize(CGeometryControl* frame, CGeometryControl* view) {
    if (m_frame || !frame) return;
    m_frame = frame;
    m_view = view;
    const CUiRect r = frame->GetGeometry();
    m_minimum = {r.Width(), r.Height()};
}

bool CSingleViewWndGUIResizer::AddWnd(CGeometryControl* parent, CGeometryControl* control, int mode) {
    if (!parent || !control) {
        Debug("CSingleViewWndGUIResizer::AddWnd: pParent oder pWndCtrl == NULL!");
        return false;
    }
    if (m_records.count(control)) {
        Debug("CSingleViewWndGUIResizer::AddWnd: Doppeltes Control sollte eingefuegt werden!");
        return false;
    }
    m_records[control] = Record{parent, CAnchorRecord{mode, control->GetGeometry(), parent->GetClientSize()}};
    return true;
}

void CSingleViewWndGUIResizer::OnWindowPosChanged() {
    if (m_frame && m_view) {
        const CUiSize client = m_frame->GetClientSize();
        m_view->SetGeometry({0, 0, client.width, client.height});
    }
    for (auto& [control, record] : m_records) {
        control->SetGeometry(AnchoredRect(record.anchor, record.parent->GetClientSize()));
    }
}

void CSingleViewWndGUIResizer::Check4ValideMainFrameSize(CUiSize& minTrack) const {
    if (!m_frame) {
        Debug("CSingleViewWndGUIResizer::Check4ValideMainFrameSize: Not initialized!");
        return;
    }
    if (minTrack.width < m_minimum.width) minTrack.width = m_minimum.width;
    if (minTrack.height < m_minimum.height) minTrack.height = m_minimum.height;
}

}  // namespace trov
