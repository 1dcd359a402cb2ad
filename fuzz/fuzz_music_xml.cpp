// The MusicXML importer on arbitrary bytes, as text (UTF-8, UTF-16 or single
// bytes as declared) or as
// a .mxl archive (the first byte chooses): a file is refused with one line
// and the score left alone, or it is written back unchanged, in its own
// encoding, and reads back the same.
#include "MusicXml.h"
#include "MusicXmlReader.h"
#include "MusicXmlWriter.h"

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
    fuzz::Require(simhost::EncodingNotice(score).find('\n') == std::string::npos &&
                      simhost::AdjustedNotice(score).find('\n') == std::string::npos &&
                      simhost::LeftOutNotice(score).find('\n') == std::string::npos,
                  "what reading adjusted and left out is said in one line each");
    std::vector<uint8_t> written;
    fuzz::Require(simhost::ExportMusicXml(score, false, written, error), "an imported score writes back");
    const std::string document = simhost::EncodeText(score.musicXml->text, score.musicXml->encoding);
    fuzz::Require(written == std::vector<uint8_t>(document.begin(), document.end()),
                  "a score written back with no change is the document it was read from, in its encoding");
    if (!compressed) fuzz::Require(written == bytes, "a file written back with no change is the same file");
    if (compressed) {
        std::vector<uint8_t> archive;
        fuzz::Require(simhost::ExportMusicXml(score, true, archive, error) && archive == bytes,
                      "an archive written back with no change is the same archive");
    }
    simhost::Score again;
    fuzz::Require(simhost::ImportMusicXml(written, false, again, error), "a written score reads back");
    fuzz::Require(again == score, "a written score reads back the same");
    return 0;
}
