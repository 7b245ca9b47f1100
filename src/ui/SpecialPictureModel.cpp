// The special picture settings and panorama dialogs' decisions (see the header).
#include "ui/SpecialPictureModel.h"

#include "creation/TROVManager.h"

namespace trov {

using namespace specialpic;

const std::vector<SPanoramaDirection>& PanoramaDirections() {
    static const std::vector<SPanoramaDirection> directions{
        {"Left2Right", 1}, {"Right2Left", 2}, {"Top2Bottom", 3}, {"Bottom2Top", 4}};
    return directions;
}

int PanoramaDirectionCode(const std::string& key) {
    for (const SPanoramaDirection& d : PanoramaDirections())
        if (key == d.key) return d.code;
    return -1;
}

int SpecialPictureTarget(const CTROVManager& manager, const std::vector<int>& selectedObjects,
                         std::string& message) {
    message.clear();
    if (selectedObjects.empty()) return -1;
    const int index = selectedObjects.front();
    const CProjectObject* object = manager.GetObject(index);
    if (!object) return -1;
    // A clip has no still picture to scroll or fly over, and a colour fading no picture at all.
    if (object->IsAVI() || object->IsColorFade()) {
        message = kVideoRefused;
        return -1;
    }
    return index;
}

CSpecialPictureModel::CSpecialPictureModel(const CProjectObject& object) : m_working(object) {
    m_store.SetInt(kTemp, kPanorama, object.panoramaScrolling ? 1 : 0);
    m_store.SetInt(kTemp, kPanoramaType, object.panoramaScrollingType);
    m_store.SetInt(kTemp, kPictureMove, object.pictureMove ? 1 : 0);
}

void CSpecialPictureModel::ClickPanorama() {
    m_store.SetInt(kTemp, kPictureMove, 0);
    m_store.SetInt(kTemp, kPanorama, PanoramaOn() ? 0 : 1);
}

void CSpecialPictureModel::ClickPictureMove() {
    m_store.SetInt(kTemp, kPanorama, 0);
    m_store.SetInt(kTemp, kPictureMove, PictureMoveOn() ? 0 : 1);
}

bool CSpecialPictureModel::PanoramaOn() const {
    int on = 0;
    return m_store.GetInt(kTemp, kPanorama, on) && on != 0;
}

bool CSpecialPictureModel::PictureMoveOn() const {
    int on = 0;
    return m_store.GetInt(kTemp, kPictureMove, on) && on != 0;
}

int CSpecialPictureModel::PanoramaType() const {
    int type = -1;
    m_store.GetInt(kTemp, kPanoramaType, type);
    return type;
}

void CSpecialPictureModel::PanoramaDialogEnded(int code) {
    if (code >= 1 && code <= 4) m_store.SetInt(kTemp, kPanoramaType, code);
    SyncPanorama();
}

void CSpecialPictureModel::SyncPanorama() {
    if (!m_store.GetSection(kTemp) || !m_store.GetSection(kTemp)->Has(kPanorama)) {
        m_working.panoramaScrolling = false;
        return;
    }
    m_working.panoramaScrolling = PanoramaOn();
    m_working.panoramaScrollingType = PanoramaType();
}

void CSpecialPictureModel::PictureMoveEdited(const CProjectObject& edited, const std::string& quality,
                                             const std::string& limit) {
    m_working.pictureMoveSettings = edited.pictureMoveSettings;
    m_working.flightPoints = edited.flightPoints;
    m_working.flightPointsColor = edited.flightPointsColor;
    m_working.flightPointsRadius = edited.flightPointsRadius;
    m_qualityEdited = true;
    m_quality = quality;
    m_limit = limit;
}

void CSpecialPictureModel::Accept(CProjectObject& target, CSettingsStore& projectSettings) const {
    target.panoramaScrolling = PanoramaOn();
    target.panoramaScrollingType = PanoramaType();
    target.pictureMove = PictureMoveOn();
    target.pictureMoveSettings = m_working.pictureMoveSettings;
    target.flightPoints = m_working.flightPoints;
    target.flightPointsColor = m_working.flightPointsColor;
    target.flightPointsRadius = m_working.flightPointsRadius;
    if (m_qualityEdited) {
        projectSettings.SetString("PROJECT_SETTINGS", "PictureMove_Quality", m_quality);
        projectSettings.SetString("PROJECT_SETTINGS", "PictureMove_ScaleLimit", m_limit);
    }
}

}  // namespace trov
