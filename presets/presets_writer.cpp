#include <algorithm>
#include <cstring>
#include <ostream>
#include <sstream>

#include "base/c_numbers.h"
#include "base/replacement_file.h"
#include "presets/preset_keys.h"
#include "presets/presets_file.h"

namespace trevalin {

namespace {

// "CAT" takes one word, and a missing one becomes "Untitled".
std::string readBackCategory(std::string_view name) {
    std::size_t from = name.find_first_not_of(" \t");
    if (from == std::string_view::npos) return "Untitled";
    name.remove_prefix(from);
    return std::string(name.substr(0, name.find_first_of(" \t")));
}

bool holdsPreset(const PresetNode& node) {
    if (node.isPreset()) return true;
    for (std::size_t i = 0; i < node.childCount(); ++i)
        if (holdsPreset(*node.child(i))) return true;
    return false;
}

class Writer {
  public:
    Writer(std::ostream& out, PresetsWriteResult& result) : out_(out), result_(result) {}

    void item(const PresetNode& node) {
        if (node.isPreset()) {
            preset(node);
            return;
        }
        // A category without any preset below it is dropped, and so is one
        // holding only such categories: written, it would come back empty.
        if (!holdsPreset(node)) return;
        std::string name = writtenName(node);
        std::string back = readBackCategory(name);
        if (back != name) warn("category name reads back as \"" + back + "\"");
        line("CAT " + name);
        path_.push_back(name);
        for (std::size_t i = 0; i < node.childCount(); ++i)
            item(*node.child(i));
        path_.pop_back();
        line("ENDCAT");
    }

  private:
    void warn(const std::string& what) {
        std::string where;
        for (const std::string& p : path_)
            where += p + "/";
        result_.warnings.push_back(where + current_ + ": " + what);
    }

    void line(std::string_view s) {
        out_ << s << '\n';
        if (s.size() > kPresetLineLimit)
            warn("a line of " + std::to_string(s.size()) + " characters reads back cut at " +
                 std::to_string(kPresetLineLimit));
    }

    // A line end inside a value would split it into lines of its own and could
    // forge structure lines; a blank keeps formulas meaning the same.
    std::string oneLine(std::string_view text, std::string_view what) {
        std::string s(text);
        if (s.find_first_of("\r\n") != std::string::npos) {
            std::replace_if(
                s.begin(), s.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
            warn(std::string(what) + ": line ends written as blanks");
        }
        return s;
    }

    std::string writtenName(const PresetNode& node) {
        current_ = node.name();
        std::string name = node.name();
        if (name.size() > kWrittenNameLimit) {
            warn("name cut at " + std::to_string(kWrittenNameLimit) + " characters");
            name.resize(kWrittenNameLimit);
        }
        return oneLine(name, "name");
    }

    void preset(const PresetNode& node) {
        std::string name = writtenName(node);
        if (name.find_first_not_of(" \t") == std::string::npos)
            warn("a blank name reads back as \"Untitled\"");
        else if (name.size() > kPresetNameLimit)
            warn("name reads back cut at " + std::to_string(kPresetNameLimit) + " characters");
        line("  PRESET " + name);

        const PresetRecord& r = *node.record();
        for (const ValueKey& k : valueKeys()) {
            std::string key = "    " + std::string(k.key) + " ";
            switch (k.kind) {
            case ValueKind::Text:
            case ValueKind::OptText: {
                const std::string_view text = r.text(k);
                if (k.kind == ValueKind::OptText && text.empty()) break;
                if (text.find('\t') != std::string_view::npos)
                    warn(std::string(k.key) + " holds a tab and reads back cut there");
                line(key + oneLine(text, k.key));
                break;
            }
            case ValueKind::Integer: line(key + std::to_string(r.integer(k))); break;
            case ValueKind::Real: line(key + formatReal(r.real(k))); break;
            case ValueKind::Flag:
                if (r.integer(k) != 0) line(key + "1");
                break;
            case ValueKind::Path: {
                const std::string_view path = r.text(k);
                if (!path.empty()) line(key + oneLine(path, k.key));
                break;
            }
            }
        }
        line("  ENDPRESET");
    }

    std::ostream& out_;
    PresetsWriteResult& result_;
    std::vector<std::string> path_; // categories around the item being written
    std::string current_;
};

} // namespace

PresetsWriteResult writePresets(const PresetTree& tree, std::ostream& out) {
    PresetsWriteResult result;
    out << "# Automatically created\n";
    Writer writer(out, result);
    const PresetNode& root = tree.root();
    for (std::size_t i = 0; i < root.childCount(); ++i)
        writer.item(*root.child(i));
    out.flush();
    if (!out) {
        result.ok = false;
        result.error = "write error";
    }
    return result;
}

PresetsWriteResult writePresetsFile(const PresetTree& tree, const std::filesystem::path& path) {
    std::ostringstream text;
    PresetsWriteResult result = writePresets(tree, text);
    if (result.ok && !replaceFileContents(path.string(), text.view(), result.error))
        result.ok = false;
    return result;
}

} // namespace trevalin
