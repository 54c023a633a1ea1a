// The automatic display test over the configured display's modes.
#include "displaysetup/ds_display_test.h"

#include <cmath>

#include "display/dp_input.h"
#include "display/dp_session.h"
#include "displaysetup/ds_modes.h"
#include "displaysetup/ds_quality_test.h"

namespace {

// One candidate for real: its own window, the quality test in it, the choice.
DisplayTrial TestCandidate(void*, const DisplayMode& candidate, double progressFrom,
                           double progressTo) {
    DisplayTrial trial = {false, false, {}};
    // A window that cannot be opened in this mode counts nothing and scores nothing.
    if (!OpenGameSession(&candidate)) return trial;
    QualityTestResults results;
    if (!RunQualityTest(results, progressFrom, progressTo))
        trial.aborted = true;
    else
        trial.chosen = ChooseQualitySettings(trial.quality, results);
    CloseGameSession();
    return trial;
}

}  // namespace

std::vector<DisplayMode> SelectDisplayTestCandidates(const std::vector<DisplayMode>& modes) {
    std::vector<DisplayMode> candidates;
    if (modes.empty()) return candidates;
    const DisplayMode& first = modes.front();
    for (const DisplayMode& m : modes) {
        // The first mode qualifies always; a width of 0 would leave nothing to compare.
        const bool sameAspect =
            first.width != 0 && first.height * m.width / first.width == m.height;
        if (&m == &first || sameAspect) candidates.push_back(m);
    }
    return candidates;
}

double RateDisplayCandidate(const DisplayMode& candidate, double qualityScore,
                            bool severalDepths) {
    double score = qualityScore;
    if (severalDepths && candidate.depth < 24) score = score * 0.8;
    return score * std::log(double(candidate.width));
}

bool ChooseDisplayTestMode(const std::vector<DisplayMode>& modes, DisplayTrialFunction trial,
                           void* context, DisplayMode& best, QualitySettings* quality) {
    const std::vector<DisplayMode> candidates = SelectDisplayTestCandidates(modes);
    bool severalDepths = false;
    for (const DisplayMode& m : modes) severalDepths = severalDepths || m.depth != modes[0].depth;

    double bestScore = 0.0;
    size_t bestIndex = candidates.size();  // none
    QualitySettings bestSettings = {};
    bool aborted = false;
    const size_t n = candidates.size();
    for (size_t i = 0; i < n && !aborted; ++i) {
        const DisplayTrial t =
            trial(context, candidates[i], double(i) / double(n), double(i + 1) / double(n));
        aborted = t.aborted;
        double score = 0.0;
        if (!t.aborted && t.chosen)
            score = RateDisplayCandidate(candidates[i], t.quality.Score, severalDepths);
        if (score > bestScore) {
            bestScore = score;
            bestIndex = i;
            bestSettings = t.quality;
        }
    }
    if (bestIndex == n || aborted) return false;
    best = candidates[bestIndex];
    if (quality) *quality = bestSettings;
    return true;
}

bool RunAutomaticDisplayTest(DisplayMode& best, QualitySettings* quality) {
    std::vector<DisplayMode> modes;
    EnumerateDisplayModes(modes);
    HideGameCursor();
    const bool found = ChooseDisplayTestMode(modes, TestCandidate, nullptr, best, quality);
    UnhideGameCursor();
    return found;
}
