// What the special picture settings dialog and its panorama dialog decide: the scratch copy of
// one picture's motion settings, the mutual exclusion of panorama scrolling and picture move, the
// panorama direction the second dialog chooses, and what OK hands back to the project.
#pragma once

#include <string>
#include <vector>

#include "project/ProjectObject.h"
#include "settings/SettingsStore.h"

namespace trov {

class CTROVManager;

namespace specialpic {
inline constexpr const char* kTemp = "TEMP";
inline constexpr const char* kPanorama = "PanoramaScrolling";
inline constexpr const char* kPanoramaType = "PanoramaScrollingType";
inline constexpr const char* kPictureMove = "PictureMove";
inline constexpr const char* kVideoRefused = "Sorry! Special settings are not available for videos!";
}  // namespace specialpic

// One button of the panorama dialog: its language key and the direction code it stores.
struct SPanoramaDirection {
    const char* key;
    int code;
};
// "Left2Right" 1, "Right2Left" 2, "Top2Bottom" 3, "Bottom2Top" 4.
const std::vector<SPanoramaDirection>& PanoramaDirections();
// The code of a direction button's key; -1 when it names none.
int PanoramaDirectionCode(const std::string& key);

// Which object the command opens for: the first selected one. -1 with no selection; -1 and the
// refusal text in message for a video (or an index that names no object).
int SpecialPictureTarget(const CTROVManager& manager, const std::vector<int>& selectedObjects,
                         std::string& message);

class CSpecialPictureModel {
public:
    // The scratch store "TEMP" receives the object's panorama and picture-move switches and its
    // direction; the object is copied and stays the working copy until Accept.
    explicit CSpecialPictureModel(const CProjectObject& object);

    CSettingsStore& Store() { return m_store; }
    const CSettingsStore& Store() const { return m_store; }
    // The working copy: the picture-move editor edits its positions and flight points.
    CProjectObject& Working() { return m_working; }
    const CProjectObject& Working() const { return m_working; }

    // A click on "Panorama Scrolling": picture move off, panorama toggled.
    void ClickPanorama();
    // A click on "Picture Move": panorama off, picture move toggled.
    void ClickPictureMove();
    bool PanoramaOn() const;
    bool PictureMoveOn() const;
    // The stored direction code (-1 when none was chosen).
    int PanoramaType() const;

    // The panorama dialog ended. A code of 1..4 is the chosen direction; anything else (Cancel)
    // keeps the previous one. The working copy's panorama state then follows the scratch store.
    void PanoramaDialogEnded(int code);

    // The picture-move editor was confirmed: its data go into the working copy, its quality values
    // are kept for Accept.
    void PictureMoveEdited(const CProjectObject& edited, const std::string& quality,
                           const std::string& limit);
    bool HasPendingQuality() const { return m_qualityEdited; }

    // OK: the scratch store's switches and the working copy's motion data go into target; edited
    // quality values into the project settings. Cancel is simply not calling this.
    void Accept(CProjectObject& target, CSettingsStore& projectSettings) const;

private:
    void SyncPanorama();

    CSettingsStore m_store;
    CProjectObject m_working;
    bool m_qualityEdited = false;
    std::string m_quality;
    std::string m_limit;
};

}  // namespace trov
