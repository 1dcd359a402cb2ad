// What a session changed in the score, as lines of its transcript.
#pragma once

#include "Score.h"

#include <ostream>

namespace simhost {

// One line per value that differs between the two scores, in score order,
// and the performance records that no note of the later score owns.
void ReportChanges(const Score& before, const Score& after, std::ostream& out, const char* indent = "");

}  // namespace simhost
