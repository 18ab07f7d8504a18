#include "ui/fade_out.h"

std::vector<int> FadeOutSchedule() {
    std::vector<int> steps;
    for (int opacity = 213; opacity > 0; opacity -= 10)
        steps.push_back(opacity);
    return steps;
}
