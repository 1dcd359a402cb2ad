#include "ZipArchive.h"

#include <zlib.h>

#include <algorithm>

namespace simhost {

namespace {

constexpr uint32_t kLocalHeader = 0x04034b50;
constexpr uint32_t kCentralHeader = 0x02014b50;
constexpr uint32_t kEndOfDirectory = 0x06054b50;
constexpr uint32_t kDescriptor = 0x08074b50;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kEndSize = 22;

uint16_t Read16(const uint8_t* b, std::size_t at)
{
    return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

uint32_t Read32(const uint8_t* b, std::size_t at)
{
    return static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
           (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

void Put16(std::vector<uint8_t>& b, uint32_t value)
{
    b.push_back(static_cast<uint8_t>(value));
    b.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& b, uint32_t value)
{
    Put16(b, value & 0xFFFF);
    Put16(b, value >> 16);
}

// Overwrites a value inside a header already read; a header too short to
// hold it is left alone.
void Set16(std::vector<uint8_t>& b, std::size_t at, uint32_t value)
{
    if (at + 2 > b.size()) return;
    b[at] = static_cast<uint8_t>(value);
    b[at + 1] = static_cast<uint8_t>(value >> 8);
}

void Set32(std::vector<uint8_t>& b, std::size_t at, uint32_t value)
{
    if (at + 4 > b.size()) return;
    Set16(b, at, value & 0xFFFF);
    Set16(b, at + 2, value >> 16);
}

// True when [at, at + length) lies inside a buffer of `size` bytes.
bool Inside(std::size_t size, std::size_t at, std::size_t length)
{
    return at <= size && length <= size - at;
}

uint32_t Checksum(const std::string& content)
{
    uLong crc = crc32(0L, Z_NULL, 0);
    std::size_t done = 0;
    while (done < content.size()) {
        const uInt chunk = static_cast<uInt>(std::min<std::size_t>(content.size() - done, 1u << 30));
        crc = crc32(crc, reinterpret_cast<const Bytef*>(content.data() + done), chunk);
        done += chunk;
    }
    return static_cast<uint32_t>(crc);
}

// The content deflated, with no zlib header, as zip keeps it.
std::vector<uint8_t> Deflate(const std::string& content)
{
    std::vector<uint8_t> data;
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    data.resize(deflateBound(&stream, static_cast<uLong>(content.size())));
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
    stream.avail_in = static_cast<uInt>(content.size());
    stream.next_out = data.data();
    stream.avail_out = static_cast<uInt>(data.size());
    deflate(&stream, Z_FINISH);
    data.resize(data.size() - stream.avail_out);
    deflateEnd(&stream);
    return data;
}

}  // namespace

bool ReadZip(const uint8_t* bytes, std::size_t size, std::vector<ZipEntry>& entries, std::string& error,
             std::vector<uint8_t>* comment)
{
    entries.clear();
    if (size < kEndSize) {
        error = "not a zip archive (too short)";
        return false;
    }
    // The end record sits within the last 64 KiB + 22 bytes (its comment).
    std::size_t end = size - kEndSize;
    const std::size_t lowest = size > kEndSize + 0xFFFF ? size - kEndSize - 0xFFFF : 0;
    while (Read32(bytes, end) != kEndOfDirectory) {
        if (end == lowest) {
            error = "not a zip archive (no end of central directory)";
            return false;
        }
        --end;
    }
    if (Read16(bytes, end + 4) != 0 || Read16(bytes, end + 6) != 0 ||
        Read16(bytes, end + 8) != Read16(bytes, end + 10)) {
        error = "multi-disk zip archives are not supported";
        return false;
    }
    const std::size_t count = Read16(bytes, end + 10);
    const uint32_t directorySize = Read32(bytes, end + 12);
    const uint32_t directoryOffset = Read32(bytes, end + 16);
    if (count == 0xFFFF || directorySize == 0xFFFFFFFF || directoryOffset == 0xFFFFFFFF) {
        error = "zip64 archives are not supported";
        return false;
    }
    if (count > kZipMaxEntries) {
        error = "the archive has " + std::to_string(count) + " entries, more than " + std::to_string(kZipMaxEntries);
        return false;
    }
    if (!Inside(end, directoryOffset, directorySize)) {
        error = "the central directory lies outside the archive";
        return false;
    }
    if (comment != nullptr) {
        const std::size_t length = std::min<std::size_t>(Read16(bytes, end + 20), size - end - kEndSize);
        comment->assign(bytes + end + kEndSize, bytes + end + kEndSize + length);
    }
    std::size_t at = directoryOffset;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string where = "central directory entry " + std::to_string(i + 1) + ": ";
        if (!Inside(directoryOffset + static_cast<std::size_t>(directorySize), at, kCentralHeaderSize) ||
            Read32(bytes, at) != kCentralHeader) {
            error = where + "damaged";
            return false;
        }
        ZipEntry entry;
        entry.flags = Read16(bytes, at + 8);
        entry.method = Read16(bytes, at + 10);
        entry.time = Read16(bytes, at + 12);
        entry.date = Read16(bytes, at + 14);
        entry.crc = Read32(bytes, at + 16);
        const uint32_t packed = Read32(bytes, at + 20);
        entry.size = Read32(bytes, at + 24);
        const std::size_t nameLength = Read16(bytes, at + 28);
        const std::size_t extraLength = Read16(bytes, at + 30);
        const std::size_t commentLength = Read16(bytes, at + 32);
        const uint32_t localOffset = Read32(bytes, at + 42);
        const std::size_t headerSize = kCentralHeaderSize + nameLength + extraLength + commentLength;
        if (!Inside(directoryOffset + static_cast<std::size_t>(directorySize), at, headerSize)) {
            error = where + "damaged";
            return false;
        }
        entry.name.assign(bytes + at + kCentralHeaderSize, bytes + at + kCentralHeaderSize + nameLength);
        if (packed == 0xFFFFFFFF || entry.size == 0xFFFFFFFF || localOffset == 0xFFFFFFFF) {
            error = entry.name + ": zip64 entries are not supported";
            return false;
        }
        if ((entry.flags & 1) != 0) {
            error = entry.name + ": encrypted entries are not supported";
            return false;
        }
        if (entry.method != 0 && entry.method != 8) {
            error = entry.name + ": compression method " + std::to_string(entry.method) + " is not supported";
            return false;
        }
        if (!Inside(directoryOffset, localOffset, kLocalHeaderSize) || Read32(bytes, localOffset) != kLocalHeader) {
            error = entry.name + ": its local header is missing";
            return false;
        }
        const std::size_t dataOffset =
            localOffset + kLocalHeaderSize + Read16(bytes, localOffset + 26) + Read16(bytes, localOffset + 28);
        if (!Inside(directoryOffset, dataOffset, packed)) {
            error = entry.name + ": its data lies outside the archive";
            return false;
        }
        entry.data.assign(bytes + dataOffset, bytes + dataOffset + packed);
        // A data descriptor: crc and sizes, after an optional signature.
        const std::size_t dataEnd = dataOffset + packed;
        std::size_t descriptorSize = 0;
        if ((entry.flags & 0x0008) != 0) {
            descriptorSize = Inside(directoryOffset, dataEnd, 4) && Read32(bytes, dataEnd) == kDescriptor ? 16 : 12;
            if (!Inside(directoryOffset, dataEnd, descriptorSize)) {
                error = entry.name + ": its data descriptor lies outside the archive";
                return false;
            }
        }
        entry.localHeader.assign(bytes + localOffset, bytes + dataOffset);
        entry.descriptor.assign(bytes + dataEnd, bytes + dataEnd + descriptorSize);
        entry.centralHeader.assign(bytes + at, bytes + at + headerSize);
        entries.push_back(std::move(entry));
        at += headerSize;
    }
    return true;
}

bool UnpackZipEntry(const ZipEntry& entry, std::string& content, std::string& error, uint32_t limit)
{
    content.clear();
    if (entry.size > limit) {
        error = entry.name + ": unpacks to " + std::to_string(entry.size) + " bytes, more than the limit of " +
                std::to_string(limit);
        return false;
    }
    if (entry.method == 0) {
        if (entry.data.size() != entry.size) {
            error = entry.name + ": its stored size is not its declared size";
            return false;
        }
        content.assign(entry.data.begin(), entry.data.end());
    } else {
        z_stream stream{};
        if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
            error = entry.name + ": cannot start to unpack";
            return false;
        }
        // One byte more than declared, to tell an entry that says less than it holds.
        content.resize(static_cast<std::size_t>(entry.size) + 1);
        stream.next_in = const_cast<Bytef*>(entry.data.data());
        stream.avail_in = static_cast<uInt>(entry.data.size());
        stream.next_out = reinterpret_cast<Bytef*>(&content[0]);
        stream.avail_out = static_cast<uInt>(content.size());
        const int result = inflate(&stream, Z_FINISH);
        const std::size_t produced = content.size() - stream.avail_out;
        inflateEnd(&stream);
        if (result != Z_STREAM_END || produced != entry.size) {
            error = entry.name + (produced > entry.size ? ": unpacks to more than its declared size"
                                                        : ": its compressed data is damaged or cut short");
            content.clear();
            return false;
        }
        content.resize(produced);
    }
    if (Checksum(content) != entry.crc) {
        error = entry.name + ": checksum mismatch";
        content.clear();
        return false;
    }
    return true;
}

ZipEntry PackZipEntry(const std::string& name, const std::string& content, uint16_t time, uint16_t date)
{
    ZipEntry entry;
    entry.name = name;
    entry.method = 8;
    entry.time = time;
    entry.date = date;
    entry.crc = Checksum(content);
    entry.size = static_cast<uint32_t>(content.size());
    entry.data = Deflate(content);
    return entry;
}

ZipEntry RepackZipEntry(const ZipEntry& entry, const std::string& content)
{
    ZipEntry repacked = entry;
    repacked.flags = static_cast<uint16_t>(entry.flags & ~0x0008u);
    repacked.crc = Checksum(content);
    repacked.size = static_cast<uint32_t>(content.size());
    if (entry.method == 0) repacked.data.assign(content.begin(), content.end());
    else repacked.data = Deflate(content);
    repacked.descriptor.clear();
    const uint32_t packed = static_cast<uint32_t>(repacked.data.size());
    Set16(repacked.localHeader, 6, repacked.flags);
    Set32(repacked.localHeader, 14, repacked.crc);
    Set32(repacked.localHeader, 18, packed);
    Set32(repacked.localHeader, 22, repacked.size);
    Set16(repacked.centralHeader, 8, repacked.flags);
    Set32(repacked.centralHeader, 16, repacked.crc);
    Set32(repacked.centralHeader, 20, packed);
    Set32(repacked.centralHeader, 24, repacked.size);
    return repacked;
}

std::vector<uint8_t> WriteZip(const std::vector<ZipEntry>& entries, const std::vector<uint8_t>& comment)
{
    std::vector<uint8_t> out;
    std::vector<uint32_t> offsets;
    // Sizes and checksum go into the headers, so no data descriptors follow.
    auto header = [&out](const ZipEntry& entry) {
        Put16(out, 20);
        Put16(out, entry.flags & ~0x0008u);
        Put16(out, entry.method);
        Put16(out, entry.time);
        Put16(out, entry.date);
        Put32(out, entry.crc);
        Put32(out, static_cast<uint32_t>(entry.data.size()));
        Put32(out, entry.size);
        Put16(out, static_cast<uint32_t>(entry.name.size()));
        Put16(out, 0);
    };
    for (const ZipEntry& entry : entries) {
        offsets.push_back(static_cast<uint32_t>(out.size()));
        if (!entry.localHeader.empty()) {
            out.insert(out.end(), entry.localHeader.begin(), entry.localHeader.end());
        } else {
            Put32(out, kLocalHeader);
            header(entry);
            out.insert(out.end(), entry.name.begin(), entry.name.end());
        }
        out.insert(out.end(), entry.data.begin(), entry.data.end());
        out.insert(out.end(), entry.descriptor.begin(), entry.descriptor.end());
    }
    const uint32_t directoryOffset = static_cast<uint32_t>(out.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!entries[i].centralHeader.empty()) {
            std::vector<uint8_t> record = entries[i].centralHeader;
            Set32(record, 42, offsets[i]);
            out.insert(out.end(), record.begin(), record.end());
            continue;
        }
        Put32(out, kCentralHeader);
        Put16(out, 20);  // made by: MS-DOS, version 2.0
        header(entries[i]);
        Put16(out, 0);   // comment
        Put16(out, 0);   // disk
        Put16(out, 0);   // internal attributes
        Put32(out, 0);   // external attributes
        Put32(out, offsets[i]);
        out.insert(out.end(), entries[i].name.begin(), entries[i].name.end());
    }
    const uint32_t directorySize = static_cast<uint32_t>(out.size()) - directoryOffset;
    Put32(out, kEndOfDirectory);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<uint32_t>(entries.size()));
    Put16(out, static_cast<uint32_t>(entries.size()));
    Put32(out, directorySize);
    Put32(out, directoryOffset);
    Put16(out, static_cast<uint32_t>(std::min<std::size_t>(comment.size(), 0xFFFF)));
    out.insert(out.end(), comment.begin(), comment.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(comment.size(), 0xFFFF)));
    return out;
}

}  // namespace simhost
