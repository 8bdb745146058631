// The presets tree: categories and named presets, children in order. Plain
// data without Qt, so the presets file and the Presets page share one model.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "presets/preset_record.h"
#include "render/render_settings.h"

namespace trevalin {

class PresetNode {
  public:
    static std::unique_ptr<PresetNode> makeCategory(std::string name);
    static std::unique_ptr<PresetNode> makePreset(std::string name, const RenderSettings& settings);
    static std::unique_ptr<PresetNode> makePreset(std::string name, PresetRecord record);

    // A preset owns a record; a category has none and may hold children.
    bool isPreset() const { return record_.has_value(); }
    bool isCategory() const { return !record_; }

    const std::string& name() const { return name_; }
    // Null for a category.
    const PresetRecord* record() const { return record_ ? &*record_ : nullptr; }
    PresetRecord* record() { return record_ ? &*record_ : nullptr; }
    // The preset as a whole RenderSettings, its code areas empty: a fresh copy
    // (null for a category), or written into out (false for a category).
    std::unique_ptr<RenderSettings> makeSettings() const;
    bool copySettings(RenderSettings& out) const;

    // Null for top-level items (and for the tree's invisible root).
    PresetNode* parent() const { return parent_ && !parent_->isRoot_ ? parent_ : nullptr; }
    std::size_t childCount() const { return children_.size(); }
    PresetNode* child(std::size_t i) const { return children_.at(i).get(); }
    // Position among the parent's children; 0 for the root.
    std::size_t row() const;

  private:
    friend class PresetTree;
    PresetNode() = default;

    std::string name_;
    std::optional<PresetRecord> record_;
    PresetNode* parent_ = nullptr; // the root for top-level items
    bool isRoot_ = false;
    std::vector<std::unique_ptr<PresetNode>> children_;
};

class PresetTree {
  public:
    PresetTree();
    // A moved-from tree stays usable: empty after a move construction.
    PresetTree(PresetTree&& other);
    PresetTree& operator=(PresetTree&& other) noexcept;

    // Invisible category whose children are the top-level items.
    const PresetNode& root() const { return *root_; }
    PresetNode& root() { return *root_; }
    bool empty() const { return root_->children_.empty(); }

    // The structural operations return null and change nothing when asked to
    // do something the tree cannot hold: a child under a preset, a sibling of
    // the root, a node of another tree, or no node at all.

    // Appends as the last child of parent; parent null means the top level.
    PresetNode* append(PresetNode* parent, std::unique_ptr<PresetNode> node);
    // Inserts right after sibling, under the same parent.
    PresetNode* insertAfter(PresetNode* sibling, std::unique_ptr<PresetNode> node);
    // Detaches node with everything below it and hands it back.
    std::unique_ptr<PresetNode> remove(PresetNode* node);
    bool rename(PresetNode* node, std::string name);

    // First node in tree order (depth first, children in order) named name.
    PresetNode* findByName(std::string_view name) const;
    // "Category/.../Name": categories along the way, any node at the end.
    // First match in tree order; names containing "/" cannot be reached.
    PresetNode* findByPath(std::string_view path) const;

    // Every preset in tree order with its path "Category/.../Name".
    void forEachPreset(
        const std::function<void(const PresetNode& preset, const std::string& path)>& visit) const;
    // The first preset in tree order; null for a tree without one.
    const PresetNode* firstPreset() const;
    // The first preset in tree order whose name, or whose path, equals nameOrPath.
    const PresetNode* findPreset(std::string_view nameOrPath) const;

  private:
    bool owns(const PresetNode* node) const;

    std::unique_ptr<PresetNode> root_;
};

} // namespace trevalin
