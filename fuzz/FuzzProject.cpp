// Fuzz harness: a project file loaded by the manager into its entries, then each entry's
// picture-move settings and flight points read the way the creation reads them.
#include <fstream>

#include "FuzzSupport.h"
#include "creation/PictureMove.h"
#include "creation/TROVManager.h"
#include "imaging/DibPicture.h"
#include "settings/SettingsStore.h"

using namespace trov;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::QuietProgram();
    // The project lies in an empty folder of its own, so that relative entry paths name nothing.
    const std::string path = fuzz::ScratchDirectory() + "/fuzz.trov";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    }
    CTROVManager manager;
    if (!manager.LoadProject(path)) return 0;

    CDibPicture canvas;
    if (!canvas.Create(48, 27)) return 0;
    for (int i = 0; i < manager.GetObjectCount(); ++i) {
        const CProjectObject* object = manager.GetObject(i);
        (void)object->GetTotalFrames();
        (void)object->GetFontKey();
        if (object->pictureMove) {
            CSettingsStore move;
            if (ParsePictureMoveSettings(object->pictureMoveSettings, move)) {
                for (int j = 0; j <= 4; ++j) (void)PictureMoveFrameRect(move, j, 4, 48, 27);
                (void)PictureMoveScale(1920, 1080, 48, 27, move, 1.0, 4.0);
            }
        }
        CFlightPath flight;
        flight.Setup(object->flightPoints, object->flightPointsColor, object->flightPointsRadius);
        (void)flight.Length(48, 27);
        for (int j = 0; j < 4; ++j) flight.DrawFrame(canvas, j, 4);
    }
    return 0;
}
