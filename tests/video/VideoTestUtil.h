// Shared helpers of the video tests: generated frames, writing small movies, running ffprobe/ffmpeg.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/DibPicture.h"
#include "infra/UserPrompt.h"
#include "support/TestPictures.h"
#include "video/AVIContainer.h"
#include "video/VideoTypes.h"

namespace trov::test {

// PatternFrame (support/TestPictures.h) makes the frames these helpers write and read back.
// The id a decoded frame carries (read from its blocks); -1 for frames too small to carry one.
int FrameIdOf(const BitmapInfoHeader* frame);
// Mean absolute difference per byte between a decoded packed frame and a picture (pixels only,
// padding ignored); -1 when the sizes differ.
double MeanAbsDiff(const BitmapInfoHeader* frame, const CPicture& picture);

// Writes frames with ids firstId .. firstId + count - 1 into a new file. Options: encoder choice.
// Returns the options the stream used (empty fccHandler on failure).
CompressionOptions WriteMovie(const std::string& path, const CompressionOptions& options, int width,
                              int height, double fps, int count, int firstId = 0);
CompressionOptions Options(const char* fourCC, uint32_t quality = 9000, const std::string& state = "");

// Runs a shell command; returns its exit status and puts stdout+stderr into output.
int RunCommand(const std::string& command, std::string& output);
// "ffmpeg -v error -i path -f null -": the error text (empty when the file decodes cleanly).
std::string DecodeErrors(const std::string& path);
// ffprobe's value of one stream entry (e.g. "nb_frames", "codec_type", "width") of stream index.
std::string ProbeStream(const std::string& path, int stream, const std::string& entry);
// Number of frames ffprobe counts by decoding the first video stream (-count_frames).
int ProbeCountedFrames(const std::string& path);
// Frame numbers ffprobe marks as key frames in the first video stream.
std::vector<int> ProbeKeyFrames(const std::string& path);

// FourCC texts of the encoders this machine offers, as parameters of tests run for each encoder.
std::vector<std::string> OfferedCodes();
// A test name for such a parameter: its letters and digits.
std::string Printable(const ::testing::TestParamInfo<std::string>& info);

// A user prompt that records what it was asked and answers from a script (then the default).
class CRecordingPrompt : public CUserPrompt {
public:
    CRecordingPrompt();
    ~CRecordingPrompt() override;
    PromptAnswer Ask(const std::string& text, const std::string& caption, PromptButtons buttons,
                     PromptAnswer defaultAnswer) override;
    std::vector<std::string> texts;
    std::vector<std::string> captions;
    std::vector<PromptAnswer> answers;  // consumed front to back

private:
    CUserPrompt* m_previous;
};

}  // namespace trov::test
