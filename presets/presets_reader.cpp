#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <istream>
#include <memory>
#include <new>
#include <sstream>
#include <unistd.h>

#include "base/c_numbers.h"
#include "presets/preset_keys.h"
#include "presets/presets_file.h"

namespace trevalin {

namespace {

constexpr std::string_view kBlanks = " \t";
constexpr std::string_view kUnnamed = "Untitled";

// Reads one line without its LF or CR LF. Only kPresetLineLimit characters are
// kept; the rest of an overlong line is consumed and dropped, never taken as a
// line of its own. A NUL ends the line as it would a C string.
bool readLine(std::istream& in, std::string& line, bool& cut) {
    line.clear();
    cut = false;
    std::size_t length = 0;
    char last = 0;
    bool seen = false;
    for (char c; in.get(c);) {
        seen = true;
        if (c == '\n') break;
        if (line.size() <= kPresetLineLimit) line.push_back(c); // one spare for a CR
        ++length;
        last = c;
    }
    if (!seen) return false;
    if (last == '\r') {
        --length;
        if (line.size() > length) line.resize(length);
    }
    if (length > kPresetLineLimit) {
        line.resize(kPresetLineLimit);
        cut = true;
    }
    line.resize(std::strlen(line.c_str()));
    return true;
}

// The next word: blanks skipped, up to the next blank.
std::string_view nextWord(std::string_view s) {
    std::size_t from = s.find_first_not_of(kBlanks);
    if (from == std::string_view::npos) return {};
    s.remove_prefix(from);
    return s.substr(0, s.find_first_of(kBlanks));
}

// A formula text: leading tabs skipped, up to the next tab; blanks kept.
std::string_view textValue(std::string_view s) {
    std::size_t from = s.find_first_not_of('\t');
    if (from == std::string_view::npos) return {};
    s.remove_prefix(from);
    return s.substr(0, s.find('\t'));
}

bool isBlank(std::string_view s) {
    return s.find_first_not_of(kBlanks) == std::string_view::npos;
}

class Reader {
  public:
    explicit Reader(PresetsReadResult& result) : result_(result) {}

    void line(std::string_view s) {
        ++lineNo_;
        std::size_t from = s.find_first_not_of(kBlanks);
        if (from == std::string_view::npos) return;
        s.remove_prefix(from);
        if (s[0] == '#' || s[0] == ';') return;

        std::size_t keyEnd = s.find_first_of(kBlanks);
        std::string_view key = s.substr(0, keyEnd);
        // Everything after the one separator that ends the key.
        std::string_view rest = keyEnd == std::string_view::npos ? "" : s.substr(keyEnd + 1);

        if (key == "CAT")
            openCategory(nextWord(rest));
        else if (key == "ENDCAT")
            closeCategory();
        else if (key == "PRESET")
            startPreset(rest);
        else if (key == "ENDPRESET")
            endPreset();
        else if (const ValueKey* k = findValueKey(key))
            value(*k, rest);
    }

    void lineCut() { warn("cut at " + std::to_string(kPresetLineLimit) + " characters"); }

    void finish() {
        if (inPreset_) warn("preset \"" + name_ + "\" has no ENDPRESET and is not added");
    }

    // Past the preset limit nothing more is read.
    bool full() const { return full_; }

  private:
    void warn(const std::string& what) {
        const std::size_t count = result_.warnings.size();
        if (count > kPresetWarningLimit) return;
        result_.warnings.push_back(count < kPresetWarningLimit
                                       ? "line " + std::to_string(lineNo_) + ": " + what
                                       : "line " + std::to_string(lineNo_) +
                                             ": more warnings; only the first " +
                                             std::to_string(kPresetWarningLimit) + " are listed");
    }

    PresetNode* innermost() const { return open_.empty() ? nullptr : open_.back(); }

    void openCategory(std::string_view name) {
        if (name.empty()) {
            // Still opened, so that its ENDCAT closes it and not its parent.
            warn("CAT without a name, named " + std::string(kUnnamed));
            name = kUnnamed;
        }
        if (open_.size() >= kCategoryDepthLimit) {
            // Its presets go into the deepest allowed category; its ENDCAT is
            // counted so the enclosing categories stay balanced.
            ++excess_;
            warn("category \"" + std::string(name) + "\" nests deeper than " +
                 std::to_string(kCategoryDepthLimit) + "; its presets join the category above");
            return;
        }
        open_.push_back(
            result_.tree.append(innermost(), PresetNode::makeCategory(std::string(name))));
    }

    void closeCategory() {
        if (excess_ > 0)
            --excess_;
        else if (!open_.empty())
            open_.pop_back();
    }

    void startPreset(std::string_view rest) {
        if (inPreset_) warn("preset \"" + name_ + "\" has no ENDPRESET and is not added");
        std::string_view name = rest.substr(0, rest.find('\r'));
        if (isBlank(name)) {
            warn("PRESET without a name, named " + std::string(kUnnamed));
            name = kUnnamed;
        }
        if (name.size() > kPresetNameLimit) {
            warn("preset name cut at " + std::to_string(kPresetNameLimit) + " characters");
            name = name.substr(0, kPresetNameLimit);
        }
        name_ = name;
        work_ = presetDefaults(name_);
        parent_ = innermost();
        inPreset_ = true;
    }

    void endPreset() {
        // Without an open preset there is nothing to add; adding the previous
        // record again would duplicate it.
        if (!inPreset_) return;
        result_.tree.append(parent_, PresetNode::makePreset(name_, std::move(work_)));
        inPreset_ = false;
        if (++presets_ == kPresetCountLimit) {
            warn("more than " + std::to_string(kPresetCountLimit) +
                 " presets; the rest of the file is not read");
            full_ = true;
        }
    }

    // Value lines outside a preset would only touch a record that the next
    // PRESET clears, so they are skipped outright.
    void value(const ValueKey& k, std::string_view rest) {
        if (!inPreset_) return;
        switch (k.kind) {
        case ValueKind::Text:
        case ValueKind::OptText: work_.setText(k, textValue(rest)); break;
        case ValueKind::Integer: work_.setInteger(k, parseInteger(nextWord(rest))); break;
        case ValueKind::Flag: work_.setInteger(k, parseInteger(nextWord(rest)) != 0 ? 1 : 0); break;
        case ValueKind::Real: work_.setReal(k, parseReal(nextWord(rest))); break;
        case ValueKind::Path:
            if (rest.size() >= kMovieFileSize)
                warn("movie file cut at " + std::to_string(kMovieFileSize - 1) + " characters");
            work_.setText(k, rest.empty() ? "Untitled.mov" : rest);
            break;
        }
    }

    PresetsReadResult& result_;
    std::size_t lineNo_ = 0;
    std::vector<PresetNode*> open_;
    std::size_t excess_ = 0;
    bool inPreset_ = false;
    std::size_t presets_ = 0;
    bool full_ = false;
    std::string name_;
    PresetNode* parent_ = nullptr;
    PresetRecord work_;
};

std::string failure(const std::string& where, int err) {
    return where + ": " + std::strerror(err);
}

// Memory running out is a read failure that says so, never an abort.
void readInto(std::istream& in, PresetsReadResult& result, const std::string& where) {
    try {
        Reader reader(result);
        std::string line;
        bool cut = false;
        while (!reader.full() && readLine(in, line, cut)) {
            reader.line(line);
            if (cut) reader.lineCut();
        }
        if (!reader.full()) reader.finish();
    } catch (const std::bad_alloc&) {
        result.status = PresetsReadStatus::Failed;
        result.error = where + ": out of memory";
    }
}

} // namespace

PresetRecord presetDefaults(std::string_view name) {
    static const PresetRecord base = [] {
        auto s = std::make_unique<RenderSettings>();
        std::memset(s.get(), 0, sizeof *s);
        s->framerate = 10.0;
        s->duration = 1.0;
        s->depth = 2;
        s->priority = 1;
        s->codec = 3;
        return PresetRecord(*s);
    }();
    static const ValueKey* const movieFile = findValueKey("moviefile");
    PresetRecord record = base;
    record.setText(*movieFile, std::string(name) + ".mov");
    return record;
}

void setPresetDefaults(RenderSettings& settings, std::string_view name) {
    presetDefaults(name).copyTo(settings);
}

PresetsReadResult readPresets(std::istream& in) {
    PresetsReadResult result;
    readInto(in, result, "presets");
    if (result.status == PresetsReadStatus::Read && in.bad()) {
        result.status = PresetsReadStatus::Failed;
        result.error = "read error";
    }
    return result;
}

PresetsReadResult readPresetsFile(const std::filesystem::path& path) {
    PresetsReadResult result;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        result.status = errno == ENOENT ? PresetsReadStatus::Missing : PresetsReadStatus::Failed;
        result.error = failure(path.string(), errno);
        return result;
    }
    // Slurp through the descriptor so that every read error is seen; a
    // directory opens fine but fails here with EISDIR.
    std::string bytes;
    char buf[65536];
    int err = 0;
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            try {
                bytes.append(buf, static_cast<std::size_t>(n));
            } catch (const std::bad_alloc&) {
                err = ENOMEM;
                break;
            }
        } else if (n == 0)
            break;
        else if (errno != EINTR) {
            err = errno;
            break;
        }
    }
    ::close(fd);
    std::istringstream in(std::move(bytes));
    readInto(in, result, path.string());
    if (err != 0) {
        result.status = PresetsReadStatus::Failed;
        result.error =
            err == ENOMEM ? path.string() + ": out of memory" : failure(path.string(), err);
    }
    return result;
}

} // namespace trevalin
