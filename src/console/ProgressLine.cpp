#include "console/ProgressLine.h"

#include <algorithm>
#include <cstdio>

namespace halyard {

namespace {

int Percent(const ProgressState& state)
{
    if (state.nSteps > 0)
        return std::clamp(state.nStep, 0, state.nSteps) * 100 / state.nSteps;
    const int nLimit = std::max(state.nLimit, 1);
    return std::clamp(state.nTicks, 0, nLimit) * 100 / nLimit;
}

// Ticks still to come.
int TicksLeft(const ProgressState& state)
{
    if (state.nSteps <= 0)
        return std::max(state.nLimit - state.nTicks, 0);
    const int nStep = std::clamp(state.nStep, 0, state.nSteps);
    if (nStep == 0)
        return std::max(state.nLimit - state.nTicks, 0);
    return static_cast<int>(static_cast<long long>(state.nTicks) * (state.nSteps - nStep) / nStep);
}

std::string TimeLeft(const ProgressState& state)
{
    const int nSeconds = TicksLeft(state) / 2;
    char szText[32];
    std::snprintf(szText, sizeof(szText), "about %d:%02d left", nSeconds / 60, nSeconds % 60);
    return szText;
}

}  // namespace

std::string ProgressBarLine(const ProgressState& state, int nWidth)
{
    const int nFilled = Percent(state) * nWidth / 100;
    char szText[64];
    std::snprintf(szText, sizeof(szText), "] %3d%%  step %d  ", Percent(state), state.nStep);
    return state.strTitle + " [" + std::string(static_cast<size_t>(nFilled), '#') +
           std::string(static_cast<size_t>(nWidth - nFilled), '.') + szText + TimeLeft(state);
}

std::string ProgressPlainLine(const ProgressState& state)
{
    char szText[64];
    std::snprintf(szText, sizeof(szText), ": %d%% (step %d), ", Percent(state), state.nStep);
    return state.strTitle + szText + TimeLeft(state);
}

int ProgressTenth(const ProgressState& state)
{
    return Percent(state) / 10;
}

}  // namespace halyard
