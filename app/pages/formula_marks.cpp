#include "app/pages/formula_marks.h"

#include <QLineEdit>
#include <QStringList>
#include <QWidget>
#include <algorithm>

namespace trevalin {
namespace {

constexpr const char* kLabelProperty = "fieldLabel";
constexpr const char* kKeyProperty = "formulaKey";

} // namespace

void setFieldLabel(QLineEdit* edit, const QString& label) {
    edit->setProperty(kLabelProperty, label);
}

QString fieldLabel(const QLineEdit* edit) {
    return edit->property(kLabelProperty).toString();
}

QString fieldMessage(const QString& label, const QString& text, const FormulaDiagnostic& d) {
    const QByteArray bytes = text.toUtf8();
    return QString::fromStdString(labelledText(
        label.toStdString(),
        std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), d));
}

int textIndexOfOffset(const QString& text, int byteOffset) {
    const QByteArray bytes = text.toUtf8();
    const int clamped = std::clamp(byteOffset, 0, static_cast<int>(bytes.size()));
    return static_cast<int>(QString::fromUtf8(bytes.constData(), clamped).size());
}

FormulaCheck markFormulaEdit(QLineEdit* edit) {
    const QString text = edit->text();
    FormulaCheck check = checkFormula(text.toUtf8().toStdString());
    const QString label = fieldLabel(edit);
    QStringList lines;
    bool warned = false;
    // The error first: it is what stops the render.
    if (const FormulaDiagnostic* error = firstError(check.diagnostics))
        lines << fieldMessage(label, text, *error);
    for (const FormulaDiagnostic& d : check.diagnostics) {
        if (severityOf(d.kind) != Severity::Warning) continue;
        warned = true;
        lines << fieldMessage(label, text, d);
    }
    const QString tip = lines.join(QLatin1Char('\n'));
    const bool failed = check.failed;
    if (edit->property("compileError").toBool() != failed ||
        edit->property("compileWarning").toBool() != warned || edit->toolTip() != tip) {
        edit->setProperty("compileError", failed);
        edit->setProperty("compileWarning", warned && !failed);
        edit->setToolTip(tip);
        edit->setStyleSheet(failed   ? QStringLiteral("QLineEdit { background-color: #ffd8d8; }")
                            : warned ? QStringLiteral("QLineEdit { background-color: #fff6d0; }")
                                     : QString());
    }
    return check;
}

QLineEdit* formulaEditFor(QWidget* root, const char* key, const QString& text) {
    QLineEdit* first = nullptr;
    for (QLineEdit* edit : root->findChildren<QLineEdit*>()) {
        if (edit->property(kKeyProperty).toString() != QLatin1String(key)) continue;
        if (edit->text() == text) return edit;
        if (!first) first = edit;
    }
    return first;
}

void watchFormulaEdit(QLineEdit* edit, const char* key, const QString& label) {
    edit->setProperty(kKeyProperty, QString::fromLatin1(key));
    setFieldLabel(edit, label);
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit] { markFormulaEdit(edit); });
    markFormulaEdit(edit);
}

void showDiagnosticPlace(QLineEdit* edit, const FormulaDiagnostic& d) {
    const QString text = edit->text();
    const int from = textIndexOfOffset(text, d.offset);
    const int to = textIndexOfOffset(text, d.offset + d.length);
    if (to > from)
        edit->setSelection(from, to - from);
    else
        edit->setCursorPosition(from);
}

} // namespace trevalin
