// Init of the fading effect interface: report, store the pictures, prepare.
#include "effects/FadingEffect.h"

namespace trov {

void CFadingEffect::Init(const CPicture* pictureA, const CPicture* pictureB, int frameCount) {
    SendStatus(m_pipelines, "Initializing Effect: " + m_name + " ...");
    m_pictureA = pictureA;
    m_pictureB = pictureB;
    m_currentFrame = 0;
    m_frameCount = frameCount;
    Prepare(frameCount);
    SendStatus(m_pipelines, "Initialized!");
}

}  // namespace trov
