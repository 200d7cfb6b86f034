#include "http/Gzip.h"

#include <climits>
#include <stdexcept>
#include <zlib.h>

namespace orvendi::server::Gzip {

namespace {

// zlib's window with its gzip header and trailer instead of the zlib ones.
constexpr int kGzipWindowBits = 15 + 16;
constexpr int kMemoryLevel = 8;
// A listing of 10,000 notes (3 MB) shrinks to 13 % in about 28 ms at this
// level; level 1 leaves 15 % in 20 ms, level 6 12.8 % in 48 ms. An answer is
// compressed once per change of the notes and sent many times.
constexpr int kLevel = 4;

} // namespace

std::string compress(std::string_view data) {
    if (data.size() > UINT_MAX) {
        throw std::length_error("Too large to compress in one piece");
    }
    z_stream stream{};
    if (deflateInit2(&stream, kLevel, Z_DEFLATED, kGzipWindowBits, kMemoryLevel,
                     Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("Cannot start gzip compression");
    }
    std::string out(deflateBound(&stream, data.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (result != Z_STREAM_END) {
        throw std::runtime_error("gzip compression failed");
    }
    return out;
}

} // namespace orvendi::server::Gzip
