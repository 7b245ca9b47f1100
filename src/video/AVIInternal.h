// Internal to the video layer: the FFmpeg state behind CAVIContainer and CAVIStream.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "video/AVIContainer.h"
#include "video/AVIStream.h"
#include "video/FfmpegSupport.h"

namespace trov {

// The file being written. Shared by the container and the streams it made, so that a stream that
// outlives its container's file only finds it finished.
struct AVIWriteState {
    AVFormatContext* out = nullptr;
    std::string muxer;
    bool headerWritten = false;
    bool headerFailed = false;
    bool finished = false;
    // Set by the first sample handed over (the encoder may still hold it): the stream list is fixed.
    bool sealed = false;
    std::vector<CAVIStream*> streams;  // added streams, in index order

    ~AVIWriteState();
    // Creates the file's streams from the added ones and writes the file header (once).
    bool EnsureHeader(std::string& error);
};

// The file being read.
struct AVIReadState {
    ffmpeg::InputPtr input;
    // Reading from memory (OpenMemory): the caller's bytes and the I/O context over them.
    const uint8_t* memoryData = nullptr;
    size_t memorySize = 0;
    size_t memoryPos = 0;
    AVIOContext* memoryIo = nullptr;
    bool isAvi = false;
    // The stream whose reading position the demuxer currently holds (-1: none). A stream that
    // finds another owner must seek before it reads on.
    int owner = -1;
    // Samples per stream counted by reading an AVI file through (files without a usable index);
    // empty when the index was used.
    std::vector<int64_t> scannedLengths;

    ~AVIReadState();
};

struct CAVIStream::Impl {
    // ---- writing ----
    std::shared_ptr<AVIWriteState> writer;
    bool added = false;
    ffmpeg::ParametersPtr params;  // what the file's stream will be made with
    AVStream* out = nullptr;       // the file's stream, once the header is written
    AVRational unit{1, 1};         // unit of our positions: one frame (video), one sample frame (audio)
    int64_t nextUnit = 0;          // position of the next chunk, in `unit`
    // video
    int width = 0, height = 0;
    ffmpeg::VideoEncoder encoder;
    bool encoderReady = false;        // CreateCompressedStream succeeded
    bool encoderNeedsReopen = false;  // flushed for a paste: a fresh encoder takes the next frame
    int64_t encoderPts = 0;
    ffmpeg::SwsPtr sws;
    // The encoder's input: `frame` is the one being filled, one of `inputFrames`. An encoder with
    // frame threads still holds the frames sent before it, so each frame takes one it has let go of.
    AVFrame* frame = nullptr;
    std::vector<ffmpeg::FramePtr> inputFrames;
    ffmpeg::FramePtr staging;  // padded top-down BGR copy of the bitmap
    ffmpeg::PacketPtr packet;
    // Repeating the last frame without encoding it (intra-only codecs): the packet of encoder frame
    // `repeatPts` is kept once written; repeats asked for while it is still in the encoder wait in
    // `pendingRepeats` (encoder pts, count) until it comes out.
    bool intraOnly = false;
    ffmpeg::PacketPtr lastPacket;
    int64_t repeatPts = -1;
    int64_t drainedPts = -1;
    std::vector<std::pair<int64_t, int>> pendingRepeats;
    // audio
    int blockAlign = 0;
    bool pcm = false;  // sample-size based (PCM): chunk = whole blocks
    int sampleRate = 0;

    // ---- reading ----
    std::shared_ptr<AVIReadState> reader;
    AVStream* in = nullptr;
    AVRational frameDuration{1, 25};  // seconds per frame (video)
    int64_t startTs = 0;
    int64_t length = 0;
    ffmpeg::CodecContextPtr decoder;
    bool decoderFailed = false;
    int64_t nextFrame = -1;  // frame number the decoder gives next; -1 = unknown
    bool draining = false;
    int lastFrame = -1;
    std::vector<uint8_t> frameBuffer;  // header + pixels of the last decoded frame
    ffmpeg::SwsPtr readSws;
    ffmpeg::FramePtr rgb;  // padded BGR conversion target
    ffmpeg::FramePtr decoded;
    ffmpeg::PacketPtr readPacket;

    int64_t TsToFrame(int64_t ts) const;
    int64_t FrameToTs(int64_t frame) const;
    // Makes the demuxer deliver only this stream and forgets the decoding position of other streams.
    void TakeDemuxer(int index);
};

// The bitmap header record of a video stream (40 bytes, then `extraSize` codec bytes), as the
// stream's format of a written or a read stream.
std::vector<uint8_t> BitmapFormatBytes(int width, int height, int bits, uint32_t compression,
                                       const uint8_t* extra, int extraSize);

}  // namespace trov
