#include "presets/preset_record.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

namespace trevalin {

namespace {

using RS = RenderSettings;

// A fixed text array of RenderSettings.
struct TextPlace {
    FormulaSlot RS::*slot = nullptr; // else moviefile, or with movie false sourcefile
    bool movie = false;

    std::span<char> in(RS& s) const {
        if (slot) return (s.*slot).text;
        if (movie) return s.moviefile;
        return s.sourcefile;
    }
    std::span<const char> in(const RS& s) const { return in(const_cast<RS&>(s)); }
    std::size_t room() const {
        return slot ? kFormulaTextSize : movie ? kMovieFileSize : kSourceFileSize;
    }
};

// Where each field of the key table, and the two fields outside it (the
// time position and the source file), lives in a record.
struct Layout {
    std::vector<std::size_t> index; // per key: its place among texts, integers or reals
    std::vector<TextPlace> texts;
    std::vector<std::int32_t RS::*> integers;
    std::vector<double RS::*> reals;
};

[[noreturn]] void layoutFault(const char* what) {
    std::fprintf(stderr, "PresetRecord: %s\n", what);
    std::abort();
}

Layout makeLayout() {
    Layout l;
    for (const ValueKey& k : valueKeys()) {
        switch (k.kind) {
        case ValueKind::Text:
        case ValueKind::OptText:
            l.index.push_back(l.texts.size());
            l.texts.push_back({k.slot, false});
            break;
        case ValueKind::Path:
            l.index.push_back(l.texts.size());
            l.texts.push_back({nullptr, true});
            break;
        case ValueKind::Integer:
        case ValueKind::Flag:
            l.index.push_back(l.integers.size());
            l.integers.push_back(k.integer);
            break;
        case ValueKind::Real:
            l.index.push_back(l.reals.size());
            l.reals.push_back(k.real);
            break;
        }
    }
    l.texts.push_back({nullptr, false}); // the source file
    // The time position has the last integer place; places between stay 0.
    if (l.texts.size() > PresetRecord::kTextCapacity ||
        l.integers.size() + 1 > PresetRecord::kIntegerCapacity ||
        l.reals.size() > PresetRecord::kRealCapacity)
        layoutFault("the key table holds more fields than the record has room for");
    return l;
}

const Layout& layout() {
    static const Layout l = makeLayout();
    return l;
}

std::size_t placeOf(const ValueKey& key) {
    const std::span<const ValueKey> keys = valueKeys();
    if (&key < keys.data() || &key >= keys.data() + keys.size())
        layoutFault("a key from outside the key table");
    return layout().index[static_cast<std::size_t>(&key - keys.data())];
}

} // namespace

PresetRecord::PresetRecord() : texts_(layout().texts.size(), '\0') {}

PresetRecord::PresetRecord(const RenderSettings& settings) {
    const Layout& l = layout();
    for (const TextPlace& place : l.texts) {
        const std::span<const char> text = place.in(settings);
        // A full array without a NUL is kept whole, as the writer would write it.
        texts_.append(text.data(), strnlen(text.data(), text.size()));
        texts_.push_back('\0');
    }
    for (std::size_t i = 0; i < l.integers.size(); ++i)
        integers_[i] = settings.*l.integers[i];
    integers_[kTimeIndex] = settings.time;
    for (std::size_t i = 0; i < l.reals.size(); ++i)
        reals_[i] = settings.*l.reals[i];
}

void PresetRecord::copyTo(RenderSettings& out) const {
    const Layout& l = layout();
    std::memset(&out, 0, sizeof out);
    const char* text = texts_.data();
    for (const TextPlace& place : l.texts) {
        const std::size_t length = std::strlen(text);
        const std::span<char> to = place.in(out);
        std::memcpy(to.data(), text, std::min(length, to.size()));
        text += length + 1;
    }
    for (std::size_t i = 0; i < l.integers.size(); ++i)
        out.*l.integers[i] = integers_[i];
    out.time = integers_[kTimeIndex];
    for (std::size_t i = 0; i < l.reals.size(); ++i)
        out.*l.reals[i] = reals_[i];
}

std::string_view PresetRecord::textAt(std::size_t index) const {
    const char* text = texts_.data();
    for (std::size_t i = 0; i < index; ++i)
        text += std::strlen(text) + 1;
    return text;
}

void PresetRecord::setTextAt(std::size_t index, std::string_view text) {
    const std::string_view old = textAt(index);
    const std::size_t at = static_cast<std::size_t>(old.data() - texts_.data());
    texts_.replace(at, old.size(), text);
}

std::string_view PresetRecord::text(const ValueKey& key) const {
    return textAt(placeOf(key));
}

std::int32_t PresetRecord::integer(const ValueKey& key) const {
    return integers_[placeOf(key)];
}

double PresetRecord::real(const ValueKey& key) const {
    return reals_[placeOf(key)];
}

void PresetRecord::setText(const ValueKey& key, std::string_view text) {
    const std::size_t place = placeOf(key);
    text = text.substr(0, std::min(text.find('\0'), layout().texts[place].room() - 1));
    setTextAt(place, text);
}

void PresetRecord::setInteger(const ValueKey& key, std::int32_t value) {
    integers_[placeOf(key)] = value;
}

void PresetRecord::setReal(const ValueKey& key, double value) {
    reals_[placeOf(key)] = value;
}

} // namespace trevalin
