#include "app/help_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSplitter>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/help_reference.h"

namespace trevalin {

HelpDialog::HelpDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Trevalin Help"));
    auto* layout = new QVBoxLayout(this);

    auto* searchRow = new QHBoxLayout;
    search_ = new QLineEdit(this);
    search_->setObjectName(QStringLiteral("search"));
    search_->setPlaceholderText(tr("Search"));
    search_->setClearButtonEnabled(true);
    matches_ = new QLabel(this);
    searchRow->addWidget(search_, 1);
    searchRow->addWidget(matches_);
    layout->addLayout(searchRow);

    auto* split = new QSplitter(this);
    contents_ = new QTreeWidget(split);
    contents_->setObjectName(QStringLiteral("contents"));
    contents_->setHeaderHidden(true);
    browser_ = new QTextBrowser(split);
    browser_->setObjectName(QStringLiteral("reference"));
    browser_->setHtml(formulaReferenceHtml());
    split->setStretchFactor(1, 3);
    layout->addWidget(split, 1);

    buildContents();
    connect(contents_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item) showHeading(item->data(0, Qt::UserRole).toInt());
    });
    connect(search_, &QLineEdit::textChanged, this, [this](const QString& text) { search(text); });
    // Enter finds the next match.
    connect(search_, &QLineEdit::returnPressed, this, [this] { search(search_->text(), true); });
    resize(820, 600);
}

void HelpDialog::buildContents() {
    contents_->clear();
    QTreeWidgetItem* top = nullptr;
    for (QTextBlock b = browser_->document()->begin(); b.isValid(); b = b.next()) {
        const int level = b.blockFormat().headingLevel();
        if (level == 0 || b.text().trimmed().isEmpty()) continue;
        auto* item =
            (level <= 2 || !top) ? new QTreeWidgetItem(contents_) : new QTreeWidgetItem(top);
        if (level <= 2) top = item;
        item->setText(0, b.text().trimmed());
        item->setData(0, Qt::UserRole, b.position());
    }
    contents_->expandAll();
}

void HelpDialog::showHeading(int position) {
    QTextCursor cursor(browser_->document());
    cursor.setPosition(position);
    browser_->setTextCursor(cursor);
    // The heading at the top of the view, not just somewhere in it.
    QScrollBar* bar = browser_->verticalScrollBar();
    bar->setValue(bar->maximum());
    browser_->ensureCursorVisible();
}

int HelpDialog::search(const QString& text, bool next) {
    QList<QTextEdit::ExtraSelection> marks;
    QTextDocument* doc = browser_->document();
    if (!text.isEmpty()) {
        QTextCharFormat found;
        found.setBackground(QColor("#ffe680"));
        for (QTextCursor c = doc->find(text); !c.isNull(); c = doc->find(text, c)) {
            QTextEdit::ExtraSelection mark;
            mark.cursor = c;
            mark.format = found;
            marks << mark;
        }
    }
    browser_->setExtraSelections(marks);
    matches_->setText(text.isEmpty()    ? QString()
                      : marks.isEmpty() ? tr("not found")
                                        : tr("%n match(es)", nullptr, marks.size()));
    if (!marks.isEmpty()) {
        // Typing refines the match in place; Enter moves past it.
        QTextCursor from = browser_->textCursor();
        if (!next) from.setPosition(from.selectionStart());
        QTextCursor match = doc->find(text, from);
        if (match.isNull()) match = marks.front().cursor; // wrap to the start
        browser_->setTextCursor(match);
        browser_->ensureCursorVisible();
    }
    return static_cast<int>(marks.size());
}

} // namespace trevalin
