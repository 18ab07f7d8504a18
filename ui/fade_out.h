#pragma once
#include <vector>

// Opacity steps of the closing fade: from 213 down by 10 while above 0.
inline constexpr int FadeStepMilliseconds = 8;
std::vector<int> FadeOutSchedule();
