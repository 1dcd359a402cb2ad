// What a session changed in the score, as lines of its transcript.
#pragma once

#include "Score.h"

#include <cstddef>
#include <cstdint>
#include <ostream>

namespace simhost {

// One line per value that differs between the two scores, in score order,
// and the performance records that no note of the later score owns. Past
// rowsShown rows, the rest are only counted, in a last line
// "... N more rows".
void ReportChanges(const Score& before, const Score& after, std::ostream& out, const char* indent = "",
                   std::size_t rowsShown = SIZE_MAX);

}  // namespace simhost
