// Shared by the presets tests: build records and trees, read text, and show a
// tree's shape as one short string ("Cat{a,b},c") for table-driven checks.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <sstream>
#include <string>

#include "formula/formula_slot.h"
#include "presets/preset_keys.h"
#include "presets/presets_file.h"

namespace trevalin::presetstest {

// Records are 67 KB; keep them off the stack of table loops.
inline std::unique_ptr<RenderSettings> zeroRecord() {
    auto s = std::make_unique<RenderSettings>();
    std::memset(s.get(), 0, sizeof *s);
    return s;
}

inline PresetsReadResult readText(const std::string& text) {
    std::istringstream in(text);
    return readPresets(in);
}

inline std::string writeText(const PresetTree& tree) {
    std::ostringstream out;
    PresetsWriteResult r = writePresets(tree, out);
    EXPECT_TRUE(r.ok) << r.error;
    return out.str();
}

inline void describeInto(const PresetNode& node, std::string& out) {
    for (std::size_t i = 0; i < node.childCount(); ++i) {
        const PresetNode& c = *node.child(i);
        if (i) out += ",";
        out += c.name();
        if (c.isCategory()) {
            out += "{";
            describeInto(c, out);
            out += "}";
        }
    }
}

inline std::string describe(const PresetTree& tree) {
    std::string out;
    describeInto(tree.root(), out);
    return out;
}

// Every field the file carries, compared one by one so a failure names it.
inline void expectSameFileFields(const RenderSettings& a, const RenderSettings& b,
                                 const std::string& where) {
    SCOPED_TRACE(where);
    for (const ValueKey& k : valueKeys())
        if (k.slot) {
            EXPECT_STREQ((a.*k.slot).text, (b.*k.slot).text) << k.key;
        }
    const std::pair<const char*, std::int32_t RenderSettings::*> ints[] = {
        {"colormode", &RenderSettings::colormode},
        {"depth", &RenderSettings::depth},
        {"priority", &RenderSettings::priority},
        {"codec", &RenderSettings::codec},
        {"wrap", &RenderSettings::wrap},
        {"cycle", &RenderSettings::cycle},
        {"center", &RenderSettings::center},
        {"oversample", &RenderSettings::oversample},
        {"dither", &RenderSettings::dither},
        {"seamless", &RenderSettings::seamless},
        {"lockswidth", &RenderSettings::lockswidth},
        {"lockewidth", &RenderSettings::lockewidth},
    };
    for (const auto& [key, field] : ints)
        EXPECT_EQ(a.*field, b.*field) << key;
    const std::pair<const char*, double RenderSettings::*> reals[] = {
        {"startwidth", &RenderSettings::startwidth},
        {"endwidth", &RenderSettings::endwidth},
        {"framerate", &RenderSettings::framerate},
        {"duration", &RenderSettings::duration},
    };
    for (const auto& [key, field] : reals)
        EXPECT_EQ(a.*field, b.*field) << key;
    EXPECT_STREQ(a.moviefile, b.moviefile) << "moviefile";
}

} // namespace trevalin::presetstest
