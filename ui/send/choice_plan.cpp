#include "ui/send/choice_plan.h"

#include <cstddef>

#include "ui/app/resource_ids.h"

namespace orvel::ui {

std::array<ChoiceButton, 4> PlanChoiceButtons(uint32_t allowed) {
  std::array<ChoiceButton, 4> plan{{{kAnswer4Button, 4, false},
                                    {kAnswer8Button, 8, false},
                                    {kAnswer32Button, 32, false},
                                    {kAnswer64Button, 64, false}}};
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
