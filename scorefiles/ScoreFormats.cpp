#include "ScoreFormats.h"

#include "MusicXml.h"
#include "MusicXmlReader.h"
#include "MusicXmlWriter.h"
#include "ScoreFile.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

namespace simhost {

bool ReadScoreFile(const std::string& path, Score& score, std::string& error)
{
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) {
        error = path + ": a folder, not a score file";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot open the file";
        return false;
    }
    if (IsMusicXmlPath(path)) {
        // Read no more than the importer takes: a huge file is refused whole.
        in.seekg(0, std::ios::end);
        const std::streamoff size = in.tellg();
        in.seekg(0, std::ios::beg);
        if (size < 0) {
            error = path + ": cannot read the file";
            return false;
        }
        if (!ScoreFileSizeAllowed(path, static_cast<uint64_t>(size), error)) return false;
        std::vector<uint8_t> bytes(static_cast<std::size_t>(size));
        if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size)) {
            error = path + ": cannot read the file";
            return false;
        }
        if (ImportMusicXml(std::move(bytes), IsCompressedMusicXmlPath(path), score, error)) return true;
        error = path + ": " + error;
        return false;
    }
    std::stringstream text;
    text << in.rdbuf();
    if (!ParseScore(text.str(), score, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool ReadScoreBytes(const std::string& path, const uint8_t* bytes, std::size_t size, Score& score,
                    std::string& error)
{
    if (!IsMusicXmlPath(path)) {
        if (ParseScore(std::string(reinterpret_cast<const char*>(bytes), size), score, error)) return true;
    } else if (!ScoreFileSizeAllowed(path, size, error)) {
        return false;
    } else if (ImportMusicXml(bytes, size, IsCompressedMusicXmlPath(path), score, error)) {
        return true;
    }
    error = path + ": " + error;
    return false;
}

bool ScoreFileSizeAllowed(const std::string& path, uint64_t size, std::string& error)
{
    if (!IsMusicXmlPath(path) || size <= kZipMaxUnpacked) return true;
    error = path + ": the file is " + std::to_string(size) + " bytes, more than the limit of " +
            std::to_string(kZipMaxUnpacked);
    return false;
}

bool WriteScoreFile(const std::string& path, const Score& score, std::string& error)
{
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (IsMusicXmlPath(path)) {
            if (!WriteMusicXml(score, IsCompressedMusicXmlPath(path), out, error)) {
                error = path + ": " + error;
                out.close();
                std::remove(temporary.c_str());
                return false;
            }
        } else {
            out << FormatScore(score);
        }
        out.flush();
        if (!out) {
            error = temporary + ": cannot write the file";
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = path + ": cannot replace the file";
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

bool ScoreFileBytes(const std::string& path, const Score& score, std::vector<uint8_t>& bytes, std::string& error)
{
    if (!IsMusicXmlPath(path)) {
        const std::string text = FormatScore(score);
        bytes.assign(text.begin(), text.end());
        return true;
    }
    if (ExportMusicXml(score, IsCompressedMusicXmlPath(path), bytes, error)) return true;
    error = path + ": " + error;
    return false;
}

}  // namespace simhost
