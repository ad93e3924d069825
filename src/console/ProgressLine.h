#pragma once
// How halyard-cli shows a long sequence's progress. When the sequence's
// number of steps is known (the dumps), the bar is the step against it and
// the time left is what the steps so far took, for the steps still to come.
// Otherwise it is the progress window's bar: the sequence timer's 500 ms
// ticks up to the number the sequence expects, stopping at its end when the
// sequence takes longer. On a terminal it is a bar redrawn in place;
// otherwise a plain line every tenth.

#include <string>

namespace halyard {

struct ProgressState {
    std::string strTitle;  // "Diagnostics"
    int nTicks = 0;        // ticks so far
    int nLimit = 1;        // ticks the sequence expects
    int nStep = 0;         // the sequence's own step
    int nSteps = 0;        // its last step; 0 when not known
};

// "Diagnostics [#####.....]  45%  step 123  about 6:36 left", nWidth
// characters of bar.
std::string ProgressBarLine(const ProgressState& state, int nWidth = 30);
// "Diagnostics: 40% (step 123), about 6:36 left"
std::string ProgressPlainLine(const ProgressState& state);
// The tenth the progress is in (0 to 10), for when to print a plain line.
int ProgressTenth(const ProgressState& state);

}  // namespace halyard
