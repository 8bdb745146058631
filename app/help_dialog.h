// Help > Help Topics: the formula reference with a table of contents built from
// its headings and a search box that finds and highlights every match.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QTextBrowser;
class QTreeWidget;

namespace trevalin {

class HelpDialog : public QDialog {
    Q_OBJECT
  public:
    explicit HelpDialog(QWidget* parent = nullptr);

    // Highlights every match of text and selects the one at the caret, or with
    // next the one after it (wrapping to the start); returns the number of matches.
    int search(const QString& text, bool next = false);

    QTextBrowser* browser() const { return browser_; }
    QTreeWidget* contents() const { return contents_; }
    QLineEdit* searchBox() const { return search_; }

  private:
    void buildContents();
    void showHeading(int position);

    QTextBrowser* browser_;
    QTreeWidget* contents_;
    QLineEdit* search_;
    QLabel* matches_;
};

} // namespace trevalin
