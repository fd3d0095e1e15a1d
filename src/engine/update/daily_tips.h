#pragma once
// The twelve daily tips and the index arithmetic of the tip window.

#include <QString>

namespace pixmill {

inline constexpr int kDailyTipCount = 12;

// A stored index outside 0..11 (12 is stored after the last tip) reads as 0.
int normalizeTipIndex(int storedIndex);
// Wrapping steps of "上一帖" and "下一帖".
int previousTipIndex(int index);
int nextTipIndex(int index);

// The tip with its heading "%d、" and two line breaks, lines separated by "\n".
QString dailyTipText(int index);

}  // namespace pixmill
