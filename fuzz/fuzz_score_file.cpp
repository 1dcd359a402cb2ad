// The score file parser on arbitrary text: a file is refused with a message,
// or it round-trips through the writer.
#include "ScoreFile.h"

#include "FuzzHost.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    simhost::Score score;
    std::string error;
    if (!simhost::ParseScore(text, score, error)) {
        fuzz::Require(!error.empty() && error.find('\n') == std::string::npos, "a refusal gives one line");
        return 0;
    }
    const std::string written = simhost::FormatScore(score);
    simhost::Score again;
    fuzz::Require(simhost::ParseScore(written, again, error), "a written score reads back");
    fuzz::Require(again == score, "a written score reads back the same");
    return 0;
}
