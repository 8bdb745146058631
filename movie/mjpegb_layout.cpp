#include "movie/mjpegb_layout.h"

namespace trevalin {
namespace {

enum : std::uint8_t {
    kSof0 = 0xC0,
    kDht = 0xC4,
    kRst0 = 0xD0,
    kSoi = 0xD8,
    kEoi = 0xD9,
    kSos = 0xDA,
    kDqt = 0xDB,
    kDri = 0xDD,
    kApp0 = 0xE0,
    kApp15 = 0xEF,
    kCom = 0xFE,
};

void putU16(std::vector<std::uint8_t>& out, std::size_t value) {
    out.push_back(std::uint8_t(value >> 8));
    out.push_back(std::uint8_t(value));
}

void setU32(std::vector<std::uint8_t>& out, std::size_t at, std::size_t value) {
    for (int k = 0; k < 4; ++k)
        out[at + std::size_t(k)] = std::uint8_t(value >> (24 - 8 * k));
}

// Appends one segment without its marker: the 16-bit length, then the payload.
// Returns its offset, or 0 when the payload does not fit a segment.
std::size_t putSegment(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& payload) {
    if (payload.size() + 2 > 0xFFFF) return 0;
    const std::size_t at = out.size();
    putU16(out, payload.size() + 2);
    out.insert(out.end(), payload.begin(), payload.end());
    return at;
}

} // namespace

bool jpegToMjpegB(std::span<const std::uint8_t> jpeg, std::vector<std::uint8_t>& field) {
    field.clear();
    const std::size_t n = jpeg.size();
    if (n < 4 || jpeg[0] != 0xFF || jpeg[1] != kSoi) return false;

    std::vector<std::uint8_t> dqt, dht, sof, sos, scan;
    bool haveSof = false, haveSos = false, haveEoi = false;
    std::size_t pos = 2;
    while (!haveEoi) {
        if (pos >= n || jpeg[pos] != 0xFF) return false;
        while (pos < n && jpeg[pos] == 0xFF)
            ++pos; // fill bytes before a marker
        if (pos + 3 > n) return false;
        const std::uint8_t marker = jpeg[pos++];
        // Markers without a segment (SOI, EOI, RSTn, TEM) mean no picture or a
        // second one here.
        if (marker == 0x00 || marker == 0x01 || (marker >= kRst0 && marker <= kEoi)) return false;
        const std::size_t length = std::size_t(jpeg[pos]) << 8 | jpeg[pos + 1];
        if (length < 2 || pos + length > n) return false;
        const auto payload = jpeg.subspan(pos + 2, length - 2);
        pos += length;

        switch (marker) {
        case kDqt: dqt.insert(dqt.end(), payload.begin(), payload.end()); break;
        case kDht: dht.insert(dht.end(), payload.begin(), payload.end()); break;
        case kSof0:
            if (haveSof) return false;
            sof.assign(payload.begin(), payload.end());
            haveSof = true;
            break;
        case kDri:
            // Format B has no restart markers, so only "no interval" is fine.
            if (payload.size() != 2 || payload[0] != 0 || payload[1] != 0) return false;
            break;
        case kSos:
            if (!haveSof) return false;
            sos.assign(payload.begin(), payload.end());
            haveSos = true;
            // The entropy-coded data runs to the next marker; FF 00 is a
            // stuffed FF, FF FF is fill. Only the end of the picture may follow.
            while (true) {
                if (pos >= n) return false;
                const std::uint8_t b = jpeg[pos++];
                if (b != 0xFF) {
                    scan.push_back(b);
                    continue;
                }
                while (pos < n && jpeg[pos] == 0xFF)
                    ++pos;
                if (pos >= n) return false;
                const std::uint8_t next = jpeg[pos++];
                if (next == 0x00) {
                    scan.push_back(0xFF);
                } else if (next == kEoi) {
                    haveEoi = true;
                    break;
                } else {
                    return false; // restart markers or a second scan
                }
            }
            break;
        default:
            if ((marker >= kApp0 && marker <= kApp15) || marker == kCom) break;
            return false; // non-baseline frames, arithmetic coding tables and the like
        }
    }
    if (dqt.empty() || dht.empty() || !haveSos) return false;

    field.assign(kMjpegBHeaderSize, 0);
    const std::size_t dqtAt = putSegment(field, dqt);
    const std::size_t dhtAt = putSegment(field, dht);
    const std::size_t sofAt = putSegment(field, sof);
    const std::size_t sosAt = putSegment(field, sos);
    if (!dqtAt || !dhtAt || !sofAt || !sosAt) {
        field.clear();
        return false;
    }
    const std::size_t dataAt = field.size();
    field.insert(field.end(), scan.begin(), scan.end());
    if (field.size() > 0xFFFFFFFFu) {
        field.clear();
        return false;
    }

    field[4] = 'm';
    field[5] = 'j';
    field[6] = 'p';
    field[7] = 'g';
    setU32(field, 8, field.size());  // field size
    setU32(field, 12, field.size()); // padded field size
    // Offset 16, the next field, stays 0: frames are progressive, one field.
    setU32(field, 20, dqtAt);
    setU32(field, 24, dhtAt);
    setU32(field, 28, sofAt);
    setU32(field, 32, sosAt);
    setU32(field, 36, dataAt);
    return true;
}

} // namespace trevalin
