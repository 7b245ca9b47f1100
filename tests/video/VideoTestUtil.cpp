// Helpers of the video tests.
#include "VideoTestUtil.h"

#include <sys/wait.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "video/VideoCodecs.h"

namespace trov::test {

int FrameIdOf(const BitmapInfoHeader* frame) {
    if (!frame || frame->biWidth < 6 || frame->biHeight < 3) return -1;
    const uint8_t* bits = reinterpret_cast<const uint8_t*>(frame) + 40;
    const int w = frame->biWidth, h = frame->biHeight, stride = CPicture::StrideFor(w);
    const int bitRows = std::max(1, h / 3);
    int id = 0;
    for (int bit = 0; bit < 6; ++bit) {
        // The middle of each block, away from edges that lossy codecs smear.
        int x0 = (bit * w + 5) / 6, x1 = ((bit + 1) * w) / 6;
        int xa = x0 + (x1 - x0) / 4, xb = std::max(xa + 1, x1 - (x1 - x0) / 4);
        int ya = bitRows / 4, yb = std::max(ya + 1, bitRows - bitRows / 4);
        double sum = 0;
        int n = 0;
        for (int y = ya; y < yb; ++y)
            for (int x = xa; x < xb; ++x, ++n) sum += bits[size_t(y) * stride + 3 * x + 1];
        if (n && sum / n > 128) id |= 1 << bit;
    }
    return id;
}

double MeanAbsDiff(const BitmapInfoHeader* frame, const CPicture& picture) {
    if (!frame || frame->biWidth != picture.GetWidth() || frame->biHeight != picture.GetHeight()) return -1;
    const uint8_t* bits = reinterpret_cast<const uint8_t*>(frame) + 40;
    int stride = CPicture::StrideFor(frame->biWidth);
    double sum = 0;
    for (int y = 0; y < frame->biHeight; ++y) {
        const uint8_t* a = bits + size_t(y) * stride;
        const uint8_t* b = picture.GetRow(y);
        for (int i = 0; i < 3 * frame->biWidth; ++i) sum += std::abs(int(a[i]) - int(b[i]));
    }
    return sum / (3.0 * frame->biWidth * frame->biHeight);
}

CompressionOptions Options(const char* fourCC, uint32_t quality, const std::string& state) {
    CompressionOptions o;
    o.fccHandler = FourCCFromString(fourCC);
    o.dwQuality = quality;
    o.SetStateText(state);
    return o;
}

CompressionOptions WriteMovie(const std::string& path, const CompressionOptions& options, int width,
                              int height, double fps, int count, int firstId) {
    CAVIContainer out;
    if (!out.CreateFile(path)) return {};
    auto first = PatternFrame(width, height, firstId);
    auto video = out.CreateVideoStream(*first->GetHeader(), 1.0, fps);
    if (!video || !video->CreateCompressedStream(*first->GetHeader(), &options)) return {};
    CompressionOptions used = video->GetOptions();
    if (out.AddStream(std::move(video)) != 0) return {};
    for (int i = 0; i < count; ++i) {
        auto frame = PatternFrame(width, height, firstId + i);
        if (!out.GetStream(0)->WriteFrame(*frame)) return {};
    }
    if (!out.Close()) return {};
    return used;
}

int RunCommand(const std::string& command, std::string& output) {
    output.clear();
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return -1;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), pipe)) > 0) output.append(buffer, n);
    int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string DecodeErrors(const std::string& path) {
    std::string output;
    int rc = RunCommand("ffmpeg -nostdin -v error -i '" + path + "' -f null -", output);
    if (rc != 0 && output.empty()) output = "ffmpeg exit status " + std::to_string(rc);
    return output;
}

std::string ProbeStream(const std::string& path, int stream, const std::string& entry) {
    std::string output;
    RunCommand("ffprobe -v error -select_streams " + std::to_string(stream) +
                   " -show_entries stream=" + entry + " -of default=nw=1:nk=1 '" + path + "'",
               output);
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
    return output;
}

int ProbeCountedFrames(const std::string& path) {
    std::string output;
    RunCommand(
        "ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames "
        "-of default=nw=1:nk=1 '" +
            path + "'",
        output);
    return output.empty() ? -1 : std::atoi(output.c_str());
}

std::vector<int> ProbeKeyFrames(const std::string& path) {
    std::string output;
    RunCommand("ffprobe -v error -select_streams v:0 -show_entries packet=flags -of csv=p=0 '" + path + "'",
               output);
    std::vector<int> keys;
    std::istringstream lines(output);
    std::string line;
    int index = 0;
    while (std::getline(lines, line)) {
        if (line.empty()) continue;
        if (line.find('K') != std::string::npos) keys.push_back(index);
        ++index;
    }
    return keys;
}

CRecordingPrompt::CRecordingPrompt() : m_previous(&GetUserPrompt()) {
    SetUserPrompt(this);
}

CRecordingPrompt::~CRecordingPrompt() {
    SetUserPrompt(m_previous);
}

PromptAnswer CRecordingPrompt::Ask(const std::string& text, const std::string& caption, PromptButtons,
                                   PromptAnswer defaultAnswer) {
    texts.push_back(text);
    captions.push_back(caption);
    if (answers.empty()) return defaultAnswer;
    PromptAnswer a = answers.front();
    answers.erase(answers.begin());
    return a;
}

std::vector<std::string> OfferedCodes() {
    std::vector<std::string> codes;
    for (const VideoEncoderInfo& e : AvailableVideoEncoders()) codes.push_back(e.fourCCText);
    return codes;
}

std::string Printable(const ::testing::TestParamInfo<std::string>& info) {
    std::string name;
    for (char c : info.param)
        if (std::isalnum(static_cast<unsigned char>(c))) name += c;
    return name;
}

}  // namespace trov::test
