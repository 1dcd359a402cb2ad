// A fixed pattern of playback values on a score's first staff, so that a
// sync has something to copy. The k-th note (from 0, by measure, layer,
// position, then chord order) gets
//   start offset    [0, 32, -32, 64][k % 4]      1024ths of a quarter
//   end offset      [0, -64, -128][k % 3]        1024ths of a quarter
//   velocity change [10, -10, 20, -20, 0][k % 5] from forte (90)
#pragma once

#include "Score.h"

#include <cstddef>

// Gives the first staff's notes the pattern; answers how many notes it gave.
std::size_t GiveFirstStaffPattern(simhost::Score& score);
