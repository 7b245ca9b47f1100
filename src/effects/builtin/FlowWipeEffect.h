// "Flow-Wipe-Effect": B flows down over A from the top with a wavy, moving edge.
#pragma once

#include <vector>

#include "effects/BuiltinEffect.h"

namespace trov {

class CFlowWipeEffect : public CBuiltinEffect {
public:
    CFlowWipeEffect();

    // The parameter set of the next Prepare: 1 or 2; 0 (the default) draws it at random.
    void SetParameterSet(int set) { m_forcedSet = set; }
    int GetParameterSet() const { return m_set; }

protected:
    void PrepareFrames() override;
    void DrawFrame(int k) override;

private:
    double Wave(int x, int k) const;

    int m_forcedSet = 0;
    int m_set = 1;
    double m_phase[5] = {}, m_amplitude[5] = {}, m_speed[5] = {}, m_frequency[5] = {};
    int m_m0 = 0;
    double m_step = 0.0;
};

}  // namespace trov
