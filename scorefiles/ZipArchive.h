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
};

// The most an archive may hold, and the most one entry may unpack to.
constexpr std::size_t kZipMaxEntries = 10000;
constexpr uint32_t kZipMaxUnpacked = 64u << 20;

// The archive's entries, in central-directory order. False with a message
// for anything that is not a well-formed archive inside the size bytes.
bool ReadZip(const uint8_t* bytes, std::size_t size, std::vector<ZipEntry>& entries, std::string& error);

// An entry's content: at most `limit` bytes, the size and checksum as
// declared. A bomb stops at the limit.
bool UnpackZipEntry(const ZipEntry& entry, std::string& content, std::string& error,
                    uint32_t limit = kZipMaxUnpacked);

// A deflated entry holding the content.
ZipEntry PackZipEntry(const std::string& name, const std::string& content, uint16_t time = 0, uint16_t date = 0);

// The archive of the entries, stored data copied as it is.
std::vector<uint8_t> WriteZip(const std::vector<ZipEntry>& entries);

}  // namespace simhost
