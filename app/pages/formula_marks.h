// Marks on the edits that hold formulas. A text that does not compile is marked
// red with its error, one that compiles but likely means something else a
// lighter yellow with its warnings; the tooltip names the field by its label.
// The marks follow the text as it is typed.
#pragma once

#include <QString>

#include "formula/compiler.h"

class QLineEdit;
class QWidget;

namespace trevalin {

// The label a field's messages are named by ("Red", "left"), kept on the edit.
void setFieldLabel(QLineEdit* edit, const QString& label);
QString fieldLabel(const QLineEdit* edit);

// Checks the edit's text and marks it (or clears the marks); returns the check.
FormulaCheck markFormulaEdit(QLineEdit* edit);
// names the edit by its record key and label, marks it now and again whenever
// its text changes.
void watchFormulaEdit(QLineEdit* edit, const char* key, const QString& label);
// The watched edit under root for a record key; among several (the zoom is on
// two pages) the one holding text.
QLineEdit* formulaEditFor(QWidget* root, const char* key, const QString& text);

// "Red: parse error at column 4: unexpected end of formula, expected a value"
QString fieldMessage(const QString& label, const QString& text, const FormulaDiagnostic& d);
// The index in text of the character at a byte offset of its UTF-8 form.
int textIndexOfOffset(const QString& text, int byteOffset);
// Puts the caret at the diagnostic's place, the place selected when it has a length.
void showDiagnosticPlace(QLineEdit* edit, const FormulaDiagnostic& d);

} // namespace trevalin
