// Byte code as text, one record after another: "var x | lit 6 | op Add".
// Literals print as the shortest text that reads back as the same double, so
// two code areas read alike exactly when their records are the same bytes.
#pragma once

#include <cstdint>
#include <string>

namespace trevalin {

// The records up to the End byte, or up to limit bytes. Records the
// interpreter skips print as "var #N" (a slot without a variable), "op #N"
// (a code without an operation) and "byte 0xNN" (a stray byte).
std::string disassemble(const std::uint8_t* code, int limit = 4096);

} // namespace trevalin
