// Which answer each button of the question dialog gives. Portable.
#pragma once

#include <array>
#include <cstdint>

namespace orvel::ui {

struct ChoiceButton {
  int control;      // the template's button
  uint32_t answer;  // the answer it gives; 0: the button is destroyed
  bool generic;     // the button is relabelled: its template text names another answer
};

// The answers 4, 8, 32 and 64 keep their own buttons. Every other allowed bit
// (1, 2, 16) takes, lowest bit first, a button whose own answer is not allowed, so that every
// answer the engine offers can be given; at most four answers fit.
std::array<ChoiceButton, 4> PlanChoiceButtons(uint32_t allowed);

}  // namespace orvel::ui
