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
    int Search(const QString& text, bool next = false);

    QTextBrowser* Browser() const { return browser_; }
    QTreeWidget* Contents() const { return contents_; }
    QLineEdit* SearchBox() const { return search_; }

  private:
    void BuildContents();
    void ShowHeading(int position);

    QTextBrowser* browser_;
    QTreeWidget* contents_;
    QLineEdit* search_;
    QLabel* matches_;
};

} // namespace trevalin
