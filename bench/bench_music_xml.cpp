// Times a generated orchestral MusicXML score through the whole path: read,
// sync at 100% from the first part to all the others, write back; prints
// each step's time, the file's size and the peak memory after each step.
//   bench_music_xml [--quick | PARTS MEASURES]   default 30 x 500, quick 3 x 4
//   bench_music_xml --write FILE                 writes the 30 x 500 score, for the
//                                                side-by-side figures of scripts/bench.sh
#include "FunctionTable.h"
#include "MusicXml.h"
#include "MusicXmlReader.h"
#include "MusicXmlWriter.h"
#include "SimHost.h"
#include "shell/EntryPoints.h"
#include "sync/FCPerfcopyBlockHandler.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

double Seconds(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double>(d).count();
}

double PeakMiB()
{
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// Every part has the same music, as an orchestra's tutti: per 4/4 measure,
// voice 1 has four three-note quarter chords and voice 2 two half notes.
// The first part's notes carry attack, release and dynamics to copy.
std::string OrchestralScore(int32_t parts, int32_t measures)
{
    static const char* const kSteps[] = { "C", "D", "E", "F", "G", "A", "B" };
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<score-partwise version=\"4.0\">\n  <part-list>\n";
    for (int32_t p = 1; p <= parts; ++p) {
        text += "    <score-part id=\"P" + std::to_string(p) + "\"><part-name>Instrument " + std::to_string(p) +
                "</part-name></score-part>\n";
    }
    text += "  </part-list>\n";
    for (int32_t p = 1; p <= parts; ++p) {
        text += "  <part id=\"P" + std::to_string(p) + "\">\n";
        int32_t k = 0;
        for (int32_t m = 1; m <= measures; ++m) {
            text += "    <measure number=\"" + std::to_string(m) + "\">\n";
            if (m == 1) {
                text += "      <attributes><divisions>480</divisions><time><beats>4</beats><beat-type>4</beat-type>"
                        "</time></attributes>\n";
            }
            for (int32_t beat = 0; beat < 4; ++beat) {
                for (int32_t n = 0; n < 3; ++n, ++k) {
                    std::string performance;
                    if (p == 1) {
                        performance = " attack=\"" + std::to_string(k % 5 * 8) + "\" release=\"-" +
                                      std::to_string(k % 3 * 16) + "\" dynamics=\"" + std::to_string(80 + k % 40) +
                                      "\"";
                    }
                    text += std::string("      <note") + performance + ">" + (n > 0 ? "<chord/>" : "") +
                            "<pitch><step>" + kSteps[(beat + 2 * n) % 7] + "</step><octave>" +
                            std::to_string(4 + n / 2) +
                            "</octave></pitch><duration>480</duration><voice>1</voice><type>quarter</type></note>\n";
                }
            }
            text += "      <backup><duration>1920</duration></backup>\n";
            for (int32_t half = 0; half < 2; ++half, ++k) {
                const std::string performance =
                    p == 1 ? " dynamics=\"" + std::to_string(60 + k % 50) + "\"" : std::string();
                text += "      <note" + performance + "><pitch><step>" + kSteps[(half * 3) % 7] +
                        "</step><octave>3</octave></pitch><duration>960</duration><voice>2</voice><type>half</type>"
                        "</note>\n";
            }
            text += "    </measure>\n";
        }
        text += "  </part>\n";
    }
    return text + "</score-partwise>\n";
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--write") == 0) {
        const std::string text = OrchestralScore(30, 500);
        std::FILE* file = std::fopen(argv[2], "wb");
        const bool written = file != nullptr && std::fwrite(text.data(), 1, text.size(), file) == text.size();
        if (file != nullptr && std::fclose(file) != 0) return 1;
        return written ? 0 : 1;
    }
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    int32_t parts = quick ? 3 : 30;
    int32_t measures = quick ? 4 : 500;
    if (argc == 3) {
        parts = std::atoi(argv[1]);
        measures = std::atoi(argv[2]);
        if (parts < 1 || parts > 1000 || measures < 1 || measures > 32767) return 2;
    }
    const std::string text = OrchestralScore(parts, measures);
    const std::vector<uint8_t> bytes(text.begin(), text.end());
    std::printf("%d parts x %d measures, %.1f MB of MusicXML; peak memory with the text made: %.0f MiB\n", parts,
                measures, bytes.size() / 1e6, PeakMiB());

    simhost::Host& host = simhost::Host::Get();
    host.Reset();
    std::string error;
    auto start = std::chrono::steady_clock::now();
    if (!simhost::ImportMusicXml(bytes, false, host.score, error)) {
        std::printf("read failed: %s\n", error.c_str());
        return 1;
    }
    const double read = Seconds(std::chrono::steady_clock::now() - start);
    std::printf("  read   %7.3f s  %zu notes, peak memory %.0f MiB\n", read, host.score.musicXml->notes.size(),
                PeakMiB());

    host.logCalls = false;
    host.timeCalls = true;
    simhost::RegisterModule("FINALE.EXE");
    FinaleExtensionVersion(host.score.hostVersion);
    FCPerfcopyBlockHandler handler;
    handler.SourceStaff = 1;
    handler.UseVelocity = handler.UseStartTime = handler.UseEndTime = 1;
    handler.VelocityPercent = handler.StartTimePercent = handler.EndTimePercent = 100;
    FCString name("Perfcopy to benchmark");
    FCUndoBlock block;
    start = std::chrono::steady_clock::now();
    const bool kept = block.Execute(&handler, &name);
    const double sync = Seconds(std::chrono::steady_clock::now() - start);
    std::printf("  sync   %7.3f s  %s, peak memory %.0f MiB\n", sync, kept ? "kept" : "cancelled!", PeakMiB());
    double hostSeconds = 0;
    for (const auto& entry : host.Statistics()) {
        hostSeconds += entry.second.nanoseconds * 1e-9;
        std::printf("    %-16s %9.0f calls %8.3f s\n", entry.first.c_str(), static_cast<double>(entry.second.calls),
                    entry.second.nanoseconds * 1e-9);
    }
    std::printf("    in the host %.3f s, the plug-in's own %.3f s\n", hostSeconds, sync - hostSeconds);

    std::vector<uint8_t> written;
    start = std::chrono::steady_clock::now();
    if (!simhost::ExportMusicXml(host.score, false, written, error)) {
        std::printf("write failed: %s\n", error.c_str());
        return 1;
    }
    const double write = Seconds(std::chrono::steady_clock::now() - start);
    std::printf("  write  %7.3f s  %.1f MB, peak memory %.0f MiB\n", write, written.size() / 1e6, PeakMiB());
    std::printf("  total  %7.3f s\n", read + sync + write);
    return kept && written.size() > bytes.size() ? 0 : 1;
}
