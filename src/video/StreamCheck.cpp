// Reads a movie's packets back to count them.
#include "video/StreamCheck.h"

#include "video/FfmpegSupport.h"

namespace trov {

int CountVideoPackets(const std::string& path, std::string* error) {
    ffmpeg::InitLogging();
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return -1;
    };
    AVFormatContext* raw = nullptr;
    int r = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
    if (r < 0) return fail("cannot open " + path + ": " + ffmpeg::ErrorText(r));
    ffmpeg::InputPtr input(raw);
    r = avformat_find_stream_info(input.get(), nullptr);
    if (r < 0) return fail("cannot read " + path + ": " + ffmpeg::ErrorText(r));
    const int video = av_find_best_stream(input.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (video < 0) return fail(path + " has no video stream");
    ffmpeg::PacketPtr packet(av_packet_alloc());
    if (!packet) return fail("out of memory");
    int count = 0;
    for (;;) {
        r = av_read_frame(input.get(), packet.get());
        if (r == AVERROR_EOF) break;
        if (r < 0)
            return fail("cannot read " + path + " after packet " + std::to_string(count) + ": " +
                        ffmpeg::ErrorText(r));
        if (packet->stream_index == video) ++count;
        av_packet_unref(packet.get());
    }
    return count;
}

}  // namespace trov
