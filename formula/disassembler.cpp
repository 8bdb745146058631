#include "formula/disassembler.h"

#include <charconv>
#include <cstdio>

#include "formula/code_walk.h"

namespace trevalin {

std::string disassemble(const std::uint8_t* code, int limit) {
    std::string out;
    char buf[48];
    for (int pos = 0; pos < limit && code[pos] != kRecordEnd; pos += recordSize(code + pos)) {
        const std::uint8_t kind = code[pos];
        // A record cut off by the limit is shown as the bytes that are there.
        const bool whole = pos + recordSize(code + pos) <= limit;
        const std::uint8_t what = whole ? code[pos + 1] : 0;
        if (!out.empty()) out += " | ";
        if (!whole || (kind != kRecordVariable && kind != kRecordOperation)) {
            std::snprintf(buf, sizeof buf, "byte 0x%02x", kind);
            out += buf;
            if (!whole) break;
        } else if (kind == kRecordVariable && what == kSlotLiteral) {
            // The shortest text that reads back as the same double.
            const auto end = std::to_chars(buf, buf + sizeof buf, literalValue(code + pos)).ptr;
            out += "lit ";
            out.append(buf, end);
        } else if (kind == kRecordVariable && what == kSlotUnknown) {
            out += "var unknown";
        } else if (kind == kRecordVariable && slotInfo(what).name) {
            out += "var ";
            out += slotInfo(what).name;
        } else if (kind == kRecordOperation && opInfo(what).name) {
            out += "op ";
            out += opInfo(what).name;
        } else {
            std::snprintf(buf, sizeof buf, "%s #%d", kind == kRecordVariable ? "var" : "op", what);
            out += buf;
        }
    }
    return out;
}

} // namespace trevalin
