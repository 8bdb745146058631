#include <gtest/gtest.h>

#include "presets_test_support.h"

namespace trevalin {
namespace {

using presetstest::describe;
using presetstest::zeroRecord;

// Fractals{Mandel,Julia},Plain{},Misc{Deep{Mandel}},Last
PresetTree sampleTree() {
    auto rec = zeroRecord();
    PresetTree t;
    PresetNode* fractals = t.append(nullptr, PresetNode::makeCategory("Fractals"));
    t.append(fractals, PresetNode::makePreset("Mandel", *rec));
    t.append(fractals, PresetNode::makePreset("Julia", *rec));
    t.append(nullptr, PresetNode::makeCategory("Plain"));
    PresetNode* misc = t.append(nullptr, PresetNode::makeCategory("Misc"));
    PresetNode* deep = t.append(misc, PresetNode::makeCategory("Deep"));
    t.append(deep, PresetNode::makePreset("Mandel", *rec));
    t.append(nullptr, PresetNode::makePreset("Last", *rec));
    return t;
}

TEST(PresetTree, EditsMakeTheExpectedShape) {
    struct Case {
        const char* what;
        void (*edit)(PresetTree&);
        const char* shape;
    };
    const Case cases[] = {
        {"nothing", [](PresetTree&) {}, "Fractals{Mandel,Julia},Plain{},Misc{Deep{Mandel}},Last"},
        {"insert after a preset inside a category",
         [](PresetTree& t) {
             t.insertAfter(t.findByPath("Fractals/Mandel"),
                           PresetNode::makePreset("New", *zeroRecord()));
         },
         "Fractals{Mandel,New,Julia},Plain{},Misc{Deep{Mandel}},Last"},
        {"insert after a category puts it beside, not inside",
         [](PresetTree& t) {
             t.insertAfter(t.findByPath("Fractals"), PresetNode::makePreset("New", *zeroRecord()));
         },
         "Fractals{Mandel,Julia},New,Plain{},Misc{Deep{Mandel}},Last"},
        {"insert after the last item",
         [](PresetTree& t) {
             t.insertAfter(t.findByPath("Last"), PresetNode::makePreset("New", *zeroRecord()));
         },
         "Fractals{Mandel,Julia},Plain{},Misc{Deep{Mandel}},Last,New"},
        {"append at the top level",
         [](PresetTree& t) { t.append(nullptr, PresetNode::makePreset("New", *zeroRecord())); },
         "Fractals{Mandel,Julia},Plain{},Misc{Deep{Mandel}},Last,New"},
        {"remove a category with everything below",
         [](PresetTree& t) { t.remove(t.findByPath("Misc")); },
         "Fractals{Mandel,Julia},Plain{},Last"},
        {"remove a preset", [](PresetTree& t) { t.remove(t.findByPath("Fractals/Mandel")); },
         "Fractals{Julia},Plain{},Misc{Deep{Mandel}},Last"},
        {"rename", [](PresetTree& t) { t.rename(t.findByPath("Misc/Deep"), "Shallow"); },
         "Fractals{Mandel,Julia},Plain{},Misc{Shallow{Mandel}},Last"},
        {"a preset holds no children",
         [](PresetTree& t) {
             EXPECT_EQ(t.append(t.findByPath("Last"), PresetNode::makeCategory("X")), nullptr);
         },
         "Fractals{Mandel,Julia},Plain{},Misc{Deep{Mandel}},Last"},
        {"the root has no siblings",
         [](PresetTree& t) {
             EXPECT_EQ(t.insertAfter(&t.root(), PresetNode::makeCategory("X")), nullptr);
             EXPECT_EQ(t.remove(&t.root()), nullptr);
             EXPECT_FALSE(t.rename(&t.root(), "X"));
         },
         "Fractals{Mandel,Julia},Plain{},Misc{Deep{Mandel}},Last"},
        {"nodes of another tree are refused",
         [](PresetTree& t) {
             PresetTree other = sampleTree();
             PresetNode* foreign = other.findByPath("Fractals");
             EXPECT_EQ(t.append(foreign, PresetNode::makeCategory("X")), nullptr);
             EXPECT_EQ(t.insertAfter(foreign, PresetNode::makeCategory("X")), nullptr);
             EXPECT_EQ(t.remove(foreign), nullptr);
             EXPECT_FALSE(t.rename(foreign, "X"));
             EXPECT_EQ(describe(other), "Fractals{Mandel,Julia},Plain{},Misc{Deep{Mandel}},Last");
         },
         "Fractals{Mandel,Julia},Plain{},Misc{Deep{Mandel}},Last"},
        {"a detached subtree no longer belongs",
         [](PresetTree& t) {
             auto gone = t.remove(t.findByPath("Misc"));
             ASSERT_NE(gone, nullptr);
             EXPECT_EQ(gone->parent(), nullptr);
             EXPECT_EQ(t.append(gone->child(0), PresetNode::makeCategory("X")), nullptr);
         },
         "Fractals{Mandel,Julia},Plain{},Last"},
    };
    for (const Case& c : cases) {
        PresetTree t = sampleTree();
        c.edit(t);
        EXPECT_EQ(describe(t), c.shape) << c.what;
    }
}

TEST(PresetTree, FindsByNameAndPath) {
    struct Case {
        const char* query;
        bool byPath;
        const char* parentName; // null: not found; "" the top level
        std::size_t row;
    };
    const Case cases[] = {
        {"Mandel", false, "Fractals", 0}, // first in tree order
        {"Deep", false, "Misc", 0},
        {"Nope", false, nullptr, 0},
        {"Misc/Deep/Mandel", true, "Deep", 0},
        {"Fractals/Julia", true, "Fractals", 1},
        {"Last", true, "", 3},
        {"Plain", true, "", 1},
        {"Misc/Mandel", true, nullptr, 0}, // not a direct child
        {"Last/Mandel", true, nullptr, 0}, // through a preset
        {"Fractals/Julia/", true, nullptr, 0},
        {"", true, nullptr, 0},
    };
    PresetTree t = sampleTree();
    for (const Case& c : cases) {
        PresetNode* n = c.byPath ? t.findByPath(c.query) : t.findByName(c.query);
        if (!c.parentName) {
            EXPECT_EQ(n, nullptr) << c.query;
            continue;
        }
        ASSERT_NE(n, nullptr) << c.query;
        EXPECT_EQ(n->parent() ? n->parent()->name() : "", c.parentName) << c.query;
        EXPECT_EQ(n->row(), c.row) << c.query;
    }
}

TEST(PresetTree, PathSearchGoesOnIntoLaterCategoriesOfTheSameName) {
    auto rec = zeroRecord();
    PresetTree t;
    t.append(nullptr, PresetNode::makeCategory("A"));
    PresetNode* second = t.append(nullptr, PresetNode::makeCategory("A"));
    PresetNode* x = t.append(second, PresetNode::makePreset("x", *rec));
    EXPECT_EQ(t.findByPath("A/x"), x);
}

TEST(PresetTree, PresetsOwnACopyOfTheRecord) {
    auto rec = zeroRecord();
    setFormulaText(rec->red, "x*y");
    PresetTree t;
    PresetNode* p = t.append(nullptr, PresetNode::makePreset("p", *rec));
    setFormulaText(rec->red, "changed");
    ASSERT_TRUE(p->isPreset());
    EXPECT_STREQ(p->makeSettings()->red.text, "x*y");
    EXPECT_EQ(t.findByName("p")->record(), p->record());
    EXPECT_EQ(PresetNode::makeCategory("c")->record(), nullptr);
    EXPECT_EQ(PresetNode::makeCategory("c")->makeSettings(), nullptr);
}

} // namespace
} // namespace trevalin

namespace trevalin {
namespace {

TEST(PresetTreeLookup, PresetsInTreeOrderByNameOrPath) {
    PresetTree tree;
    RenderSettings s{};
    PresetNode* a = tree.append(nullptr, PresetNode::makeCategory("A"));
    tree.append(a, PresetNode::makeCategory("Empty"));
    PresetNode* b = tree.append(a, PresetNode::makeCategory("B"));
    const PresetNode* deep = tree.append(b, PresetNode::makePreset("one", s));
    const PresetNode* second = tree.append(a, PresetNode::makePreset("two", s));
    const PresetNode* top = tree.append(nullptr, PresetNode::makePreset("one", s));

    std::vector<std::string> paths;
    tree.forEachPreset([&](const PresetNode&, const std::string& path) { paths.push_back(path); });
    EXPECT_EQ(paths, (std::vector<std::string>{"A/B/one", "A/two", "one"}));

    struct Case {
        const char* wanted;
        const PresetNode* found;
    } cases[] = {{"one", deep},      {"A/B/one", deep}, {"two", second},    {"A/two", second},
                 {"B/one", nullptr}, {"A", nullptr},    {"Empty", nullptr}, {"", nullptr}};
    for (const Case& c : cases)
        EXPECT_EQ(tree.findPreset(c.wanted), c.found) << c.wanted;
    EXPECT_EQ(tree.firstPreset(), deep);
    (void)top;
    EXPECT_EQ(PresetTree().firstPreset(), nullptr);
}

} // namespace
} // namespace trevalin
