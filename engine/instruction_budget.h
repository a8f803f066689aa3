// How much one tick of the interpreter runs at most before it gives the tick back (a scene that
// loops without waiting goes on from the same point on the next tick). Most instructions cost 1;
// loading a picture or a sound file or drawing a transition costs 10,000. The game's budget is
// 1,000,000; the fuzz harness lowers it, as its ticks run under heavy instrumentation.
#pragma once

namespace hk {

int InstructionBudget();
// Values below 1 are taken as 1.
void SetInstructionBudget(int instructions);
// How many ticks so far ended because they used up the whole budget.
long long InstructionBudgetsSpent();

} // namespace hk
