#include "ui/send/choice_plan.h"

#include <cstddef>

namespace orvel::ui {

std::array<ChoiceButton, 4> PlanChoiceButtons(uint32_t allowed) {
  std::array<ChoiceButton, 4> plan{{{277, 4, false}, {273, 8, false}, {276, 32, false}, {270, 64, false}}};
  for (auto& button : plan) {
    if (!(allowed & button.answer)) button.answer = 0;
  }
  std::size_t next = 0;
  for (uint32_t bit : {1u, 2u, 16u}) {
    if (!(allowed & bit)) continue;
    while (next < plan.size() && plan[next].answer != 0) ++next;
    if (next == plan.size()) break;
    plan[next].answer = bit;
    plan[next].generic = true;
  }
  return plan;
}

}  // namespace orvel::ui
