#pragma once

#include "dbcore/compression_streams.h"
#include "foundation/kx_guid.h"
#include "foundation/stream_interfaces.h"
#include "foundation/streams.h"

#include <array>
#include <cstdint>

namespace kx {

// The stored form of a compressed binary value: a 24-byte header (this marker in its
// in-memory byte order, then two little-endian 32-bit integers, both written as 0), followed
// by a zlib stream. Values without the header are plain binary data, so compressed and plain
// values can share a column and other programs still see ordinary bytes.
inline constexpr KxGuid kxCompressedBlobMarker{
    0xDB81F896, 0xA3C3, 0x4E00, {0xBE, 0x3A, 0x98, 0xA5, 0x94, 0xA2, 0xB7, 0xCC}};
inline constexpr std::uint32_t kxCompressedBlobHeaderSize = 24;

using TKxCompressedBlobHeader = std::array<std::uint8_t, kxCompressedBlobHeaderSize>;

// The header with `value` as its first integer; every writer of the program passes 0.
TKxCompressedBlobHeader KxCompressedBlobHeader(std::int32_t value = 0);

// A stored value is compressed when it holds at least the header and starts with the marker;
// the two integers are not looked at. A null pointer (a NULL value) is not compressed.
bool KxIsCompressedBlob(const void* data, std::uint64_t size);
// The same for lock bytes; a failing read raises the result-code error.
bool KxIsCompressedBlob(ILockBytes* stored);

// Writes `source`, from its position until a read delivers less than a block, to
// `destination` as a compressed value: the header, then the zlib body at the type's level.
// The compressor is finished (and its failure raised) before the stored size is taken, so a
// value is never reported as stored with a truncated body. Answers the bytes written.
std::int64_t KxWriteCompressedBlob(TKxStream& source, TKxStream& destination,
                                   TKxCompressionType compressionType);

// Reads a compressed body (what follows the header) from `body` into `value`, replacing its
// bytes, and answers the value's size. When decompression fails, `value` is left empty
// rather than holding a part that could pass for the whole.
std::uint64_t KxDecompressBlobBody(TKxStream& body, ILockBytes* value);

// Makes `value` the value held by the stored bytes `stored`: decompressed when compressed
// (exactly a header is the empty value), a copy of the bytes otherwise. The two must be
// different objects.
std::uint64_t KxReadStoredBlob(ILockBytes* stored, ILockBytes* value);

} // namespace kx
