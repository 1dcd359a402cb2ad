// The zip container of compressed MusicXML (.mxl): its entries read with
// bounds on what is unpacked, and written back. Compression is zlib's; the
// container is read here, so that every size and offset is checked against
// the file before it is used. Multi-disk, zip64 and encrypted archives are
// refused.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace simhost {

struct ZipEntry {
    std::string name;
    uint16_t method = 0;  // 0 stored, 8 deflated
    uint16_t flags = 0;
    uint16_t time = 0;    // MS-DOS time and date
    uint16_t date = 0;
    uint32_t crc = 0;
    uint32_t size = 0;    // unpacked, as the archive declares it
    std::vector<uint8_t> data;  // as stored in the archive
    // As read: the local header with its name and extra field, the data
    // descriptor after the data (if any), and the central directory's
    // record with its extra field and comment. Empty for a new entry.
    std::vector<uint8_t> localHeader;
    std::vector<uint8_t> descriptor;
    std::vector<uint8_t> centralHeader;
};

// The most an archive may hold, and the most one entry may unpack to.
constexpr std::size_t kZipMaxEntries = 10000;
constexpr uint32_t kZipMaxUnpacked = 64u << 20;

// The archive's entries, in central-directory order, and its comment. False
// with a message for anything that is not a well-formed archive inside the
// size bytes.
bool ReadZip(const uint8_t* bytes, std::size_t size, std::vector<ZipEntry>& entries, std::string& error,
             std::vector<uint8_t>* comment = nullptr);

// An entry's content: at most `limit` bytes, the size and checksum as
// declared. A bomb stops at the limit.
bool UnpackZipEntry(const ZipEntry& entry, std::string& content, std::string& error,
                    uint32_t limit = kZipMaxUnpacked);

// A deflated entry holding the content.
ZipEntry PackZipEntry(const std::string& name, const std::string& content, uint16_t time = 0, uint16_t date = 0);

// The entry with new content: its name, method (stored stays stored),
// times, flags and extra fields as they were, its sizes and checksum new,
// and no data descriptor.
ZipEntry RepackZipEntry(const ZipEntry& entry, const std::string& content);

// The archive of the entries in their order, each read entry with its
// headers as stored (only the offsets new), and the comment.
std::vector<uint8_t> WriteZip(const std::vector<ZipEntry>& entries, const std::vector<uint8_t>& comment = {});

}  // namespace simhost
