// A turns over like a page from one edge and uncovers B: the page bends around a cylinder that
// travels across the picture. The base of "Page-Roll" (small cylinder: the page rolls up, its
// back outside) and "Page-Flip" (a cylinder of half the picture: the page bends up and over).
#pragma once

#include <vector>

#include "effects/BuiltinEffect.h"

namespace trov {

class CPageTurnEffect : public CBuiltinEffect {
public:
    // Direction by type: 1 left to right, 2 right to left, 3 bottom to top, 4 top to bottom.
    int GetType() const { return m_type; }
    // Radius of the cylinder of the current transition (after Init).
    int GetRadius() const { return m_radius; }
    // The angle table: for offset i in -radius ... radius the angle in degrees at which the
    // cylinder's surface is seen there, atan(i / sqrt(radius^2 - i^2)) (+-90 at the ends).
    const std::vector<double>& GetAngles() const { return m_angles; }

protected:
    CPageTurnEffect(const std::string& name, int type, bool flip);

    void PrepareFrames() override;
    void DrawFrame(int k) override;
    void FreeBuffers() override;

private:
    // What one position u across the direction of travel shows.
    struct Column {
        uint8_t kind;     // 0 B, 1 front of A, 2 back of A
        int source;       // position in A or B along the direction of travel
        uint16_t bright;  // brightness in 1/256
    };
    void PlanColumns(double p, int length);
    void DrawHorizontal(bool mirrored);
    void DrawVertical(bool mirrored);

    int m_type;
    bool m_flip;
    int m_radius = 0;
    std::vector<double> m_angles;
    std::vector<Column> m_columns;
};

}  // namespace trov
