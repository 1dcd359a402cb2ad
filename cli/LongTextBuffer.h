// A stream buffer for text that may grow as large as a score file: kept in
// pieces of 1 MiB, so that it grows without copying what it holds.
#pragma once

#include <cstddef>
#include <memory>
#include <ostream>
#include <streambuf>
#include <vector>

class LongTextBuffer : public std::streambuf {
public:
    // Writes the text kept so far to out.
    void WriteTo(std::ostream& out) const;
    // Lets go of the text.
    void Clear();

protected:
    int_type overflow(int_type c) override;

private:
    static constexpr std::size_t kPieceSize = std::size_t(1) << 20;
    std::vector<std::unique_ptr<char[]>> pieces_;
};
