// The container table: what AVI, MKV, MP4 and MOV files can hold, and the refusal message.
#include "video/ContainerCodecs.h"

#include <algorithm>
#include <cstdio>

#include "video/VideoCodecs.h"
#include "video/VideoTypes.h"

namespace trov {

namespace {

// Per video codec (canonical FOURCC of VideoCodecs.cpp) and per audio tag: the containers that
// hold it, as verified by writing and decoding every pair. MP4 has no registered code for the
// Microsoft MPEG-4 variants, FFV1, HuffYUV, Ut Video or raw pictures, nor (in this FFmpeg) for
// PCM; Matroska stores raw RGB only through a VfW code FFmpeg refuses to write.
struct SVideoRow {
    const char* fourCC;
    const char* shortName;
    bool avi, mkv, mp4, mov;
};
const SVideoRow kVideoRows[] = {
    {"H264", "H.264", true, true, true, true},
    {"MJPG", "Motion JPEG", true, true, true, true},
    {"FMP4", "MPEG-4 Part 2", true, true, true, true},
    {"MP43", "MS MPEG-4 v3", true, true, false, true},
    {"MP42", "MS MPEG-4 v2", true, true, false, true},
    {"FFV1", "FFV1", true, true, false, true},
    {"HFYU", "HuffYUV", true, true, false, true},
    {"FFVH", "HuffYUV (FFmpeg variant)", true, true, false, true},
    {"ULRG", "Ut Video", true, true, false, true},
    {"MPNG", "PNG", true, true, true, true},
    {"DIB ", "Uncompressed video", true, false, false, true},
};

struct SAudioRow {
    uint16_t tag;
    const char* name;
    bool avi, mkv, mp4, mov;
};
const SAudioRow kAudioRows[] = {
    {0x0001, "PCM", true, true, false, true},         {0x0055, "MPEG Layer-3", true, true, true, true},
    {0x0050, "MPEG Layer-2", true, true, true, true}, {0x2000, "AC-3", true, true, true, true},
    {0x00FF, "AAC", true, true, true, true},
};

template <typename Row>
bool Holds(const Row& row, const std::string& muxer) {
    if (muxer == "avi") return row.avi;
    if (muxer == "matroska") return row.mkv;
    if (muxer == "mp4") return row.mp4;
    if (muxer == "mov") return row.mov;
    return false;
}

const SVideoRow* FindVideoRow(uint32_t fourCC) {
    // Aliases ("XVID", "DIV3", 0 for uncompressed) name the same encoder.
    if (const VideoEncoderInfo* info = FindVideoEncoder(fourCC)) fourCC = info->fourCC;
    if (fourCC == 0) fourCC = FourCCFromString("DIB ");
    for (const SVideoRow& row : kVideoRows)
        if (FourCCFromString(row.fourCC) == fourCC) return &row;
    return nullptr;
}

const SAudioRow* FindAudioRow(uint16_t tag) {
    for (const SAudioRow& row : kAudioRows)
        if (row.tag == tag) return &row;
    return nullptr;
}

// "a", "a or b", "a, b or c".
std::string OrList(const std::vector<std::string>& items) {
    std::string text;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0) text += i + 1 == items.size() ? " or " : ", ";
        text += items[i];
    }
    return text;
}

}  // namespace

const std::vector<SOutputContainer>& OutputContainers() {
    static const std::vector<SOutputContainer> list = {
        {"AVI", ".avi", "avi"},
        {"MKV", ".mkv", "matroska"},
        {"MP4", ".mp4", "mp4"},
        {"MOV", ".mov", "mov"},
    };
    return list;
}

const SOutputContainer& OutputContainerForPath(const std::string& path) {
    const std::string muxer = ContainerForPath(path);
    for (const SOutputContainer& c : OutputContainers())
        if (c.muxer == muxer) return c;
    return OutputContainers().front();
}

const std::vector<SOutputAudioFormat>& OutputAudioFormats() {
    static const std::vector<SOutputAudioFormat> list = [] {
        std::vector<SOutputAudioFormat> formats;
        for (const SAudioRow& row : kAudioRows) formats.push_back({row.tag, row.name});
        return formats;
    }();
    return list;
}

bool ContainerHoldsVideo(const std::string& muxer, uint32_t fourCC) {
    const SVideoRow* row = FindVideoRow(fourCC);
    return row && Holds(*row, muxer);
}

bool ContainerHoldsAudio(const std::string& muxer, uint16_t formatTag) {
    const SAudioRow* row = FindAudioRow(formatTag);
    return row && Holds(*row, muxer);
}

bool ContainerTrimsEncoderDelay(const std::string& muxer) {
    return muxer == "mp4" || muxer == "mov";
}

std::string VideoCodecShortName(uint32_t fourCC) {
    const SVideoRow* row = FindVideoRow(fourCC);
    return row ? row->shortName : std::string();
}

std::string CheckOutputCombination(const std::string& outputPath, uint32_t videoFourCC,
                                   uint16_t audioFormatTag) {
    const SOutputContainer& container = OutputContainerForPath(outputPath);
    const SVideoRow* video = FindVideoRow(videoFourCC);
    const SAudioRow* audio = audioFormatTag ? FindAudioRow(audioFormatTag) : nullptr;
    if (!video) return "The video codec \"" + FourCCToString(videoFourCC) + "\" cannot be written.";
    if (audioFormatTag && !audio) {
        char tag[16];
        std::snprintf(tag, sizeof tag, "0x%04X", unsigned(audioFormatTag));
        return std::string("The audio format ") + tag + " cannot be written.";
    }
    const bool videoFits = Holds(*video, container.muxer);
    const bool audioFits = !audio || Holds(*audio, container.muxer);
    if (videoFits && audioFits) return {};

    // Other containers that take the whole combination.
    std::vector<std::string> containers;
    for (const SOutputContainer& c : OutputContainers())
        if (c.muxer != container.muxer && Holds(*video, c.muxer) && (!audio || Holds(*audio, c.muxer)))
            containers.push_back(c.extension);
    std::string what;
    if (!videoFits && !audioFits)
        what = std::string(video->shortName) + " video and " + audio->name + " audio";
    else if (!videoFits)
        what = video->shortName;
    else
        what = std::string(audio->name) + " audio";
    std::string text = what + " cannot be stored in " + container.name;
    if (!containers.empty()) text += "; use " + OrList(containers);
    if (videoFits && !audioFits) {
        // Keeping the container is an answer too: the audio formats it takes.
        std::vector<std::string> formats;
        for (const SAudioRow& row : kAudioRows)
            if (Holds(row, container.muxer)) formats.push_back(row.name);
        if (!formats.empty())
            text += std::string(containers.empty() ? "; use " : ", or ") + OrList(formats) + " audio";
    }
    return text;
}

}  // namespace trov
