// Walking the records of a code area, as the interpreter reads them.
#pragma once

#include <cstdint>
#include <cstring>

#include "formula/opcodes.h"

namespace trevalin {

// Size in bytes of the record at code, the End byte counting as 1.
inline int recordSize(const std::uint8_t* code) {
    switch (code[0]) {
    case kRecordVariable: return code[1] == kSlotLiteral ? kLiteralRecordSize : kRecordHeaderSize;
    case kRecordOperation: return kRecordHeaderSize;
    default: return 1; // the End byte, or a stray byte skipped by itself
    }
}

// Bytes from the start up to and including the End byte, reading at most limit.
inline int codeLength(const std::uint8_t* code, int limit = kCodeAreaSize) {
    int pos = 0;
    while (pos < limit && code[pos] != kRecordEnd)
        pos += recordSize(code + pos);
    return pos < limit ? pos + 1 : limit;
}

// Whether the code reads the source image: the variables r g b c s l, or
// red, green, blue, sample and samptile.
inline bool readsSourceImage(const std::uint8_t* code) {
    for (int pos = 0; pos < kCodeAreaSize && code[pos] != kRecordEnd;
         pos += recordSize(code + pos)) {
        const std::uint8_t what = code[pos + 1];
        if (code[pos] == kRecordVariable && what >= static_cast<std::uint8_t>(Slot::R) &&
            what <= static_cast<std::uint8_t>(Slot::L))
            return true;
        if (code[pos] == kRecordOperation && (what == static_cast<std::uint8_t>(Op::Red) ||
                                              what == static_cast<std::uint8_t>(Op::Green) ||
                                              what == static_cast<std::uint8_t>(Op::Blue) ||
                                              what == static_cast<std::uint8_t>(Op::Sample) ||
                                              what == static_cast<std::uint8_t>(Op::SampleTile)))
            return true;
    }
    return false;
}

inline double literalValue(const std::uint8_t* record) {
    double v;
    std::memcpy(&v, record + kRecordHeaderSize, sizeof v);
    return v;
}

} // namespace trevalin
