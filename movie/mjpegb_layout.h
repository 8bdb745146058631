// Motion JPEG B stores the same JPEG picture as Motion JPEG A, but without
// markers: a 40-byte header of offsets, then the table segments and the scan.
// FFmpeg has no encoder for it, so we re-lay out what the JPEG encoder writes.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace trevalin {

inline constexpr std::size_t kMjpegBHeaderSize = 40;

// Turns one baseline JPEG picture into one Motion JPEG B field (big-endian
// header: 0, 'mjpg', field size, padded field size, next field 0, then the
// offsets of the quantisation tables, Huffman tables, frame header, scan
// header and scan data). Segments are stored as in JPEG without their FF xx
// marker; several DQT or DHT segments are merged into one; the scan loses
// its byte stuffing. False, with field left empty, for anything format B
// cannot express: progressive or other non-baseline frames, restart
// intervals, markers inside the scan, a missing segment, truncated data.
bool jpegToMjpegB(std::span<const std::uint8_t> jpeg, std::vector<std::uint8_t>& field);

} // namespace trevalin
