// Walking the records of a code area, as the interpreter reads them.
#pragma once

#include <cstdint>
#include <cstring>

#include "formula/opcodes.h"

namespace trevalin {

// Size in bytes of the record at code, the End byte counting as 1.
inline int recordSize(const std::uint8_t* code) {
    switch (code[0]) {
    case kRecordVariable: return code[1] == kSlotLiteral ? kLiteralRecordSize : 2;
    case kRecordOperation: return 2;
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

inline double literalValue(const std::uint8_t* record) {
    double v;
    std::memcpy(&v, record + 2, sizeof v);
    return v;
}

} // namespace trevalin
