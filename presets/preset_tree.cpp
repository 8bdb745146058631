#include "presets/preset_tree.h"

#include <algorithm>
#include <utility>

namespace trevalin {

namespace {

std::unique_ptr<PresetNode>* findSlot(std::vector<std::unique_ptr<PresetNode>>& children,
                                      const PresetNode* node) {
    auto it =
        std::find_if(children.begin(), children.end(),
                     [node](const std::unique_ptr<PresetNode>& c) { return c.get() == node; });
    return it == children.end() ? nullptr : &*it;
}

} // namespace

std::unique_ptr<PresetNode> PresetNode::makeCategory(std::string name) {
    std::unique_ptr<PresetNode> node(new PresetNode);
    node->name_ = std::move(name);
    return node;
}

std::unique_ptr<PresetNode> PresetNode::makePreset(std::string name,
                                                   const RenderSettings& settings) {
    std::unique_ptr<PresetNode> node(new PresetNode);
    node->name_ = std::move(name);
    node->record_.emplace(settings);
    return node;
}

std::unique_ptr<PresetNode> PresetNode::makePreset(std::string name, PresetRecord record) {
    std::unique_ptr<PresetNode> node(new PresetNode);
    node->name_ = std::move(name);
    node->record_.emplace(std::move(record));
    return node;
}

std::unique_ptr<RenderSettings> PresetNode::makeSettings() const {
    if (!record_) return nullptr;
    auto settings = std::make_unique<RenderSettings>();
    record_->copyTo(*settings);
    return settings;
}

bool PresetNode::copySettings(RenderSettings& out) const {
    if (!record_) return false;
    record_->copyTo(out);
    return true;
}

std::size_t PresetNode::row() const {
    if (!parent_) return 0;
    const auto& siblings = parent_->children_;
    for (std::size_t i = 0; i < siblings.size(); ++i)
        if (siblings[i].get() == this) return i;
    return 0;
}

PresetTree::PresetTree() : root_(PresetNode::makeCategory({})) {
    root_->isRoot_ = true;
}

PresetTree::PresetTree(PresetTree&& other) : PresetTree() {
    std::swap(root_, other.root_);
}

PresetTree& PresetTree::operator=(PresetTree&& other) noexcept {
    std::swap(root_, other.root_);
    return *this;
}

bool PresetTree::owns(const PresetNode* node) const {
    while (node && node->parent_)
        node = node->parent_;
    return node == root_.get();
}

PresetNode* PresetTree::append(PresetNode* parent, std::unique_ptr<PresetNode> node) {
    PresetNode* into = parent ? parent : root_.get();
    if (!node || into->isPreset() || !owns(into)) return nullptr;
    node->parent_ = into;
    into->children_.push_back(std::move(node));
    return into->children_.back().get();
}

PresetNode* PresetTree::insertAfter(PresetNode* sibling, std::unique_ptr<PresetNode> node) {
    if (!node || !sibling || sibling == root_.get() || !owns(sibling)) return nullptr;
    PresetNode* into = sibling->parent_;
    auto& children = into->children_;
    auto at = children.begin() + static_cast<std::ptrdiff_t>(sibling->row()) + 1;
    node->parent_ = into;
    return children.insert(at, std::move(node))->get();
}

std::unique_ptr<PresetNode> PresetTree::remove(PresetNode* node) {
    if (!node || node == root_.get() || !owns(node)) return nullptr;
    auto& children = node->parent_->children_;
    std::unique_ptr<PresetNode>* slot = findSlot(children, node);
    std::unique_ptr<PresetNode> detached = std::move(*slot);
    children.erase(children.begin() + (slot - children.data()));
    detached->parent_ = nullptr;
    return detached;
}

bool PresetTree::rename(PresetNode* node, std::string name) {
    if (!node || node == root_.get() || !owns(node)) return false;
    node->name_ = std::move(name);
    return true;
}

namespace {

PresetNode* findNamed(const PresetNode& node, std::string_view name) {
    for (std::size_t i = 0; i < node.childCount(); ++i) {
        PresetNode* c = node.child(i);
        if (c->name() == name) return c;
        if (PresetNode* found = findNamed(*c, name)) return found;
    }
    return nullptr;
}

PresetNode* findAlong(const PresetNode& node, const std::vector<std::string_view>& parts,
                      std::size_t depth) {
    for (std::size_t i = 0; i < node.childCount(); ++i) {
        PresetNode* c = node.child(i);
        if (c->name() != parts[depth]) continue;
        if (depth + 1 == parts.size()) return c;
        // Duplicate category names are legal; keep looking in the next one.
        if (c->isCategory())
            if (PresetNode* found = findAlong(*c, parts, depth + 1)) return found;
    }
    return nullptr;
}

} // namespace

PresetNode* PresetTree::findByName(std::string_view name) const {
    return findNamed(*root_, name);
}

PresetNode* PresetTree::findByPath(std::string_view path) const {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        std::size_t slash = path.find('/', start);
        parts.push_back(path.substr(start, slash - start));
        if (slash == std::string_view::npos) break;
        start = slash + 1;
    }
    return findAlong(*root_, parts, 0);
}

namespace {
void visitPresets(const PresetNode& node, const std::string& prefix,
                  const std::function<void(const PresetNode&, const std::string&)>& visit) {
    for (std::size_t i = 0; i < node.childCount(); ++i) {
        const PresetNode* c = node.child(i);
        const std::string path = prefix + c->name();
        if (c->isPreset())
            visit(*c, path);
        else
            visitPresets(*c, path + "/", visit);
    }
}
} // namespace

void PresetTree::forEachPreset(
    const std::function<void(const PresetNode&, const std::string&)>& visit) const {
    visitPresets(*root_, "", visit);
}

const PresetNode* PresetTree::firstPreset() const {
    const PresetNode* first = nullptr;
    forEachPreset([&](const PresetNode& p, const std::string&) {
        if (!first) first = &p;
    });
    return first;
}

const PresetNode* PresetTree::findPreset(std::string_view nameOrPath) const {
    const PresetNode* found = nullptr;
    forEachPreset([&](const PresetNode& p, const std::string& path) {
        if (!found && (p.name() == nameOrPath || path == nameOrPath)) found = &p;
    });
    return found;
}

} // namespace trevalin
