#include "presets/page/props_c.h"

#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>
#include <QValidator>

#include "presets/page/presets_host.h"

namespace trevalin {

namespace {

// Counted in bytes, as presets.txt stores names: 32 bytes always read back
// whole (the reader keeps 63), whatever the characters.
class NameLimitValidator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        return input.toUtf8().size() > PropsC::kNameLimit ? Invalid : Acceptable;
    }
};

// A name as the label buffer holds it: at most kLabelLimit bytes, never
// ending inside a character.
std::string labelText(const std::string& name) {
    if (name.size() <= static_cast<std::size_t>(PropsC::kLabelLimit)) return name;
    std::size_t n = PropsC::kLabelLimit;
    while (n > 0 && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80)
        --n;
    return name.substr(0, n);
}

PresetNode* nodeOf(const QTreeWidgetItem* item) {
    return item ? reinterpret_cast<PresetNode*>(item->data(0, Qt::UserRole).value<quintptr>())
                : nullptr;
}

} // namespace

PropsC::PropsC(QWidget* parent) : QWidget(parent), settings_(std::make_unique<RenderSettings>()) {
    auto* layout = new QVBoxLayout(this);

    auto* nameRow = new QHBoxLayout;
    auto* nameLabel = new QLabel(tr("Name"), this);
    name_ = new QLineEdit(QStringLiteral("Default"), this);
    name_->setValidator(new NameLimitValidator(name_));
    nameLabel->setBuddy(name_);
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(name_, 1);
    layout->addLayout(nameRow);

    auto* buttons = new QHBoxLayout;
    save_ = new QPushButton(tr("Save"), this);
    load_ = new QPushButton(tr("Load"), this);
    delete_ = new QPushButton(tr("Delete"), this);
    for (QPushButton* button : {save_, load_, delete_}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);
    layout->addLayout(buttons);

    treeWidget_ = new QTreeWidget(this);
    treeWidget_->setColumnCount(1);
    treeWidget_->header()->hide();
    treeWidget_->setRootIsDecorated(true);
    treeWidget_->setSelectionMode(QAbstractItemView::SingleSelection);
    // A double click loads; a click on the selected item or F2 edits its label.
    treeWidget_->setEditTriggers(QAbstractItemView::SelectedClicked |
                                 QAbstractItemView::EditKeyPressed);
    layout->addWidget(treeWidget_, 1);

    setFocusProxy(treeWidget_);
    connect(save_, &QPushButton::clicked, this, &PropsC::Save);
    connect(load_, &QPushButton::clicked, this, &PropsC::Load);
    connect(delete_, &QPushButton::clicked, this, &PropsC::Delete);
    // On a category the double click only opens or closes it: Load skips categories.
    connect(treeWidget_, &QTreeWidget::itemDoubleClicked, this, [this] { Load(); });
    connect(treeWidget_, &QTreeWidget::itemChanged, this, &PropsC::Rename);
}

PropsC::~PropsC() {
    // Taking the window down closes an open label editor, which commits its
    // text: that must not reach Rename once the tree is gone.
    disconnect(treeWidget_, nullptr, this, nullptr);
}

void PropsC::SetWarningHandler(std::function<void(const QString&)> handler) {
    warn_ = std::move(handler);
}

void PropsC::Warn(const QString& text) {
    if (warn_) {
        warn_(text);
        return;
    }
    QMessageBox::warning(this, QApplication::applicationDisplayName(), text);
}

void PropsC::Note(const QString& text) {
    if (auto* mainWindow = qobject_cast<QMainWindow*>(window()))
        mainWindow->statusBar()->showMessage(text, 15000);
}

// ---- the file ---------------------------------------------------------------

void PropsC::ReadPresets(const QString& path) {
    if (read_) return;
    TakePresets(path, readPresetsFile(QFile::encodeName(path).toStdString()));
}

void PropsC::TakePresets(const QString& path, PresetsReadResult read) {
    if (read_) return;
    read_ = true;
    path_ = path;
    tree_ = std::move(read.tree);
    // What was read of a damaged file is shown, but written back it would
    // replace the presets that could not be read.
    writable_ = read.status != PresetsReadStatus::Failed;
    treeWidget_->clear();
    AddItems(nullptr, tree_.root());
    if (!writable_) {
        Warn(tr("The presets could not be read.\n%1\nChanges to the presets will not be saved.")
                 .arg(QString::fromStdString(read.error)));
    } else if (!read.warnings.empty()) {
        // Something was cut or dropped: say where, rather than lose it quietly.
        Note(tr("%1: %2 (%n warning(s))", nullptr, static_cast<int>(read.warnings.size()))
                 .arg(path, QString::fromStdString(read.warnings.front())));
    }
}

bool PropsC::WritePresets() {
    if (path_.isEmpty() || !writable_) return false;
    const PresetsWriteResult result =
        writePresetsFile(tree_, QFile::encodeName(path_).toStdString());
    if (!result.ok) {
        Warn(tr("The presets could not be saved.\n%1\nThe previous file is kept.")
                 .arg(QString::fromStdString(result.error)));
        return false;
    }
    // Written, but something will not read back as it is (a category name with
    // a blank, an over-long line): say so rather than lose it quietly later.
    if (!result.warnings.empty())
        Note(tr("Presets saved, but not everything will read back as it is: %1")
                 .arg(QString::fromStdString(result.warnings.front())));
    return true;
}

void PropsC::ChangeMade() {
    WritePresets();
}

// ---- the tree -----------------------------------------------------------------

QTreeWidgetItem* PropsC::MakeItem(PresetNode* node) {
    auto* item = new QTreeWidgetItem;
    const bool filling = filling_;
    filling_ = true;
    item->setText(0, QString::fromStdString(node->name()));
    item->setData(0, Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(node)));
    item->setIcon(
        0, style()->standardIcon(node->isPreset() ? QStyle::SP_FileIcon : QStyle::SP_DirIcon));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
    filling_ = filling;
    return item;
}

void PropsC::AddItems(QTreeWidgetItem* parentItem, const PresetNode& parent) {
    for (std::size_t i = 0; i < parent.childCount(); ++i) {
        PresetNode* node = parent.child(i);
        QTreeWidgetItem* item = MakeItem(node);
        if (parentItem)
            parentItem->addChild(item);
        else
            treeWidget_->addTopLevelItem(item);
        AddItems(item, *node);
    }
}

const PresetNode* PropsC::NodeOf(const QTreeWidgetItem* item) const {
    return nodeOf(item);
}

QTreeWidgetItem* PropsC::ItemOf(const PresetNode* node) const {
    for (QTreeWidgetItemIterator it(treeWidget_); *it; ++it) {
        if (nodeOf(*it) == node) return *it;
    }
    return nullptr;
}

void PropsC::SelectPreset(const PresetNode* preset) {
    QTreeWidgetItem* item = ItemOf(preset);
    if (!item) return;
    for (QTreeWidgetItem* up = item->parent(); up; up = up->parent())
        up->setExpanded(true);
    treeWidget_->setCurrentItem(item);
    treeWidget_->scrollToItem(item);
}

QTreeWidgetItem* PropsC::SelectedItem() const {
    return treeWidget_->selectedItems().value(0);
}

// ---- commands ---------------------------------------------------------------

void PropsC::Load() {
    const PresetNode* node = nodeOf(SelectedItem());
    if (!node || !node->isPreset()) return;
    *settings_ = *node->settings();
    if (host_) host_->ApplySettingsAndRender();
    name_->setText(QString::fromStdString(labelText(node->name())));
}

void PropsC::Save() {
    const QString typed = name_->text();
    // Only Load can put a longer name here; it is said, and saved all the same.
    if (typed.toUtf8().size() > kNameLimit)
        Warn(QStringLiteral("Please enter no more than %1 characters.").arg(kNameLimit));
    const std::string name = labelText(typed.toStdString());

    if (host_) host_->CollectSettings(*settings_);
    auto node = PresetNode::makePreset(name, *settings_);

    // Beside the selected item (a selected category gets it beside, not
    // inside), or at the end of the top level.
    QTreeWidgetItem* after = SelectedItem();
    PresetNode* added = after ? tree_.insertAfter(nodeOf(after), std::move(node))
                              : tree_.append(nullptr, std::move(node));
    if (!added) return;
    QTreeWidgetItem* item = MakeItem(added);
    if (!after) {
        treeWidget_->addTopLevelItem(item);
    } else if (QTreeWidgetItem* parent = after->parent()) {
        parent->insertChild(parent->indexOfChild(after) + 1, item);
    } else {
        treeWidget_->insertTopLevelItem(treeWidget_->indexOfTopLevelItem(after) + 1, item);
    }
    ChangeMade();
}

void PropsC::Delete() {
    QTreeWidgetItem* item = SelectedItem();
    if (!item) return;
    PresetNode* node = nodeOf(item);
    delete item;        // with its children
    tree_.remove(node); // releases the records of every preset below it
    ChangeMade();
}

void PropsC::Rename(QTreeWidgetItem* item) {
    if (filling_) return;
    PresetNode* node = nodeOf(item);
    if (!node) return;
    const QString text = item->text(0);
    // Compared as shown: a name that is not UTF-8 stays as it was unless edited.
    if (text == QString::fromStdString(node->name())) return;
    if (text.trimmed().isEmpty()) {
        // A blank name would come back from the file as "Untitled".
        filling_ = true;
        item->setText(0, QString::fromStdString(node->name()));
        filling_ = false;
        return;
    }
    tree_.rename(node, text.toStdString());
    ChangeMade();
}

void PropsC::GetSettings(RenderSettings& out) const {
    out = *settings_;
}

void PropsC::SetSettings(const RenderSettings& in) {
    *settings_ = in;
}

} // namespace trevalin
