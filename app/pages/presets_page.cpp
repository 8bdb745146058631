#include "app/pages/presets_page.h"

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

#include "app/pages/presets_host.h"

namespace trevalin {

namespace {

// Counted in bytes, as presets.txt stores names: 32 bytes always read back
// whole (the reader keeps 63), whatever the characters.
class NameLimitValidator : public QValidator {
  public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        return input.toUtf8().size() > PresetsPage::kNameLimit ? Invalid : Acceptable;
    }
};

// A name as the label buffer holds it: at most kLabelLimit bytes, never
// ending inside a character.
std::string labelText(const std::string& name) {
    if (name.size() <= static_cast<std::size_t>(PresetsPage::kLabelLimit)) return name;
    std::size_t n = PresetsPage::kLabelLimit;
    while (n > 0 && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80)
        --n;
    return name.substr(0, n);
}

PresetNode* nodeOf(const QTreeWidgetItem* item) {
    return item ? reinterpret_cast<PresetNode*>(item->data(0, Qt::UserRole).value<quintptr>())
                : nullptr;
}

} // namespace

PresetsPage::PresetsPage(QWidget* parent)
    : QWidget(parent), settings_(std::make_unique<RenderSettings>()) {
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
    connect(save_, &QPushButton::clicked, this, &PresetsPage::save);
    connect(load_, &QPushButton::clicked, this, &PresetsPage::load);
    connect(delete_, &QPushButton::clicked, this, &PresetsPage::deletePreset);
    // On a category the double click only opens or closes it: load skips categories.
    connect(treeWidget_, &QTreeWidget::itemDoubleClicked, this, [this] { load(); });
    connect(treeWidget_, &QTreeWidget::itemChanged, this, &PresetsPage::rename);
}

PresetsPage::~PresetsPage() {
    // Taking the window down closes an open label editor, which commits its
    // text: that must not reach rename once the tree is gone.
    disconnect(treeWidget_, nullptr, this, nullptr);
}

void PresetsPage::setWarningHandler(std::function<void(const QString&)> handler) {
    warn_ = std::move(handler);
}

void PresetsPage::warn(const QString& text) {
    if (warn_) {
        warn_(text);
        return;
    }
    QMessageBox::warning(this, QApplication::applicationDisplayName(), text);
}

void PresetsPage::note(const QString& text) {
    if (auto* mainWindow = qobject_cast<QMainWindow*>(window()))
        mainWindow->statusBar()->showMessage(text, 15000);
}

// ---- the file ---------------------------------------------------------------

void PresetsPage::readPresets(const QString& path) {
    if (read_) return;
    takePresets(path, readPresetsFile(QFile::encodeName(path).toStdString()));
}

void PresetsPage::takePresets(const QString& path, PresetsReadResult read) {
    if (read_) return;
    read_ = true;
    path_ = path;
    tree_ = std::move(read.tree);
    // What was read of a damaged file is shown, but written back it would
    // replace the presets that could not be read.
    writable_ = read.status != PresetsReadStatus::Failed;
    treeWidget_->clear();
    addItems(nullptr, tree_.root());
    if (!writable_) {
        warn(tr("The presets could not be read.\n%1\nChanges to the presets will not be saved.")
                 .arg(QString::fromStdString(read.error)));
    } else if (!read.warnings.empty()) {
        // Something was cut or dropped: say where, rather than lose it quietly.
        note(tr("%1: %2 (%n warning(s))", nullptr, static_cast<int>(read.warnings.size()))
                 .arg(path, QString::fromStdString(read.warnings.front())));
    }
}

bool PresetsPage::writePresets() {
    if (path_.isEmpty() || !writable_) return false;
    const PresetsWriteResult result =
        writePresetsFile(tree_, QFile::encodeName(path_).toStdString());
    if (!result.ok) {
        warn(tr("The presets could not be saved.\n%1\nThe previous file is kept.")
                 .arg(QString::fromStdString(result.error)));
        return false;
    }
    // Written, but something will not read back as it is (a category name with
    // a blank, an over-long line): say so rather than lose it quietly later.
    if (!result.warnings.empty())
        note(tr("Presets saved, but not everything will read back as it is: %1")
                 .arg(QString::fromStdString(result.warnings.front())));
    return true;
}

void PresetsPage::changeMade() {
    writePresets();
}

// ---- the tree -----------------------------------------------------------------

QTreeWidgetItem* PresetsPage::makeItem(PresetNode* node) {
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

void PresetsPage::addItems(QTreeWidgetItem* parentItem, const PresetNode& parent) {
    for (std::size_t i = 0; i < parent.childCount(); ++i) {
        PresetNode* node = parent.child(i);
        QTreeWidgetItem* item = makeItem(node);
        if (parentItem)
            parentItem->addChild(item);
        else
            treeWidget_->addTopLevelItem(item);
        addItems(item, *node);
    }
}

const PresetNode* PresetsPage::presetOf(const QTreeWidgetItem* item) const {
    return nodeOf(item);
}

QTreeWidgetItem* PresetsPage::itemOf(const PresetNode* node) const {
    for (QTreeWidgetItemIterator it(treeWidget_); *it; ++it) {
        if (nodeOf(*it) == node) return *it;
    }
    return nullptr;
}

void PresetsPage::selectPreset(const PresetNode* preset) {
    QTreeWidgetItem* item = itemOf(preset);
    if (!item) return;
    for (QTreeWidgetItem* up = item->parent(); up; up = up->parent())
        up->setExpanded(true);
    treeWidget_->setCurrentItem(item);
    treeWidget_->scrollToItem(item);
}

QTreeWidgetItem* PresetsPage::selectedItem() const {
    return treeWidget_->selectedItems().value(0);
}

// ---- commands ---------------------------------------------------------------

void PresetsPage::load() {
    const PresetNode* node = nodeOf(selectedItem());
    if (!node || !node->isPreset()) return;
    node->copySettings(*settings_);
    if (host_) host_->applySettingsAndRender();
    name_->setText(QString::fromStdString(labelText(node->name())));
}

void PresetsPage::save() {
    const QString typed = name_->text();
    // Only load can put a longer name here; it is said, and saved all the same.
    if (typed.toUtf8().size() > kNameLimit)
        warn(QStringLiteral("Please enter no more than %1 characters.").arg(kNameLimit));
    const std::string name = labelText(typed.toStdString());

    if (host_) host_->collectSettings(*settings_);
    auto node = PresetNode::makePreset(name, *settings_);

    // Beside the selected item (a selected category gets it beside, not
    // inside), or at the end of the top level.
    QTreeWidgetItem* after = selectedItem();
    PresetNode* added = after ? tree_.insertAfter(nodeOf(after), std::move(node))
                              : tree_.append(nullptr, std::move(node));
    if (!added) return;
    QTreeWidgetItem* item = makeItem(added);
    if (!after) {
        treeWidget_->addTopLevelItem(item);
    } else if (QTreeWidgetItem* parent = after->parent()) {
        parent->insertChild(parent->indexOfChild(after) + 1, item);
    } else {
        treeWidget_->insertTopLevelItem(treeWidget_->indexOfTopLevelItem(after) + 1, item);
    }
    changeMade();
}

void PresetsPage::deletePreset() {
    QTreeWidgetItem* item = selectedItem();
    if (!item) return;
    PresetNode* node = nodeOf(item);
    delete item;        // with its children
    tree_.remove(node); // releases the records of every preset below it
    changeMade();
}

void PresetsPage::rename(QTreeWidgetItem* item) {
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
    changeMade();
}

void PresetsPage::getSettings(RenderSettings& out) const {
    out = *settings_;
}

void PresetsPage::setSettings(const RenderSettings& in) {
    *settings_ = in;
}

} // namespace trevalin
