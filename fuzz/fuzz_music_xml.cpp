// The MusicXML importer on arbitrary bytes, as text or as a .mxl archive
// (the first byte chooses): a file is refused with one line and the score
// left alone, or it is written back unchanged and reads back the same.
#include "MusicXml.h"

#include "FuzzHost.h"

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) return 0;
    const bool compressed = (data[0] & 1) != 0;
    const std::vector<uint8_t> bytes(data + 1, data + size);
    simhost::Score score;
    score.measureCount = 7;
    std::string error;
    if (!simhost::ImportMusicXml(bytes, compressed, score, error)) {
        fuzz::Require(!error.empty() && error.find('\n') == std::string::npos, "a refusal gives one line");
        fuzz::Require(score.measureCount == 7 && !score.musicXml, "a refused file leaves the score");
        return 0;
    }
    std::vector<uint8_t> written;
    fuzz::Require(simhost::ExportMusicXml(score, false, written, error), "an imported score writes back");
    fuzz::Require(written == std::vector<uint8_t>(score.musicXml->text.begin(), score.musicXml->text.end()),
                  "a score written back with no change is the text it was read from");
    simhost::Score again;
    fuzz::Require(simhost::ImportMusicXml(written, false, again, error), "a written score reads back");
    fuzz::Require(again == score, "a written score reads back the same");
    return 0;
}
