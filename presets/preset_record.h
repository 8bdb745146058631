// One preset as the tree keeps it: the numbers of a RenderSettings and its
// texts at their own length. A RenderSettings is 66 KB of fixed text arrays
// and code areas; a preset read from a file costs a few hundred bytes this way.
// The compiled code is not kept: whoever renders a preset compiles it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "presets/preset_keys.h"
#include "render/render_settings.h"

namespace trevalin {

class PresetRecord {
  public:
    // What an all-zero RenderSettings holds.
    PresetRecord();
    explicit PresetRecord(const RenderSettings& settings);

    // Overwrites all of out: fields from the record, code areas, flags and
    // the bytes after each text zero.
    void copyTo(RenderSettings& out) const;

    // The value of a key from valueKeys(), of the matching kind: texts for
    // Text, OptText and path keys, integers for Integer and Flag keys.
    std::string_view text(const ValueKey& key) const;
    std::int32_t integer(const ValueKey& key) const;
    double real(const ValueKey& key) const;

    // As the fixed arrays would hold it: cut at the first NUL and at the
    // array's size less one.
    void setText(const ValueKey& key, std::string_view text);
    void setInteger(const ValueKey& key, std::int32_t value);
    void setReal(const ValueKey& key, double value);

    std::int32_t time() const { return integers_[kTimeIndex]; }
    void setTime(std::int32_t value) { integers_[kTimeIndex] = value; }

    // Room for the fields of the key table (checked when first used).
    static constexpr std::size_t kTextCapacity = 16;    // with the source file
    static constexpr std::size_t kIntegerCapacity = 15; // with the time position
    static constexpr std::size_t kRealCapacity = 4;

  private:
    static constexpr std::size_t kTimeIndex = kIntegerCapacity - 1;

    std::string_view textAt(std::size_t index) const;
    void setTextAt(std::size_t index, std::string_view text);

    // Every text followed by a NUL, in table order, the source file last.
    std::string texts_;
    std::array<std::int32_t, kIntegerCapacity> integers_{};
    std::array<double, kRealCapacity> reals_{};
};

} // namespace trevalin
