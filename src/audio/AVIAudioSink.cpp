// The track sink that writes into an audio stream of the output container.
#include "audio/AudioTrack.h"
#include "video/AVIContainer.h"

namespace trov {

bool CAVIAudioSink::WriteAudio(const EncodedAudio& block) {
    return m_container.WriteAudio(block, m_index);
}

bool CAVIAudioSink::StartEarly(int samples) {
    CAVIStream* stream =
        m_container.GetStream(m_index == -1 ? m_container.GetFirstAudioStreamIndex() : m_index);
    return stream && stream->StartAudioEarly(samples);
}

}  // namespace trov
