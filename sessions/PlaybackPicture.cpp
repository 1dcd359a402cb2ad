#include "PlaybackPicture.h"

#include <algorithm>
#include <cstdio>

namespace simhost {

namespace {

// The layout, in pixels.
constexpr int32_t kLeft = 210;          // the lanes' names
constexpr int32_t kRight = 20;
constexpr int32_t kWidth = kLeft + kPlotWidth + kRight;
constexpr int32_t kTop = 64;            // the title and the measure numbers
constexpr int32_t kLaneHeight = 100;
constexpr int32_t kVelocityTop = 6;     // inside a lane: 127 there,
constexpr int32_t kVelocityBase = 62;   // 0 there
constexpr int32_t kRollTop = 68;        // three rows: notated, sounding before, after
constexpr int32_t kRollRow = 9;

// Each kind of mark's class and paint. The paint is given as attributes,
// not as a style sheet, so that the picture looks the same on its own and
// inside a page whose security policy allows no style but its own.
std::string Paint(const std::string& kind)
{
    static const std::pair<const char*, const char*> kPaints[] = {
        { "before", "fill=\"none\" stroke=\"#444\"" },
        { "after", "fill=\"#1f6fb2\"" },
        { "after changed", "fill=\"#d9480f\"" },
        { "range-before", "fill=\"none\" stroke=\"#444\"" },
        { "range-after", "fill=\"none\" stroke=\"#1f6fb2\"" },
        { "range-after changed", "fill=\"none\" stroke=\"#d9480f\"" },
        { "notated", "fill=\"#bbb\"" },
        { "sounding-before", "fill=\"none\" stroke=\"#444\"" },
        { "sounding-after", "fill=\"#1f6fb2\"" },
        { "sounding-after changed", "fill=\"#d9480f\"" },
        { "clamped", "fill=\"#c92a2a\"" },
        { "lane", "fill=\"#f7f7f7\"" },
        { "source", "fill=\"#eef4fb\"" },
        { "scale", "stroke=\"#ddd\"" },
        { "bar", "stroke=\"#bbb\"" },
        { "small", "font-size=\"11\" fill=\"#555\"" },
        { "tiny", "font-size=\"9\" fill=\"#555\"" },
        { "title", "font-size=\"15\" font-weight=\"bold\"" },
    };
    for (const auto& paint : kPaints) {
        if (kind == paint.first) return "class=\"" + kind + "\" " + paint.second;
    }
    return "class=\"" + kind + "\"";
}

std::string Escaped(const std::string& text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

// A coordinate with at most one decimal.
std::string Num(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    std::string s(text);
    if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0) s.resize(s.size() - 2);
    if (s == "-0") s = "0";
    return s;
}

int32_t Clamped(int32_t velocity)
{
    return std::clamp<int32_t>(velocity, 0, kMostMidiVelocity);
}

class Painter {
public:
    explicit Painter(const PlaybackSelection& selection) : selection_(selection) {}

    // The x of a time from the selection's start, in 1024ths.
    double X(int64_t time) const
    {
        if (selection_.length <= 0) return kLeft;
        return kLeft + static_cast<double>(time) * kPlotWidth / selection_.length;
    }
    int64_t Onset(const PlayedNote& note) const
    {
        const std::size_t index = static_cast<std::size_t>(note.measure - selection_.measures.front().measure);
        return static_cast<int64_t>(selection_.measures[index].start) + note.position;
    }
    static double Y(int32_t laneTop, int32_t velocity)
    {
        return laneTop + kVelocityBase -
               static_cast<double>(Clamped(velocity)) * (kVelocityBase - kVelocityTop) / kMostMidiVelocity;
    }

private:
    const PlaybackSelection& selection_;
};

bool Changed(const PlayedNote& note)
{
    return PlayedVelocity(note.before) != PlayedVelocity(note.after) || PlayedStart(note.before) != PlayedStart(note.after) ||
           PlayedEnd(note.before) != PlayedEnd(note.after);
}

// A time span in the piano roll's row, at least a pixel wide.
std::string Span(const Painter& painter, int64_t from, int64_t to, int32_t y, const std::string& classes)
{
    double left = painter.X(from);
    double right = painter.X(to);
    if (right - left < 1) right = left + 1;
    return "<rect " + Paint(classes) + " x=\"" + Num(left) + "\" y=\"" + std::to_string(y) + "\" width=\"" +
           Num(right - left) + "\" height=\"" + std::to_string(kRollRow - 2) + "\"/>";
}

// A mark where a velocity outside 0-127 is drawn at the edge.
std::string ClampMark(double x, int32_t velocity, int32_t laneTop)
{
    const double y = velocity > kMostMidiVelocity ? laneTop + kVelocityTop - 5 : laneTop + kVelocityBase + 1;
    const double tip = velocity > kMostMidiVelocity ? y - 4 : y + 4;
    return "<path " + Paint("clamped") + " d=\"M" + Num(x - 3) + " " + Num(y) + "L" + Num(x + 3) + " " + Num(y) + "L" + Num(x) +
           " " + Num(tip) + "Z\"/>";
}

void DrawNote(std::string& svg, const Painter& painter, const PlayedNote& note, const PlaybackSelection& selection,
              int32_t laneTop)
{
    const PlaybackLane& lane = selection.lanes[static_cast<std::size_t>(note.lane)];
    const PlayedMeasure& measure =
        selection.measures[static_cast<std::size_t>(note.measure - selection.measures.front().measure)];
    const int32_t before = PlayedVelocity(note.before);
    const int32_t after = PlayedVelocity(note.after);
    const bool changed = Changed(note);
    const int64_t onset = painter.Onset(note);
    const double width = painter.X(onset + std::max<int32_t>(note.duration, 1)) - painter.X(onset);
    const double bar = std::clamp(width * 0.5, 2.0, 12.0);
    // A chord's notes side by side.
    const double x = painter.X(onset) + note.index * (bar + 1);
    svg += "<g class=\"note\" data-staff=\"" + Escaped(lane.name) + "\" data-measure=\"" + Escaped(measure.number) +
           "\" data-beat=\"" + BeatText(note.position, measure.beat) + "\"";
    if (note.pitch >= 0) svg += " data-pitch=\"" + PitchText(note.pitch) + "\"";
    svg += " data-velocity-before=\"" + std::to_string(before) + "\" data-velocity-after=\"" + std::to_string(after) +
           "\" data-start-before=\"" + std::to_string(PlayedStart(note.before)) + "\" data-start-after=\"" +
           std::to_string(PlayedStart(note.after)) + "\" data-end-before=\"" + std::to_string(PlayedEnd(note.before)) +
           "\" data-end-after=\"" + std::to_string(PlayedEnd(note.after)) + "\"" +
           (note.before ? "" : " data-record-before=\"none\"") + (note.after ? "" : " data-record-after=\"none\"") +
           (changed ? " data-changed=\"true\"" : "") + ">";
    const double base = laneTop + kVelocityBase;
    svg += "<rect " + Paint(changed ? "after changed" : "after") + " x=\"" + Num(x) + "\" y=\"" +
           Num(Painter::Y(laneTop, after)) + "\" width=\"" + Num(bar) + "\" height=\"" +
           Num(base - Painter::Y(laneTop, after)) + "\"/>";
    svg += "<rect " + Paint("before") + " x=\"" + Num(x - 0.5) + "\" y=\"" + Num(Painter::Y(laneTop, before)) + "\" width=\"" +
           Num(bar + 1) + "\" height=\"" + Num(base - Painter::Y(laneTop, before)) + "\"/>";
    if (Clamped(before) != before) svg += ClampMark(x + bar / 2, before, laneTop);
    if (Clamped(after) != after) svg += ClampMark(x + bar / 2, after, laneTop);
    const int64_t end = onset + note.duration;
    const int32_t roll = laneTop + kRollTop;
    svg += Span(painter, onset, end, roll, "notated");
    svg += Span(painter, onset + PlayedStart(note.before), end + PlayedEnd(note.before), roll + kRollRow,
                "sounding-before");
    svg += Span(painter, onset + PlayedStart(note.after), end + PlayedEnd(note.after), roll + 2 * kRollRow,
                std::string("sounding-after") + (changed ? " changed" : ""));
    svg += "</g>\n";
}

// Spans merged where they meet within a pixel, for a lane drawn by columns.
void DrawMergedSpans(std::string& svg, const Painter& painter, std::vector<std::pair<int64_t, int64_t>> spans,
                     int32_t y, const std::string& classes)
{
    std::sort(spans.begin(), spans.end());
    std::size_t i = 0;
    while (i < spans.size()) {
        int64_t from = spans[i].first;
        int64_t to = spans[i].second;
        while (++i < spans.size() && painter.X(spans[i].first) <= painter.X(to) + 1) to = std::max(to, spans[i].second);
        svg += Span(painter, from, to, y, classes);
    }
}

void DrawColumns(std::string& svg, const Painter& painter, const PlaybackSelection& selection, int16_t lane,
                 int32_t laneTop, std::size_t firstNote)
{
    const std::vector<VelocityColumn> columns = VelocityColumns(selection, lane);
    // One path per kind: a vertical line per column from the least velocity
    // to the most, each from where the last ended.
    auto path = [&](bool before, bool changed) {
        std::string d;
        double lastX = 0;
        double lastY = 0;
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const VelocityColumn& column = columns[c];
            if (column.notes == 0 || (!before && column.changed != changed)) continue;
            const double x = kLeft + static_cast<double>(c) + 0.5;
            const double top = Painter::Y(laneTop, before ? column.beforeMost : column.afterMost);
            double bottom = Painter::Y(laneTop, before ? column.beforeLeast : column.afterLeast);
            if (bottom - top < 1) bottom = top + 1;
            d += d.empty() ? "M" + Num(x) + " " + Num(bottom) : "m" + Num(x - lastX) + " " + Num(bottom - lastY);
            d += "v" + Num(top - bottom);
            lastX = x;
            lastY = top;
        }
        if (d.empty()) return;
        svg += "<path " + Paint(before ? "range-before" : changed ? "range-after changed" : "range-after") + " d=\"" + d +
               "\"/>\n";
    };
    path(true, false);
    path(false, false);
    path(false, true);
    std::vector<std::pair<int64_t, int64_t>> notated;
    std::vector<std::pair<int64_t, int64_t>> before;
    std::vector<std::pair<int64_t, int64_t>> after;
    const PlaybackLane& info = selection.lanes[static_cast<std::size_t>(lane)];
    for (std::size_t i = firstNote; i < firstNote + info.notes; ++i) {
        const PlayedNote& note = selection.notes[i];
        const int64_t onset = painter.Onset(note);
        const int64_t end = onset + note.duration;
        notated.push_back({ onset, end });
        before.push_back({ onset + PlayedStart(note.before), end + PlayedEnd(note.before) });
        after.push_back({ onset + PlayedStart(note.after), end + PlayedEnd(note.after) });
    }
    const int32_t roll = laneTop + kRollTop;
    DrawMergedSpans(svg, painter, notated, roll, "notated");
    DrawMergedSpans(svg, painter, before, roll + kRollRow, "sounding-before");
    DrawMergedSpans(svg, painter, after, roll + 2 * kRollRow, "sounding-after");
}

// What the picture shows, in words, for a screen reader.
std::string Description(const PlaybackSelection& selection)
{
    std::string text;
    if (!selection.measures.empty()) {
        const std::string& first = selection.measures.front().number;
        const std::string& last = selection.measures.back().number;
        text = "Measures " + (first == last ? first : first + " to " + last) + ". ";
    }
    std::size_t begin = 0;
    for (const PlaybackLane& lane : selection.lanes) {
        int32_t least[2] = { 1 << 30, 1 << 30 };
        int32_t most[2] = { -(1 << 30), -(1 << 30) };
        std::size_t changed = 0;
        for (std::size_t i = begin; i < begin + lane.notes; ++i) {
            const PlayedNote& note = selection.notes[i];
            const int32_t values[2] = { PlayedVelocity(note.before), PlayedVelocity(note.after) };
            for (int k = 0; k < 2; ++k) {
                least[k] = std::min(least[k], values[k]);
                most[k] = std::max(most[k], values[k]);
            }
            changed += Changed(note) ? 1 : 0;
        }
        begin += lane.notes;
        text += lane.name + (lane.source ? " (source)" : "") + ": " + std::to_string(lane.notes) +
                (lane.notes == 1 ? " note" : " notes");
        if (lane.notes > 0) {
            text += ", " + std::to_string(changed) + " play differently after the copy; velocity " +
                    std::to_string(least[0]) + " to " + std::to_string(most[0]) + " before, " +
                    std::to_string(least[1]) + " to " + std::to_string(most[1]) + " after";
        }
        text += ". ";
    }
    if (!text.empty()) text.pop_back();
    return text;
}

// Why nothing is drawn in the lanes, or empty.
std::string WhyEmpty(const PlaybackSelection& selection)
{
    if (selection.lanes.empty()) return "The selection holds no staves.";
    if (selection.measures.empty()) return "The selection holds no measures.";
    if (selection.notes.empty()) return "No notes to draw: the selected measures hold only rests on these staves.";
    return "";
}

}  // namespace

std::vector<VelocityColumn> VelocityColumns(const PlaybackSelection& selection, int16_t lane)
{
    std::vector<VelocityColumn> columns(kPlotWidth);
    if (lane < 0 || static_cast<std::size_t>(lane) >= selection.lanes.size() || selection.length <= 0) return columns;
    const Painter painter(selection);
    // The notes come lane by lane.
    std::size_t first = 0;
    for (int16_t before = 0; before < lane; ++before) first += selection.lanes[static_cast<std::size_t>(before)].notes;
    const std::size_t end = std::min(selection.notes.size(), first + selection.lanes[static_cast<std::size_t>(lane)].notes);
    for (std::size_t i = first; i < end; ++i) {
        const PlayedNote& note = selection.notes[i];
        if (note.lane != lane) continue;
        const int64_t column64 = painter.Onset(note) * kPlotWidth / selection.length;
        const std::size_t c = static_cast<std::size_t>(std::clamp<int64_t>(column64, 0, kPlotWidth - 1));
        VelocityColumn& column = columns[c];
        const int32_t before = Clamped(PlayedVelocity(note.before));
        const int32_t after = Clamped(PlayedVelocity(note.after));
        if (column.notes++ == 0) {
            column.beforeLeast = column.beforeMost = before;
            column.afterLeast = column.afterMost = after;
        }
        column.beforeLeast = std::min(column.beforeLeast, before);
        column.beforeMost = std::max(column.beforeMost, before);
        column.afterLeast = std::min(column.afterLeast, after);
        column.afterMost = std::max(column.afterMost, after);
        column.changed = column.changed || PlayedVelocity(note.before) != PlayedVelocity(note.after);
    }
    return columns;
}

std::string DrawPlaybackPicture(const PlaybackSelection& selection, const std::string& title, const std::string& id)
{
    const Painter painter(selection);
    const int32_t lanes = static_cast<int32_t>(selection.lanes.size());
    const int32_t legendTop = kTop + std::max(lanes, 1) * kLaneHeight + 12;
    const int32_t height = legendTop + 56;
    const std::string titleId = Escaped(id) + "-title";
    const std::string descriptionId = Escaped(id) + "-description";
    std::string svg;
    svg.reserve(4096 + selection.notes.size() * 64);
    svg += "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"playback-picture\" role=\"img\" font-family=\"sans-serif\" font-size=\"13\" width=\"" +
           std::to_string(kWidth) + "\" height=\"" + std::to_string(height) + "\" viewBox=\"0 0 " +
           std::to_string(kWidth) + " " + std::to_string(height) + "\" aria-labelledby=\"" + titleId + " " +
           descriptionId + "\">\n";
    svg += "<title id=\"" + titleId + "\">" + Escaped(title) + "</title>\n";
    const std::string why = WhyEmpty(selection);
    svg += "<desc id=\"" + descriptionId + "\">" + Escaped(why.empty() ? Description(selection) : why) +
           "</desc>\n";
    svg += "\n<text " + Paint("title") + " x=\"10\" y=\"22\">" + Escaped(title) + "</text>\n";
    // The lanes, then the bar lines and measure numbers over them.
    for (int32_t i = 0; i < lanes; ++i) {
        const PlaybackLane& lane = selection.lanes[static_cast<std::size_t>(i)];
        const int32_t top = kTop + i * kLaneHeight;
        svg += "<g class=\"staff\" data-staff=\"" + Escaped(lane.name) + "\"" +
               (lane.source ? " data-source=\"true\"" : "") + " data-notes=\"" + std::to_string(lane.notes) + "\">";
        svg += "<rect " + Paint(lane.source ? "source" : "lane") + " x=\"0\" y=\"" +
               std::to_string(top) + "\" width=\"" + std::to_string(kWidth) + "\" height=\"" +
               std::to_string(kLaneHeight - 4) + "\"/>";
        svg += "<text x=\"10\" y=\"" + std::to_string(top + 24) + "\">" + Escaped(lane.name) + "</text>";
        if (lane.source) svg += "<text " + Paint("small") + " x=\"10\" y=\"" + std::to_string(top + 42) + "\">source staff</text>";
        const char* const rows[] = { "notated", "sounding before", "sounding after" };
        for (int32_t row = 0; row < 3; ++row) {
            svg += "<text " + Paint("tiny") + " x=\"" + std::to_string(kLeft - 6) + "\" y=\"" +
                   std::to_string(top + kRollTop + row * kRollRow + 7) + "\" text-anchor=\"end\">" + rows[row] + "</text>";
        }
        for (int32_t velocity : { 0, 64, 127 }) {
            const std::string y = Num(Painter::Y(top, velocity));
            svg += "<line " + Paint("scale") + " x1=\"" + std::to_string(kLeft) + "\" x2=\"" + std::to_string(kLeft + kPlotWidth) +
                   "\" y1=\"" + y + "\" y2=\"" + y + "\"/><text " + Paint("small") + " x=\"" + std::to_string(kLeft - 6) +
                   "\" y=\"" + Num(Painter::Y(top, velocity) + 4) + "\" text-anchor=\"end\">" + std::to_string(velocity) +
                   "</text>";
        }
        svg += "</g>\n";
    }
    const std::size_t measures = selection.measures.size();
    // A measure number where it has room: every k-th measure.
    const std::size_t every = std::max<std::size_t>(1, (measures * 36 + kPlotWidth - 1) / kPlotWidth);
    for (std::size_t m = 0; m < measures; ++m) {
        const PlayedMeasure& measure = selection.measures[m];
        const std::string x = Num(painter.X(measure.start));
        // Every bar line while they are 8 pixels apart or more; past that,
        // only those of the numbered measures.
        if (measures <= static_cast<std::size_t>(kPlotWidth) / 8 || m % every == 0)
            svg += "<line " + Paint("bar") + " x1=\"" + x + "\" x2=\"" + x + "\" y1=\"" + std::to_string(kTop - 14) +
                   "\" y2=\"" + std::to_string(kTop + std::max(lanes, 1) * kLaneHeight - 4) + "\"/>";
        if (m % every == 0)
            svg += "<text " + Paint("small") + " x=\"" + Num(painter.X(measure.start) + 3) + "\" y=\"" +
                   std::to_string(kTop - 4) + "\">" + Escaped(measure.number) + "</text>";
        svg += "\n";
    }
    // The notes.
    std::size_t first = 0;
    for (int32_t i = 0; i < lanes; ++i) {
        const PlaybackLane& lane = selection.lanes[static_cast<std::size_t>(i)];
        const int32_t top = kTop + i * kLaneHeight;
        if (lane.notes > kNotesDrawnEach) {
            DrawColumns(svg, painter, selection, static_cast<int16_t>(i), top, first);
        } else {
            for (std::size_t k = first; k < first + lane.notes; ++k) DrawNote(svg, painter, selection.notes[k], selection, top);
        }
        first += lane.notes;
    }
    if (!why.empty()) {
        svg += "<text class=\"why\" x=\"" + std::to_string(kLeft + 12) + "\" y=\"" + std::to_string(kTop + 40) + "\">" +
               Escaped(why) + "</text>\n";
    }
    // The legend.
    const std::string y = std::to_string(legendTop);
    const std::string text = std::to_string(legendTop + 11);
    svg += "<g class=\"legend\">"
           "<rect " + Paint("before") + " x=\"10\" y=\"" + y + "\" width=\"12\" height=\"12\"/><text x=\"28\" y=\"" + text +
           "\">velocity before</text>"
           "<rect " + Paint("after") + " x=\"150\" y=\"" + y + "\" width=\"12\" height=\"12\"/><text x=\"168\" y=\"" + text +
           "\">after</text>"
           "<rect " + Paint("after changed") + " x=\"220\" y=\"" + y + "\" width=\"12\" height=\"12\"/><text x=\"238\" y=\"" +
           text + "\">after, changed by the copy</text>"
           "<path " + Paint("clamped") + " d=\"M440 " + y + "L452 " + y + "L446 " + std::to_string(legendTop + 10) +
           "Z\"/><text x=\"458\" y=\"" + text + "\">outside 0-127, drawn at the edge</text>"
           "<rect " + Paint("notated") + " x=\"10\" y=\"" + std::to_string(legendTop + 24) +
           "\" width=\"24\" height=\"7\"/><text x=\"40\" y=\"" + std::to_string(legendTop + 32) +
           "\">notated span</text>"
           "<rect " + Paint("sounding-before") + " x=\"150\" y=\"" + std::to_string(legendTop + 24) +
           "\" width=\"24\" height=\"7\"/><text x=\"180\" y=\"" + std::to_string(legendTop + 32) +
           "\">sounding before</text>"
           "<rect " + Paint("sounding-after") + " x=\"320\" y=\"" + std::to_string(legendTop + 24) +
           "\" width=\"24\" height=\"7\"/><text x=\"350\" y=\"" + std::to_string(legendTop + 32) +
           "\">sounding after</text>"
           "<text " + Paint("small") + " x=\"480\" y=\"" + std::to_string(legendTop + 32) +
           "\">a lane of many notes shows each pixel column's least to most velocity</text></g>\n";
    svg += "</svg>\n";
    return svg;
}

}  // namespace simhost
