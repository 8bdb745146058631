#include "app/pages/field_edit.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QLineEdit>
#include <cstring>

#include "app/pages/formula_marks.h"
#include "app/user_messages.h"
#include "formula/formula_slot.h"
#include "render/document.h"

namespace trevalin {

QValidator::State LengthLimitValidator::validate(QString& input, int&) const {
    return storedLength(input) > limit_ ? Invalid : Acceptable;
}

void setLengthLimit(QLineEdit* edit, int limit) {
    edit->setValidator(new LengthLimitValidator(limit, edit));
}

bool checkLength(QLineEdit* edit, int limit) {
    if (storedLength(edit->text()) <= limit) return true;
    showWarning(edit, QStringLiteral("Please enter no more than %1 characters.").arg(limit));
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
    return false;
}

bool checkLengths(std::initializer_list<QLineEdit*> edits, int limit) {
    for (QLineEdit* edit : edits) {
        if (!checkLength(edit, limit)) return false;
    }
    return true;
}

QString slotText(const FormulaSlot& slot) {
    return QString::fromUtf8(slot.text,
                             static_cast<qsizetype>(strnlen(slot.text, sizeof slot.text)));
}

void setSlotText(FormulaSlot& slot, const QString& text) {
    setFormulaText(slot, text.toUtf8().constData());
}

QString fixedText(const char* text, int size) {
    return QString::fromUtf8(text, static_cast<qsizetype>(strnlen(text, size)));
}

void setFixedText(char* out, int size, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    const auto n = std::min<qsizetype>(bytes.size(), size - 1);
    std::memcpy(out, bytes.constData(), n);
    std::memset(out + n, 0, size - n);
}

void showText(QLineEdit* edit, const QString& text) {
    if (edit->text() == text) return;
    edit->setText(text);
    edit->setCursorPosition(0); // a long formula shows its start
}

void showRadio(QButtonGroup* group, int value) {
    if (QAbstractButton* button = group->button(value)) {
        button->setChecked(true);
        return;
    }
    if (QAbstractButton* checked = group->checkedButton()) {
        group->setExclusive(false);
        checked->setChecked(false);
        group->setExclusive(true);
    }
}

int readRadio(const QButtonGroup* group, int current) {
    const int id = group->checkedId();
    return id >= 0 ? id : current;
}

void markCompileFailure(QLineEdit* edit, const QString& message) {
    const bool failed = !message.isEmpty();
    if (edit->property("compileError").toBool() == failed && edit->toolTip() == message) return;
    edit->setProperty("compileError", failed);
    edit->setToolTip(message);
    edit->setStyleSheet(failed ? QStringLiteral("QLineEdit { background-color: #ffd8d8; }")
                               : QString());
}

} // namespace trevalin
