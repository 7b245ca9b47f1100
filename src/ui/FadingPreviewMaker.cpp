// The fading-effects preview files (see the header).
#include "ui/FadingPreviewMaker.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <thread>

#include "effects/FadingEffect.h"
#include "effects/FadingEffectManager.h"
#include "imaging/PictureTools.h"
#include "infra/FatalReport.h"
#include "infra/Log.h"
#include "infra/MessagePipelines.h"
#include "video/AVIContainer.h"

namespace trov {

namespace fs = std::filesystem;

std::string FadingPreviewFolder(const std::string& programDirectory) {
    return (fs::path(programDirectory) / fadingpreview::kFolder).string();
}

std::string FadingPreviewFileName(const std::string& effectName) {
    std::string file = effectName;
    std::replace(file.begin(), file.end(), '/', '_');
    return file + ".avi";
}

std::string FadingPreviewPath(const std::string& programDirectory, const std::string& effectName) {
    return (fs::path(FadingPreviewFolder(programDirectory)) / FadingPreviewFileName(effectName)).string();
}

namespace {

// A big white letter in the middle of the picture.
void DrawLetter(CDibPicture& picture, const char* letter) {
    CaptionSettings caption;
    caption.text = letter;
    caption.textColour = MakeColour(255, 255, 255);
    caption.backWidth = 0;
    LogFont font;
    font.height = -picture.GetHeight() / 2;
    font.width = 0;
    font.weight = 700;
    CPictureTools tools;
    // Unknown positions are centred; 0 names none of the nine.
    tools.DrawCaption(&picture, &caption, &font, 0);
}

}  // namespace

std::unique_ptr<CDibPicture> MakeRampPictureA(int width, int height) {
    CPictureTools tools;
    auto picture = tools.CreatePicture(width, height);
    if (!picture) return nullptr;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const auto v = static_cast<uint8_t>(x * 255 / width);
            picture->SetPixel(x, y, v, v, v);
        }
    DrawLetter(*picture, "A");
    return picture;
}

std::unique_ptr<CDibPicture> MakeRampPictureB(int width, int height) {
    CPictureTools tools;
    auto picture = tools.CreatePicture(width, height);
    if (!picture) return nullptr;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            // The components are ints; the setter keeps their low byte.
            const int r = 255 - x * 255 / height;
            const int g = 255 - (width - x) * 255 / height;
            const int b = y * 255 / height;
            picture->SetPixel(x, y, static_cast<uint8_t>(r), static_cast<uint8_t>(g),
                              static_cast<uint8_t>(b));
        }
    DrawLetter(*picture, "B");
    return picture;
}

std::unique_ptr<CDibPicture> FitPreviewPicture(const CPicture& source) {
    if (source.GetWidth() < 1 || source.GetHeight() < 1) return nullptr;
    CPictureTools tools;
    return tools.Resize(&source, fadingpreview::kWidth, fadingpreview::kHeight, true);
}

std::unique_ptr<CDibPicture> MakeNotCreatedPicture() {
    CPictureTools tools;
    auto picture =
        tools.CreatePicture(fadingpreview::kWidth, fadingpreview::kHeight, MakeColour(100, 100, 100));
    if (!picture) return nullptr;
    CaptionSettings caption;
    caption.text = fadingpreview::kNotCreated;
    caption.textColour = MakeColour(255, 255, 255);
    LogFont font;
    font.height = -13;
    font.width = 0;
    font.weight = 400;
    tools.DrawCaption(picture.get(), &caption, &font, 0);
    return picture;
}

CFadingPreviewMaker::CFadingPreviewMaker(CFadingEffectManager& effects, std::string folder,
                                         CMessagePipelines* pipelines)
    : m_effects(effects), m_folder(std::move(folder)), m_pipelines(pipelines) {}

bool CFadingPreviewMaker::WriteEffectPreview(CFadingEffect& effect, const CPicture& a, const CPicture& b,
                                             const CompressionOptions& options, const std::string& path) {
    bool complete = false;
    RunGuarded("CFadingPreviewMaker::WriteEffectPreview", [&] {
        CAVIContainer avi;
        if (!avi.CreateFile(path)) return;
        BitmapInfoHeader header = *a.GetHeader();
        header.biClrUsed = 0;
        auto stream = avi.CreateVideoStream(header, 1.0, fadingpreview::kFrameRate);
        if (!stream || !stream->CreateCompressedStream(header, &options)) return;
        CAVIStream* video = stream.get();
        if (avi.AddStream(std::move(stream)) < 0) return;
        // The effects' own progress (row by row, from several threads at once) would only make
        // the window's current bar jump; the complete bar counts effects instead.
        CMessagePipelines* own = effect.GetPipelines();
        effect.SetPipelines(nullptr);
        struct Restore {
            CFadingEffect& e;
            CMessagePipelines* p;
            ~Restore() { e.SetPipelines(p); }
        } restore{effect, own};
        effect.Init(&a, &b, m_frames);
        int written = 0;
        for (int k = 0; k < m_frames; ++k) {
            CDibPicture* frame = effect.NextFrame();
            if (!frame || !video->WriteFrame(*frame)) break;
            ++written;
        }
        effect.End();
        complete = avi.Close() && written == m_frames;
        if (!complete) WriteLog("CFadingPreviewMaker: " + effect.GetName() + ": " + avi.GetLastError());
    });
    if (!complete) {
        std::error_code ec;
        fs::remove(path, ec);
    }
    return complete;
}

CFadingPreviewMaker::Result CFadingPreviewMaker::Create(const CPicture& a, const CPicture& b,
                                                        const CompressionOptions& options,
                                                        const std::atomic<bool>* cancel) {
    Result result;
    std::error_code ec;
    fs::create_directories(m_folder, ec);
    const std::vector<CFadingEffect*> effects = m_effects.InRegistrationOrder();
    SendStatus(m_pipelines, fadingpreview::kCaption);
    SendValue(m_pipelines, pipeline::kCurrentProgressComplete, 0);
    SendValue(m_pipelines, pipeline::kMaxProgressComplete, static_cast<int32_t>(effects.size()));

    std::atomic<size_t> next{0};
    std::atomic<int> done{0};
    std::mutex resultMutex;
    // One byte per effect: each thread writes only the entries of its own effects.
    std::vector<char> ok(effects.size(), 0);
    auto work = [&] {
        for (;;) {
            if (cancel && cancel->load()) return;
            const size_t i = next.fetch_add(1);
            if (i >= effects.size()) return;
            CFadingEffect& effect = *effects[i];
            const std::string path = (fs::path(m_folder) / FadingPreviewFileName(effect.GetName())).string();
            ok[i] = WriteEffectPreview(effect, a, b, options, path);
            std::lock_guard lock(resultMutex);
            SendValue(m_pipelines, pipeline::kCurrentProgressComplete, ++done);
        }
    };
    int threads = m_threads > 0 ? m_threads : static_cast<int>(std::thread::hardware_concurrency());
    threads = std::clamp(threads, 1, std::max(1, static_cast<int>(effects.size())));
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t) pool.emplace_back(work);
    work();
    for (std::thread& t : pool) t.join();

    for (size_t i = 0; i < effects.size(); ++i) {
        if (ok[i])
            ++result.written;
        else if (i < next.load())
            result.failed.push_back(effects[i]->GetName());
    }
    result.canceled = cancel && cancel->load() && result.written + result.failed.size() < effects.size();
    return result;
}

}  // namespace trov
