#include "LongTextBuffer.h"

void LongTextBuffer::WriteTo(std::ostream& out) const
{
    for (std::size_t i = 0; i < pieces_.size(); ++i) {
        const bool last = i + 1 == pieces_.size();
        const std::ptrdiff_t size = last ? pptr() - pbase() : static_cast<std::ptrdiff_t>(kPieceSize);
        out.write(pieces_[i].get(), size);
    }
}

void LongTextBuffer::Clear()
{
    pieces_.clear();
    setp(nullptr, nullptr);
}

LongTextBuffer::int_type LongTextBuffer::overflow(int_type c)
{
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    pieces_.push_back(std::make_unique<char[]>(kPieceSize));
    char* piece = pieces_.back().get();
    setp(piece, piece + kPieceSize);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}
