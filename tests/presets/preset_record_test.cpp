// The compact record a preset node keeps: every field of RenderSettings
// comes back bit for bit, its setters cut texts as the fixed arrays do, and
// what the reader builds equals what reading into a whole record gave.
#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "presets/preset_record.h"
#include "presets_test_support.h"

namespace trevalin {
namespace {

using presetstest::zeroRecord;

std::string randomText(std::mt19937& rng, std::size_t room) {
    // Lengths at the edges of every array (empty, full with room for the
    // NUL, full without one) as well as anywhere between.
    const std::size_t lengths[] = {0, 1, 15, 16, room - 1, room};
    std::size_t length = rng() % 2 ? lengths[rng() % std::size(lengths)] : rng() % room;
    std::string text(length, ' ');
    for (char& c : text)
        c = static_cast<char>(1 + rng() % 255); // anything but NUL
    return text;
}

void putText(char* array, std::size_t room, const std::string& text) {
    ASSERT_LE(text.size(), room);
    std::memcpy(array, text.data(), text.size()); // no NUL when the text fills it
}

double randomReal(std::mt19937& rng) {
    const double odd[] = {0.0,
                          -0.0,
                          1e-310,
                          std::numeric_limits<double>::infinity(),
                          std::numeric_limits<double>::quiet_NaN(),
                          1e308};
    if (rng() % 4 == 0) return odd[rng() % std::size(odd)];
    return std::ldexp(static_cast<double>(rng()) - 2147483648.0, static_cast<int>(rng() % 80) - 40);
}

// Every field set at random on a zeroed record (so padding is zero, as
// copyTo leaves it); code areas filled to show they are not carried.
void randomSettings(std::mt19937& rng, RenderSettings& s, bool withCode) {
    std::memset(&s, 0, sizeof s);
    for (const ValueKey& k : valueKeys()) {
        switch (k.kind) {
        case ValueKind::Text:
        case ValueKind::OptText:
            putText((s.*k.slot).text, kFormulaTextSize, randomText(rng, kFormulaTextSize));
            if (withCode) {
                std::memset((s.*k.slot).code, 0xA5, sizeof(s.*k.slot).code);
                (s.*k.slot).flags = 0x7F;
            }
            break;
        case ValueKind::Integer:
        case ValueKind::Flag: s.*k.integer = static_cast<std::int32_t>(rng()); break;
        case ValueKind::Real: s.*k.real = randomReal(rng); break;
        case ValueKind::Path: putText(s.moviefile, kMovieFileSize, randomText(rng, kMovieFileSize));
        }
    }
    s.time = static_cast<std::int32_t>(rng());
    putText(s.sourcefile, kSourceFileSize, randomText(rng, kSourceFileSize));
}

TEST(PresetRecord, EveryFieldComesBackBitForBit) {
    std::mt19937 rng(20261208);
    auto in = zeroRecord();
    auto out = zeroRecord();
    for (int round = 0; round < 300; ++round) {
        randomSettings(rng, *in, false);
        std::memset(out.get(), 0x5A, sizeof *out); // copyTo must overwrite all of it
        PresetRecord(*in).copyTo(*out);
        ASSERT_EQ(std::memcmp(in.get(), out.get(), sizeof *in), 0) << "round " << round;
    }
}

TEST(PresetRecord, CodeAreasAreNotCarried) {
    std::mt19937 rng(7);
    auto in = zeroRecord();
    auto expected = zeroRecord();
    auto out = zeroRecord();
    randomSettings(rng, *in, true);
    std::mt19937 same(7);
    randomSettings(same, *expected, false);
    PresetRecord(*in).copyTo(*out);
    EXPECT_EQ(std::memcmp(expected.get(), out.get(), sizeof *out), 0);
}

// A field added to RenderSettings must get a place in the record, or the
// test above would not see it: the fields it fills, plus the two padding
// holes of today's layout, make up the whole record.
TEST(PresetRecord, TheFieldsFilledAreAllTheRecordHas) {
    std::size_t texts = 0, integers = 1 /* time */, reals = 0;
    for (const ValueKey& k : valueKeys()) {
        if (k.slot) ++texts;
        if (k.integer) ++integers;
        if (k.real) ++reals;
    }
    const std::size_t afterTime = offsetof(RenderSettings, time) + sizeof(std::int32_t);
    const std::size_t holes =
        (offsetof(RenderSettings, startwidth) - afterTime) +
        (sizeof(RenderSettings) - (offsetof(RenderSettings, sourcefile) + kSourceFileSize));
    EXPECT_EQ(texts * sizeof(FormulaSlot) + integers * sizeof(std::int32_t) +
                  reals * sizeof(double) + kMovieFileSize + kSourceFileSize + holes,
              sizeof(RenderSettings));
}

// Setters against the fixed arrays they stand for: setFormulaText for
// formulas, a cut copy for the movie file.
TEST(PresetRecord, SettersCutAsTheArraysDo) {
    std::mt19937 rng(99);
    auto whole = zeroRecord();
    auto out = zeroRecord();
    PresetRecord record;
    for (int step = 0; step < 3000; ++step) {
        const ValueKey& k = valueKeys()[rng() % valueKeys().size()];
        std::string text = randomText(rng, kFormulaTextSize + 20);
        if (rng() % 8 == 0 && !text.empty()) text[rng() % text.size()] = '\0';
        switch (k.kind) {
        case ValueKind::Text:
        case ValueKind::OptText:
            record.setText(k, text);
            std::memset((whole.get()->*k.slot).text, 0, kFormulaTextSize);
            setFormulaText(whole.get()->*k.slot, text.c_str());
            break;
        case ValueKind::Path: {
            record.setText(k, text);
            const std::size_t n =
                std::min(std::strlen(text.c_str()), std::size_t(kMovieFileSize) - 1);
            std::memset(whole->moviefile, 0, kMovieFileSize);
            std::memcpy(whole->moviefile, text.data(), n);
            break;
        }
        case ValueKind::Integer:
        case ValueKind::Flag: {
            const auto v = static_cast<std::int32_t>(rng());
            record.setInteger(k, v);
            whole.get()->*k.integer = v;
            break;
        }
        case ValueKind::Real: {
            const double v = randomReal(rng);
            record.setReal(k, v);
            whole.get()->*k.real = v;
            break;
        }
        }
        if (step % 100 == 0) {
            const auto t = static_cast<std::int32_t>(rng());
            record.setTime(t);
            whole->time = t;
        }
        record.copyTo(*out);
        ASSERT_EQ(std::memcmp(whole.get(), out.get(), sizeof *out), 0)
            << "step " << step << " key " << k.key;
        if (k.kind == ValueKind::Text || k.kind == ValueKind::OptText) {
            ASSERT_EQ(record.text(k), std::string_view((whole.get()->*k.slot).text)) << k.key;
        }
    }
}

TEST(PresetRecord, DefaultsAreTheZeroRecordAndThePresetDefaults) {
    auto zero = zeroRecord();
    auto out = zeroRecord();
    std::memset(out.get(), 0x33, sizeof *out);
    PresetRecord().copyTo(*out);
    EXPECT_EQ(std::memcmp(zero.get(), out.get(), sizeof *out), 0);

    for (const std::string& name : {std::string("p"), std::string(), std::string(300, 'n')}) {
        auto expected = zeroRecord();
        expected->framerate = 10.0;
        expected->duration = 1.0;
        expected->depth = 2;
        expected->priority = 1;
        expected->codec = 3;
        const std::string movie = (name + ".mov").substr(0, kMovieFileSize - 1);
        std::memcpy(expected->moviefile, movie.data(), movie.size());
        presetDefaults(name).copyTo(*out);
        EXPECT_EQ(std::memcmp(expected.get(), out.get(), sizeof *out), 0) << name.size();
    }
}

} // namespace
} // namespace trevalin
