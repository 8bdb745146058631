// The Presets page: the presets of presets.txt as a tree of categories and
// named presets. Load puts a preset into the pages and the document and
// renders it; Save adds the pages' current values as a new preset; Delete and
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

class PropsC : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kNameLimit = 32;   // typed characters of the Name box
    static constexpr int kLabelLimit = 255; // bytes of a name taken from a label

    explicit PropsC(QWidget* parent = nullptr);
    ~PropsC() override;

    void SetHost(PresetsHost* host) { host_ = host; }
    // Where the page's warnings go; by default a message box.
    void SetWarningHandler(std::function<void(const QString&)> handler);

    // Reads the file into the tree. Only the first call reads: a second one
    // would add every preset again.
    void ReadPresets(const QString& path);
    // The same with a result already read from path.
    void TakePresets(const QString& path, PresetsReadResult read);
    // Writes the whole tree to the file it came from. False after a warning
    // when the write failed (the previous file stays as it was), and without
    // writing when there is no file or the file could not be read.
    bool WritePresets();

    // The buttons and the tree's notifications.
    void Load();
    void Save();
    void Delete();

    void GetSettings(RenderSettings& out) const;
    // The record Load and the main window's ApplySettingsAndRender use.
    void SetSettings(const RenderSettings& in);

    const PresetTree& Tree() const { return tree_; }
    // Selects the item of preset (opening the categories around it).
    void SelectPreset(const PresetNode* preset);
    const PresetNode* NodeOf(const QTreeWidgetItem* item) const;
    QTreeWidgetItem* ItemOf(const PresetNode* node) const;

    QString PresetsPath() const { return path_; }
    // False once the file has failed to read: the tree is then never written.
    bool Writable() const { return writable_; }

    QLineEdit* NameEdit() const { return name_; }
    QTreeWidget* TreeWidget() const { return treeWidget_; }
    QPushButton* SaveButton() const { return save_; }
    QPushButton* LoadButton() const { return load_; }
    QPushButton* DeleteButton() const { return delete_; }

  private:
    void Rename(QTreeWidgetItem* item);
    void AddItems(QTreeWidgetItem* parentItem, const PresetNode& parent);
    QTreeWidgetItem* MakeItem(PresetNode* node);
    QTreeWidgetItem* SelectedItem() const;
    // Keeps the file in step with the tree, so that a crash loses nothing.
    void ChangeMade();
    void Warn(const QString& text);
    // A note in the main window's status bar, for what needs no answer.
    void Note(const QString& text);

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
