// A roomier editor for one formula: several lines, a monospaced font, colours
// from the scanner's own tokens, completion of the names the language knows,
// and the compiler's errors and warnings as the text is typed. Line breaks
// become spaces when the text goes back to its field, since a presets file
// keeps each formula on one line.
#pragma once

#include <QDialog>
#include <QSyntaxHighlighter>

class QCompleter;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;

namespace trevalin {

// Colours a formula by the tokens the scanner reads from each line.
class FormulaHighlighter : public QSyntaxHighlighter {
  public:
    explicit FormulaHighlighter(QTextDocument* document);

  protected:
    void highlightBlock(const QString& text) override;
};

class FormulaEditorDialog : public QDialog {
    Q_OBJECT
  public:
    FormulaEditorDialog(const QString& label, const QString& text, QWidget* parent = nullptr);

    // The text for the field: line breaks as spaces, everything else as typed.
    QString formula() const;

    QPlainTextEdit* editor() const { return editor_; }
    QListWidget* messages() const { return messages_; }
    QCompleter* completer() const { return completer_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void recheck();
    void showMessagePlace(int row);
    void complete(bool force);
    void insertCompletion(const QString& name);
    QString wordBeforeCursor() const;

    QString label_;
    QPlainTextEdit* editor_;
    QListWidget* messages_;
    QCompleter* completer_;
};

// The names completion offers: the callable functions and the variables.
QStringList completionNames();

// Adds the editor button to the edit and opens the editor on a double click;
// the label names the field in the editor's title and messages.
void attachFormulaEditor(QLineEdit* edit);

} // namespace trevalin
