// qvperfcopy-pattern: gives the notes of a MusicXML score's first staff a
// fixed pattern of playback values, so that a sync has something to copy.
// The k-th note (from 0, by measure, layer, position, then chord order) gets
//   start offset    [0, 32, -32, 64][k % 4]      1024ths of a quarter
//   end offset      [0, -64, -128][k % 3]        1024ths of a quarter
//   velocity change [10, -10, 20, -20, 0][k % 5] from forte (90)
// and the score is written back as MusicXML.
#include "ScoreFormats.h"

#include <iostream>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: qvperfcopy-pattern IN.musicxml OUT.musicxml\n"
                     "Gives the first staff's notes a fixed pattern of attack, release and dynamics.\n";
        return 2;
    }
    simhost::Score score;
    std::string error;
    if (!simhost::ReadScoreFile(argv[1], score, error)) {
        std::cerr << "qvperfcopy-pattern: " << error << "\n";
        return 1;
    }
    if (!score.musicXml || score.staffOrder.empty()) {
        std::cerr << "qvperfcopy-pattern: " << argv[1] << ": not a MusicXML score with staves\n";
        return 1;
    }
    static const int16_t kStarts[] = { 0, 32, -32, 64 };
    static const int16_t kEnds[] = { 0, -64, -128 };
    static const int16_t kVelocities[] = { 10, -10, 20, -20, 0 };
    const int16_t staff = score.staffOrder.front();
    std::vector<std::pair<uint32_t, uint16_t>> notes;
    for (const auto& frame : score.frames) {
        if (std::get<0>(frame.first) != staff) continue;
        for (const simhost::EntryBytes& e : frame.second.entries) {
            if ((simhost::entry::Flags(e) & simhost::kSoundingFlag) == 0) continue;
            for (int32_t k = 0; k < simhost::entry::NoteCount(e) && k < simhost::kNotesPerEntry; ++k)
                notes.emplace_back(simhost::entry::Number(e), simhost::entry::NoteID(e, k));
        }
    }
    for (std::size_t k = 0; k < notes.size(); ++k) {
        simhost::Performance values;
        values.start = kStarts[k % 4];
        values.end = kEnds[k % 3];
        values.velocity = kVelocities[k % 5];
        score.SetPerformance(notes[k].first, notes[k].second, values);
    }
    if (!simhost::WriteScoreFile(argv[2], score, error)) {
        std::cerr << "qvperfcopy-pattern: " << error << "\n";
        return 1;
    }
    std::cout << "Gave " << notes.size() << " notes of staff " << staff << " the pattern\n";
    return 0;
}
