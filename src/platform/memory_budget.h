#pragma once
// How much memory a run that keeps its result (the output pane and the
// grid) may take: half of what the machine had available when the run
// began, and no more than three quarters of what the process's address
// space limit (ulimit -v) left. A run that would go past it stops, as on
// Esc, before the system's out-of-memory killer or a failed allocation ends
// the program with every unsaved line.
#include <QtGlobal>

class MemoryBudget {
public:
  // The budget from now on.
  static MemoryBudget FromNow();
  // Whether the process now holds more than the budget allows.
  bool Exceeded() const;

private:
  quint64 residentLimit_ = 0;  // bytes; 0: no limit known
  quint64 virtualLimit_ = 0;
};
