// qvperfcopy-pattern: gives the notes of a MusicXML score's first staff a
// fixed pattern of playback values (PlaybackPattern.h), so that a sync has
// something to copy, and writes the score back as MusicXML.
#include "PlaybackPattern.h"
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
    const std::size_t notes = GiveFirstStaffPattern(score);
    if (!simhost::WriteScoreFile(argv[2], score, error)) {
        std::cerr << "qvperfcopy-pattern: " << error << "\n";
        return 1;
    }
    std::cout << "Gave " << notes << " notes of staff " << score.staffOrder.front() << " the pattern\n";
    return 0;
}
