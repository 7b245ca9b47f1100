// trov-effect-sheet: renders a registered effect between two pictures as a contact sheet or a
// frame sequence, and lists the registered effects.
//   trov-effect-sheet --list
//   trov-effect-sheet NAME A B OUT.(bmp|png) [frames] [size WxH]
//   trov-effect-sheet --all A B OUTDIR [frames]        (one sheet per effect)
//   trov-effect-sheet --frames NAME A B PREFIX [frames]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "effects/EffectPixels.h"
#include "effects/EffectSheet.h"
#include "effects/FadingEffectManager.h"
#include "effects/builtin/BuiltinEffects.h"
#include "imaging/PictureTools.h"

using namespace trov;

namespace {

std::unique_ptr<CDibPicture> LoadAt(const std::string& path, int w, int h) {
    CPictureTools tools;
    std::unique_ptr<CPicture> picture = tools.LoadPicture(path, true);
    if (!picture) {
        std::fprintf(stderr, "cannot read picture %s\n", path.c_str());
        return nullptr;
    }
    return tools.Resize(picture.get(), w, h, true);
}

// Writes BMP, or PNG through the ffmpeg program when the name ends in ".png".
bool SaveSheet(CDibPicture& sheet, const std::string& out) {
    const bool png = out.size() > 4 && out.substr(out.size() - 4) == ".png";
    const std::string bmp = png ? out + ".tmp.bmp" : out;
    if (!sheet.SaveFile(bmp)) return false;
    if (!png) return true;
    const std::string command = "ffmpeg -y -v error -i '" + bmp + "' '" + out + "'";
    const bool ok = std::system(command.c_str()) == 0;
    std::filesystem::remove(bmp);
    return ok;
}

std::string SafeFileName(const std::string& name) {
    std::string file;
    for (unsigned char c : name) file += (std::isalnum(c) || c == '-') ? char(c) : '_';
    return file;
}

}  // namespace

int main(int argc, char** argv) {
    CFadingEffectManager manager;
    RegisterBuiltinEffects(manager);
    const std::string first = argc > 1 ? argv[1] : "";
    if (first == "--list") {
        std::fputs(DescribeEffects(manager).c_str(), stdout);
        return 0;
    }
    const int w = 640, h = 360;
    if (first == "--all" && argc >= 5) {
        auto a = LoadAt(argv[2], w, h), b = LoadAt(argv[3], w, h);
        if (!a || !b) return 1;
        const int frames = argc > 5 ? std::atoi(argv[5]) : 24;
        std::filesystem::create_directories(argv[4]);
        for (CFadingEffect* effect : manager.InRegistrationOrder()) {
            CDibPicture sheet;
            if (!RenderEffectSheet(*effect, *a, *b, frames, 12, 4, 240, sheet)) continue;
            SaveSheet(sheet, std::string(argv[4]) + "/" + SafeFileName(effect->GetName()) + ".png");
        }
        return 0;
    }
    if (first == "--frames" && argc >= 6) {
        CFadingEffect* effect = manager.Find(argv[2]);
        auto a = LoadAt(argv[3], w, h), b = LoadAt(argv[4], w, h);
        if (!effect || !a || !b) return 1;
        const int frames = argc > 6 ? std::atoi(argv[6]) : 25;
        std::printf("%d frames written\n", WriteEffectFrames(*effect, *a, *b, frames, argv[5]));
        return 0;
    }
    if (argc >= 5) {
        CFadingEffect* effect = manager.Find(argv[1]);
        if (!effect) {
            std::fprintf(stderr, "no effect named \"%s\" (see --list)\n", argv[1]);
            return 1;
        }
        auto a = LoadAt(argv[2], w, h), b = LoadAt(argv[3], w, h);
        if (!a || !b) return 1;
        const int frames = argc > 5 ? std::atoi(argv[5]) : 24;
        CDibPicture sheet;
        if (!RenderEffectSheet(*effect, *a, *b, frames, 12, 4, 240, sheet) || !SaveSheet(sheet, argv[4]))
            return 1;
        return 0;
    }
    std::fprintf(stderr,
                 "usage: trov-effect-sheet --list | NAME A B OUT.png [frames] | --all A B OUTDIR [frames] |"
                 " --frames NAME A B PREFIX [frames]\n");
    return 2;
}
