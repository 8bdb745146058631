// Replacing a file without ever leaving it half written: the new contents go
// to a temporary file in the same directory, which is renamed over the target
// only after every byte is written, synced and closed.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace trevalin {

// On failure the target is untouched, the temporary file is gone, and error
// names the path and the system's reason.
bool replaceFile(const std::filesystem::path& target, std::string_view contents,
                 std::string& error);

} // namespace trevalin
