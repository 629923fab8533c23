#pragma once
// The timeline slider's positions for the steps of a run: one position a step while they
// fit a slider's int, otherwise spread evenly over a million positions, each standing for
// the step nearest to it; and the text beside the slider.

#include "workbench/RunController.h"

#include <cstdint>
#include <string>

namespace tarveno::ui {

struct SliderPosition {
    int maximum = 0; // positions 0 .. maximum
    int value = 0;   // the present's
};

SliderPosition sliderPosition(const RunController::Timeline& timeline);
// The step a position stands for.
uint64_t stepAt(const RunController::Timeline& timeline, int position);
// "step 12 of 345", and where the history starts when it has forgotten the first steps.
std::string timelineText(const RunController::Timeline& timeline);

} // namespace tarveno::ui
