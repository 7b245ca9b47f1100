// Couverts: triangles of B grow from the edges like the flaps of an envelope.
#pragma once

#include "effects/BuiltinEffect.h"

namespace trov {

// Types: 1 "Couvert (Horizontal)" (flaps from the left and right edges), 2 "Couvert (Vertical)"
// (from the bottom and top), 3 "Couvert (Cross-In)" (all four), 4 "Couvert (Cross-Out)" (A's four
// flaps fold back from the centre, uncovering B).
class CCouvertEffect : public CBuiltinEffect {
public:
    explicit CCouvertEffect(int type);

protected:
    void DrawFrame(int k) override;

private:
    void DrawSideFlaps(const CPicture& flap, double e);
    void DrawEndFlaps(const CPicture& flap, double e);
    int m_type;
};

}  // namespace trov
