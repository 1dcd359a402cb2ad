#include "MusicXmlWriter.h"

#include "Fraction.h"
#include "MusicXml.h"
#include "TextParsing.h"

#include <algorithm>
#include <cctype>

namespace simhost {

namespace {

constexpr int32_t kMostVelocity = 127;

// A note element's start tag: where each attribute's value lies.
struct TagAttribute {
    std::string name;
    std::size_t valueBegin = 0;
    std::size_t valueEnd = 0;
};

bool ReadStartTag(const std::string& text, std::size_t at, std::vector<TagAttribute>& attributes,
                  std::size_t& insertAt)
{
    std::size_t i = at + 1;
    while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i])) && text[i] != '>' && text[i] != '/')
        ++i;
    insertAt = i;
    while (i < text.size()) {
        while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
        if (i >= text.size()) return false;
        if (text[i] == '>' || text[i] == '/') return true;
        const std::size_t nameBegin = i;
        while (i < text.size() && text[i] != '=' && !std::isspace(static_cast<unsigned char>(text[i]))) ++i;
        TagAttribute attribute;
        attribute.name = text.substr(nameBegin, i - nameBegin);
        while (i < text.size() && text[i] != '\'' && text[i] != '"') ++i;
        if (i >= text.size()) return false;
        const char quote = text[i];
        attribute.valueBegin = ++i;
        while (i < text.size() && text[i] != quote) ++i;
        if (i >= text.size()) return false;
        attribute.valueEnd = i++;
        attributes.push_back(attribute);
        insertAt = i;
    }
    return false;
}

const char kMusicXmlMimeType[] = "application/vnd.recordare.musicxml";
const char kContainer[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<container>\n  <rootfiles>\n"
    "    <rootfile full-path=\"score.musicxml\" media-type=\"application/vnd.recordare.musicxml+xml\"/>\n"
    "  </rootfiles>\n</container>\n";

struct TextEdit {
    std::size_t at = 0;
    std::size_t length = 0;
    std::string text;
};

void Append(std::string& out, const char* text, std::size_t size)
{
    out.append(text, size);
}

void Append(std::vector<uint8_t>& out, const char* text, std::size_t size)
{
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(text);
    out.insert(out.end(), bytes, bytes + size);
}

// The text with the edits (in text order) made, into a string or a byte
// vector sized once.
template <typename Buffer>
void ApplyEdits(const std::string& text, const std::vector<TextEdit>& edits, Buffer& out)
{
    std::size_t size = text.size();
    for (const TextEdit& edit : edits) size = size - edit.length + edit.text.size();
    out.clear();
    out.reserve(size);
    std::size_t copied = 0;
    for (const TextEdit& edit : edits) {
        Append(out, text.data() + copied, edit.at - copied);
        Append(out, edit.text.data(), edit.text.size());
        copied = edit.at + edit.length;
    }
    Append(out, text.data() + copied, text.size() - copied);
}

}  // namespace

bool ExportMusicXml(const Score& score, bool compressed, std::vector<uint8_t>& bytes, std::string& error)
{
    if (!score.musicXml) {
        error = "the score was not read from MusicXML, so there is no MusicXML file to write back";
        return false;
    }
    const MusicXmlOrigin& origin = *score.musicXml;
    std::vector<TextEdit> edits;
    for (const MusicXmlNote& note : origin.notes) {
        const std::optional<Performance> now = score.PerformanceOf(note.entry, note.noteID);
        const Performance before = note.imported.value_or(Performance());
        if (!now || *now == before) continue;
        std::vector<TagAttribute> attributes;
        std::size_t insertAt = 0;
        if (!ReadStartTag(origin.text, note.tagOffset, attributes, insertAt)) {
            error = "the note at " + PlaceOfOffset(origin.text, note.tagOffset) +
                    " has no readable start tag";
            return false;
        }
        const Fraction divisions(note.divisionsNumerator, note.divisionsDenominator);
        struct Change {
            const char* name;
            bool changed;
            std::string value;
        };
        // What a key velocity can be: MusicXML has no negative dynamics, and
        // MIDI no velocity above 127.
        const int32_t velocity = std::clamp<int32_t>(kForteVelocity + now->velocity, 0, kMostVelocity);
        const Change changes[] = {
            { "attack", now->start != before.start,
              FormatDecimal(Fraction(now->start) * divisions / Fraction(kUnitsPerQuarter), 10) },
            { "release", now->end != before.end,
              FormatDecimal(Fraction(now->end) * divisions / Fraction(kUnitsPerQuarter), 10) },
            { "dynamics", now->velocity != before.velocity,
              FormatDecimal(Fraction(velocity * 100, kForteVelocity), 2) } };
        std::string added;
        for (const Change& change : changes) {
            if (!change.changed) continue;
            auto existing = std::find_if(attributes.begin(), attributes.end(),
                                         [&change](const TagAttribute& a) { return a.name == change.name; });
            if (existing != attributes.end()) {
                edits.push_back({ existing->valueBegin, existing->valueEnd - existing->valueBegin, change.value });
            } else {
                added += std::string(" ") + change.name + "=\"" + change.value + "\"";
            }
        }
        if (!added.empty()) edits.push_back({ insertAt, 0, added });
    }
    std::sort(edits.begin(), edits.end(), [](const TextEdit& a, const TextEdit& b) { return a.at < b.at; });
    if (!compressed && origin.encoding == TextEncoding::Utf8) {
        ApplyEdits(origin.text, edits, bytes);
        return true;
    }
    std::string text;
    ApplyEdits(origin.text, edits, text);
    if (origin.encoding != TextEncoding::Utf8) text = EncodeText(text, origin.encoding);
    if (compressed && origin.compressed) {
        // The archive as it was, with the score replaced.
        std::vector<ZipEntry> archive = origin.archive;
        const ZipEntry& root = archive[origin.rootEntry];
        archive[origin.rootEntry] = PackZipEntry(root.name, text, root.time, root.date);
        bytes = WriteZip(archive);
    } else if (compressed) {
        ZipEntry mimetype = PackZipEntry("mimetype", kMusicXmlMimeType);
        mimetype.method = 0;  // stored, as readers look for it unpacked
        mimetype.data.assign(kMusicXmlMimeType, kMusicXmlMimeType + sizeof kMusicXmlMimeType - 1);
        bytes = WriteZip({ mimetype, PackZipEntry("META-INF/container.xml", kContainer),
                           PackZipEntry("score.musicxml", text) });
    } else {
        bytes.assign(text.begin(), text.end());
    }
    return true;
}

}  // namespace simhost
