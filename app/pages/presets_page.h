// The Presets page: the presets of presets.txt as a tree of categories and
// named presets. load puts a preset into the pages and the document and
// renders it; save adds the pages' current values as a new preset; deletePreset and
// in-place renaming edit the tree. The file is read once, at start, and written
// whole after every change and again at exit, always to the file it was read
// from and never over a file that could not be read.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

#include "presets/presets_file.h"

class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace trevalin {

class PresetsHost;

class PresetsPage : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kNameLimit = 32;   // typed characters of the Name box
    static constexpr int kLabelLimit = 255; // bytes of a name taken from a label

    explicit PresetsPage(QWidget* parent = nullptr);
    ~PresetsPage() override;

    void setHost(PresetsHost* host) { host_ = host; }
    // Where the page's warnings go; by default a message box.
    void setWarningHandler(std::function<void(const QString&)> handler);

    // Reads the file into the tree. Only the first call reads: a second one
    // would add every preset again.
    void readPresets(const QString& path);
    // The same with a result already read from path.
    void takePresets(const QString& path, PresetsReadResult read);
    // Writes the whole tree to the file it came from. False after a warning
    // when the write failed (the previous file stays as it was), and without
    // writing when there is no file or the file could not be read.
    bool writePresets();

    // The buttons and the tree's notifications.
    void load();
    void save();
    void deletePreset();

    void getSettings(RenderSettings& out) const;
    // The record load and the main window's applySettingsAndRender use.
    void setSettings(const RenderSettings& in);

    const PresetTree& tree() const { return tree_; }
    // Selects the item of preset (opening the categories around it).
    void selectPreset(const PresetNode* preset);
    const PresetNode* presetOf(const QTreeWidgetItem* item) const;
    QTreeWidgetItem* itemOf(const PresetNode* node) const;

    QString presetsPath() const { return path_; }
    // False once the file has failed to read: the tree is then never written.
    bool writable() const { return writable_; }

    QLineEdit* nameEdit() const { return name_; }
    QTreeWidget* treeWidget() const { return treeWidget_; }
    QPushButton* saveButton() const { return save_; }
    QPushButton* loadButton() const { return load_; }
    QPushButton* deleteButton() const { return delete_; }

  private:
    void rename(QTreeWidgetItem* item);
    void addItems(QTreeWidgetItem* parentItem, const PresetNode& parent);
    QTreeWidgetItem* makeItem(PresetNode* node);
    QTreeWidgetItem* selectedItem() const;
    // Keeps the file in step with the tree, so that a crash loses nothing.
    void changeMade();
    void warn(const QString& text);
    // A note in the main window's status bar, for what needs no answer.
    void note(const QString& text);

    PresetsHost* host_ = nullptr;
    std::function<void(const QString&)> warn_;
    PresetTree tree_;
    std::unique_ptr<RenderSettings> settings_;
    QString path_;
    bool read_ = false;
    bool writable_ = false;
    bool filling_ = false; // items are being made: their changes are not renames

    QLineEdit* name_;
    QPushButton* save_;
    QPushButton* load_;
    QPushButton* delete_;
    QTreeWidget* treeWidget_;
};

} // namespace trevalin
