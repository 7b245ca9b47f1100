// CAVIContainer: one movie file, opened for reading or created for writing, with its streams.
//
// Writing order used by the creation:
//   CreateFile(path); v = CreateVideoStream(header, 1.0, fps); v->CreateCompressedStream(...);
//   AddStream(v) -> 0; [a = CreateAudioStream(waveFormat); AddStream(a) -> 1;]
//   WriteFrame / PasteStreams(part's video stream, 0, 0, length) ...; WriteAudio(block) ...; Close().
// The output container follows the file extension: ".avi" (default; OpenDML, so files beyond 2 GB
// work), ".mkv", ".mp4", ".mov". Streams are written in the file in the order they were added;
// the file header is written when the first sample arrives, so every stream must be added before.
// All video is written before the audio (the chunks are not interleaved).
//
// A container and its streams are used by one thread at a time.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "imaging/Picture.h"
#include "video/AVIStream.h"
#include "video/VideoTypes.h"

namespace trov {

class CPasteSession;

class CAVIContainer {
public:
    CAVIContainer();
    ~CAVIContainer();
    CAVIContainer(const CAVIContainer&) = delete;
    CAVIContainer& operator=(const CAVIContainer&) = delete;

    // Closes any previous file, then opens an existing movie file for reading and attaches every
    // stream (index order of the file), recording the first video and first audio stream. On
    // failure the container stays closed and, with reportFailure, the message
    // "Failed to open AVI File: " + path is shown. Picture files and other non-movie inputs fail.
    bool Open(const std::string& path, bool reportFailure);
    // The same for a movie held in memory; `name` stands for the path in messages and GetFileName.
    // The bytes are not copied: they must stay unchanged until the container is closed.
    bool OpenMemory(const uint8_t* data, size_t size, const std::string& name, bool reportFailure);

    // Closes any previous file, deletes an existing file of that name and creates a new one for
    // writing. On failure logs "CAVIContainer::CreateFile: Creating AVI with AVIFileOpen failed: " +
    // the explanation and returns false (IsOpen is true in either case, as the creation expects).
    bool CreateFile(const std::string& path);

    // Writing: flushes the encoders, completes and closes the file. Reading: closes the file.
    // Deletes every stream, empties the name, sets both first indices to -1. Returns false when a
    // written file could not be completed (GetLastError says why). Also run by the destructor.
    bool Close();

    bool IsOpen() const { return m_open; }
    bool IsWriting() const;
    const std::string& GetFileName() const { return m_fileName; }
    int GetFirstVideoStreamIndex() const { return m_firstVideo; }
    int GetFirstAudioStreamIndex() const { return m_firstAudio; }
    int GetStreamCount() const { return m_streamCount; }
    // The stream at index, or null.
    CAVIStream* GetStream(int index);

    // A new video stream in the file being written, for frames of header's size, at rate / scale
    // frames per second. With scale 1.0 a fractional rate is made integral by multiplying rate and
    // scale by 10 (25 -> 25/1, 29.97 -> 2997/100, 12.5 -> 125/10). Null on failure (not writing,
    // rate not positive, size unusable). Owned by the caller until AddStream.
    std::unique_ptr<CAVIStream> CreateVideoStream(const BitmapInfoHeader& header, double scale, double rate);
    // A new audio stream for a wave format record (18 bytes + extra bytes, as SWaveFormat::ToBytes
    // gives it): scale = block alignment, rate = bytes per second, sample size = block alignment.
    // Null when not writing, the record is short, or the container cannot hold that format.
    std::unique_ptr<CAVIStream> CreateAudioStream(const std::vector<uint8_t>& waveFormat);

    // Takes the stream, stores it at index = number of streams, updates the first video / audio
    // index, returns the index. -1 (stream not taken) for a null stream, a stream of another file,
    // or after samples have been written (the file header is fixed by then).
    int AddStream(std::unique_ptr<CAVIStream> stream);

    // Copies samples [firstSample, endSample) of `source` (a stream of a file open for reading)
    // onto the end of the stream at targetIndex of this file, compressed data and key-frame flags
    // unchanged, never decoding. endSample is clipped to the source length. Video: the target's
    // encoder is flushed first and a new encoder takes any later frames, so the next written frame is
    // a key frame. Audio: moved in 32 KB steps (PCM) or packet by packet (frame-based codecs).
    // False when there is no such target, the kinds differ, the source is not video or audio, or the
    // two streams' codecs or sizes differ (pasting them would corrupt the movie).
    bool PasteStreams(CAVIStream& source, int targetIndex, int firstSample, int endSample);

    // Appends an encoded audio block to the stream at targetIndex (-1 = the first audio stream).
    bool WriteAudio(const EncodedAudio& audio, int targetIndex = -1);

    // Why the last failing operation failed (empty when nothing failed).
    const std::string& GetLastError() const { return m_lastError; }

    // The integral rate and scale CreateVideoStream stores. False for a rate or scale that gives no
    // usable values.
    static bool ComputeRateScale(double scale, double rate, uint32_t& outScale, uint32_t& outRate);

private:
    friend class CAVIStream;

    void Reset();
    // Opens the demuxer (over reader's memory context when it has one) and attaches the streams.
    bool OpenReader(const std::string& path, std::shared_ptr<AVIReadState> reader, bool reportFailure);
    // PasteStreams' steps (AVIPaste.cpp): the target when source can be pasted into it (else null,
    // with the reason in GetLastError), and the copying of video and of audio samples [first, end).
    CAVIStream* PasteTarget(CAVIStream& source, int targetIndex);
    bool PasteVideo(CAVIStream& source, CAVIStream& target, CPasteSession& session, int64_t first,
                    int64_t end);
    bool PasteAudio(CAVIStream& source, CAVIStream& target, CPasteSession& session, int64_t first,
                    int64_t end);

    bool m_open = false;
    std::string m_fileName;
    int m_streamCount = 0;
    std::map<int, std::unique_ptr<CAVIStream>> m_streams;
    int m_firstVideo = -1;
    int m_firstAudio = -1;
    std::string m_lastError;
    std::shared_ptr<AVIReadState> m_reader;
    std::shared_ptr<AVIWriteState> m_writer;
};

}  // namespace trov
