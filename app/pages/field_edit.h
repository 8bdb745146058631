// Helpers the pages share for their text fields: length limits that behave
// like the framework's, UTF-8 conversion to and from record texts, and the mark
// on a formula that did not compile.
#pragma once

#include <QString>
#include <QValidator>
#include <initializer_list>
#include <utility>
#include <vector>

class QButtonGroup;
class QLineEdit;

namespace trevalin {

struct CompileFailure;
struct FormulaSlot;

// Refuses an edit that would make the text longer than limit bytes. A longer
// text set by the program is kept whole (never cut) and refused on reading.
class LengthLimitValidator : public QValidator {
  public:
    LengthLimitValidator(int limit, QObject* parent) : QValidator(parent), limit_(limit) {}
    State validate(QString& input, int& pos) const override;
    int limit() const { return limit_; }

  private:
    int limit_;
};

// Length of a text as the record stores it.
inline int storedLength(const QString& text) {
    return static_cast<int>(text.toUtf8().size());
}

void setLengthLimit(QLineEdit* edit, int limit);

// The check on reading: false, the framework's message and the focus on the
// edit when its text is over the limit.
bool checkLength(QLineEdit* edit, int limit);
// checkLength on each edit in turn, stopping at the first one over the limit.
bool checkLengths(std::initializer_list<QLineEdit*> edits, int limit);

QString slotText(const FormulaSlot& slot);
void setSlotText(FormulaSlot& slot, const QString& text);
QString fixedText(const char* text, int size);
void setFixedText(char* out, int size, const QString& text);

// Shows text, leaving the edit (cursor, undo) alone when it already holds it.
void showText(QLineEdit* edit, const QString& text);
// Checks the button with id value; an index outside the group checks none.
void showRadio(QButtonGroup* group, int value);
// The checked button's id, or current when none is checked, so that an index
// the page has no button for survives a load and save unchanged.
int readRadio(const QButtonGroup* group, int current);

// Marks the edit as holding a formula that failed to compile (message not
// empty) or clears the mark.
void markCompileFailure(QLineEdit* edit, const QString& message);

} // namespace trevalin
