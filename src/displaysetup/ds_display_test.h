// The automatic display test: every usable mode of the configured display with the
// aspect ratio of the first is opened and quality-tested in turn, and the mode whose
// chosen quality rates best, weighted by its width, wins.
#pragma once

#include <vector>

#include "display/dp_quality.h"

// Tries every candidate; true when a best mode was found and the test was not
// aborted, and only then are best and (when not null) *quality written: the mode,
// and the quality settings chosen in it. The cursor is hidden meanwhile.
bool RunAutomaticDisplayTest(DisplayMode& best, QualitySettings* quality);

// What testing one candidate gave.
struct DisplayTrial {
    bool aborted;            // Escape or a quit during its quality test
    bool chosen;             // the quality choice succeeded; quality is then its result
    QualitySettings quality;
};
// Opens the candidate, tests it with its slice progressFrom..progressTo of the one
// progress bar, chooses its quality and closes it again.
using DisplayTrialFunction = DisplayTrial (*)(void* context, const DisplayMode& candidate,
                                              double progressFrom, double progressTo);

// The candidates among the usable modes (in their order): the first mode and every
// mode whose height is the first's height x its width / the first's width, in
// unsigned 32-bit arithmetic.
std::vector<DisplayMode> SelectDisplayTestCandidates(const std::vector<DisplayMode>& modes);

// A candidate's rating from the score of its chosen quality: x 0.8 below 24 bits when
// the display offers several depths (otherwise every mode would pay it alike), then
// x ln(width).
double RateDisplayCandidate(const DisplayMode& candidate, double qualityScore,
                            bool severalDepths);

// The test over given usable modes, each candidate measured by trial, in order; it
// stops at the first aborted trial. The earlier of equal ratings wins. The result and
// the outputs as for RunAutomaticDisplayTest.
bool ChooseDisplayTestMode(const std::vector<DisplayMode>& modes, DisplayTrialFunction trial,
                           void* context, DisplayMode& best, QualitySettings* quality);
