// CAVIStream: one stream of an AVI file (or of another container FFmpeg reads), video or audio.
//
// Reading (the stream belongs to a container opened with CAVIContainer::Open): GetFrame decodes
// frames of any codec FFmpeg knows into packed bottom-up 24-bit bitmaps; GetLength/GetFrameRate
// describe the stream; the container's PasteStreams copies its compressed samples.
// Frames read in increasing order are decoded forward without seeking; a jump back or far ahead
// seeks to the nearest key frame at or before the wanted frame.
//
// Writing (the stream was made by CAVIContainer::CreateVideoStream / CreateAudioStream and added
// with AddStream): a video stream gets its encoder with CreateCompressedStream and takes frames with
// WriteFrame; an audio stream takes encoded audio with WriteAudio. Samples are appended in call
// order. The file is complete after CAVIContainer::Close.
//
// A stream is used by one thread at a time (the thread that uses its container).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/Picture.h"
#include "video/VideoCodecs.h"
#include "video/VideoTypes.h"

struct AVPacket;
struct AVStream;

namespace trov {

class CAVIContainer;
struct AVIReadState;   // FFmpeg state of a file being read (video layer internal)
struct AVIWriteState;  // FFmpeg state of a file being written (video layer internal)

class CAVIStream {
public:
    static constexpr int kKindNone = -1;
    static constexpr int kKindVideo = 1;
    static constexpr int kKindAudio = 2;

    CAVIStream();
    ~CAVIStream();
    CAVIStream(const CAVIStream&) = delete;
    CAVIStream& operator=(const CAVIStream&) = delete;

    // ---- writing ----
    // Makes a new raw stream of the kind info.fccType names ("vids"/"auds") in a file being written
    // by `file` and attaches to it. False when the file is not being written or the record is not
    // usable. A failure inside is reported to the fatal-exception report as
    // "CAVIStream::CreateNewStream".
    bool CreateNewStream(CAVIContainer& file, const AVIStreamInfo& info);

    // Sets up the encoder of a video stream for frames of `header`'s format.
    // With options: they are copied and used. Without (null): `chooser` (or, when empty, the
    // process-wide chooser of SetVideoCodecChooser) asks the user; a choice that cannot compress this
    // format raises the "Video Codec Warning!" question (Yes offers the choice again, No/Cancel
    // keep it). In both cases dwKeyFrameEvery becomes the frame rate truncated (one key frame per
    // second, at least 1) and dwFlags becomes kKeyFrameFlag.
    // False when the stream already has an encoder, is not a video stream being written, the user
    // cancels, no encoder exists for the handler (no message), or the encoder refuses the format
    // (then the "Error: TROV can not create a compressed video stream ..." message is shown).
    bool CreateCompressedStream(const BitmapInfoHeader& header, const CompressionOptions* options,
                                const VideoCodecChooser& chooser = {});
    // The options record in use (all zero before CreateCompressedStream).
    const CompressionOptions& GetOptions() const { return m_options; }

    // Compresses and appends one frame: `packed` is a bitmap information header directly followed by
    // the pixels (palette of biClrUsed entries skipped; 24-bit bottom-up rows of 4-byte-aligned
    // stride). The frame must have the size given to CreateCompressedStream. The encoder decides which
    // frames become key frames. False when there is no encoder, the frame does not match, or the
    // file cannot be written (GetLastError says why); the write position advances only on success.
    bool WriteFrame(const BitmapInfoHeader* packed);
    bool WriteFrame(const CPicture& picture);
    // Appends the frame last given to WriteFrame once more by writing its compressed packet again
    // (every frame of an intra-only codec is a key frame that stands alone). False, with nothing
    // written, when the codec is not intra-only, no frame was written since the encoder was set up
    // or since the last paste into this stream, or the file cannot be written.
    bool RepeatLastFrame();
    // Whether RepeatLastFrame can work for this stream's codec.
    bool CanRepeatFrames() const;

    // Appends encoded audio to an audio stream being written (see EncodedAudio for the packet
    // rules). False for a non-audio stream, an empty block or a write failure.
    bool WriteAudio(const EncodedAudio& audio);
    // One chunk of raw bytes (PCM or ADPCM: a whole number of block-alignment units).
    bool WriteAudio(const uint8_t* data, size_t size);
    // Before the first audio block: the stream begins `samples` before the movie's start, and the
    // file tells players to skip them (an edit list). Only containers that can say so
    // (ContainerTrimsEncoderDelay) accept; false otherwise or once audio was written.
    bool StartAudioEarly(int samples);

    // ---- reading ----
    // The decoded frame `frame` (0-based) as a packed bitmap: a 40-byte information header
    // (24 bits, no palette, biHeight > 0) directly followed by bottom-up BGR rows of stride
    // 3 * width rounded up to 4. Owned by the stream, valid until the next GetFrame or Close.
    // Null for a stream that is not video or not being read, a frame outside 0..GetLength()-1, or a
    // frame that cannot be decoded.
    const BitmapInfoHeader* GetFrame(int frame);
    // Whether sample `sample` of a video stream being read is a key frame (false when unknown).
    bool IsKeyFrame(int sample);

    // ---- description ----
    // Samples in the stream: frames for video; for audio, block-alignment units (PCM) or packets.
    int GetLength() const;
    // rate / scale; the rate alone when the scale is 0.
    double GetFrameRate() const;
    int GetKind() const { return m_kind; }
    // The stream format: a 40-byte bitmap information header (+ codec extra data) for video, a wave
    // format record (18 bytes + extra bytes) for audio. Null/0 when not attached.
    const uint8_t* GetFormat() const { return m_format.empty() ? nullptr : m_format.data(); }
    int GetFormatSize() const { return int(m_format.size()); }
    int GetIndex() const { return m_index; }
    // Bytes per sample (PCM block alignment); 0 for video and frame-based audio.
    int GetSampleSize() const { return int(m_info.dwSampleSize); }
    const AVIStreamInfo& GetInfo() const { return m_info; }
    // Frames passed to WriteFrame since the encoder was set up.
    int64_t GetVideoWritePosition() const { return m_videoWritePosition; }
    // Audio samples (GetLength units) written through WriteAudio.
    int64_t GetAudioWritePosition() const { return m_audioWritePosition; }
    // Why the last failing operation failed (empty when nothing failed).
    const std::string& GetLastError() const { return m_lastError; }
    // How often reading had to seek (diagnostics: in-order reading seeks once, at the start).
    int GetSeekCount() const { return m_seekCount; }

    // Releases everything; kind becomes kKindNone and the write positions 0.
    void Close();

    struct Impl;  // FFmpeg state (video layer internal)

private:
    friend class CAVIContainer;
    friend struct AVIWriteState;

    void SetIndex(int index) { m_index = index; }
    bool Fail(const std::string& reason);
    // Writing helpers: one chunk of `units` positions; encoder output to the file.
    bool WritePacket(AVPacket* packet, int64_t units);
    bool DrainEncoder(bool flush);
    bool WriteRepeat();
    bool ConvertForEncoder(const uint8_t* bits, int stride);
    bool FlushForPaste();
    // Reading helpers.
    void AttachInput(const std::shared_ptr<AVIReadState>& reader, AVStream* stream, int index);
    int64_t ComputeLength();
    int64_t KeyFrameAtOrBefore(int64_t frame);
    bool SeekToFrame(int64_t frame);
    bool ConvertDecoded();

    int m_kind = kKindNone;
    int m_index = -1;
    AVIStreamInfo m_info;
    std::vector<uint8_t> m_format;
    CompressionOptions m_options;
    int64_t m_videoWritePosition = 0;
    int64_t m_audioWritePosition = 0;
    int m_seekCount = 0;
    std::string m_lastError;
    std::unique_ptr<Impl> m_impl;
};

}  // namespace trov
