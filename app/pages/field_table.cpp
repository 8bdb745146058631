#include "app/pages/field_table.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>

#include "app/pages/field_edit.h"
#include "app/pages/formula_marks.h"
#include "app/pages/lock_button.h"
#include "app/pages/movie_format_picker.h"
#include "base/c_numbers.h"
#include "render/formula_keys.h"

namespace trevalin {

FieldTable::Row& FieldTable::textRow(QLineEdit* edit, int limit) {
    setLengthLimit(edit, limit);
    Row& row = rows_.emplace_back();
    row.control = edit;
    row.edit = edit;
    row.limit = limit;
    row.held = QString();
    row.show = [edit](const QVariant& v) { showText(edit, v.toString()); };
    row.read = [edit](const QVariant&) { return QVariant(edit->text()); };
    return row;
}

void FieldTable::add(FormulaSlot RenderSettings::*field, QLineEdit* edit, int limit,
                     const QString& label) {
    const FormulaKey* key = nullptr;
    for (const FormulaKey& k : kFormulaKeys)
        if (k.slot == field) key = &k;
    Q_ASSERT(key); // every formula slot has a key
    watchFormulaEdit(edit, key->key, label);
    Row& row = textRow(edit, limit);
    row.formula = true;
    row.fromRecord = [field](const RenderSettings& s) { return QVariant(slotText(s.*field)); };
    row.toRecord = [field](const QVariant& v, RenderSettings& s) {
        setSlotText(s.*field, v.toString());
    };
}

void FieldTable::add(double RenderSettings::*field, QLineEdit* edit, int limit) {
    Row& row = textRow(edit, limit);
    // "%f" and atof's reading, whatever the user's locale.
    row.fromRecord = [field](const RenderSettings& s) {
        return QVariant(QString::fromStdString(formatReal(s.*field)));
    };
    row.toRecord = [field](const QVariant& v, RenderSettings& s) {
        s.*field = parseReal(v.toString().toStdString());
    };
}

void FieldTable::add(char (RenderSettings::*field)[kMovieFileSize], QLineEdit* edit, int limit) {
    Row& row = textRow(edit, limit);
    row.fromRecord = [field](const RenderSettings& s) {
        return QVariant(fixedText(s.*field, kMovieFileSize));
    };
    row.toRecord = [field](const QVariant& v, RenderSettings& s) {
        setFixedText(s.*field, kMovieFileSize, v.toString());
    };
}

FieldTable::Row& FieldTable::numberRow(std::int32_t RenderSettings::*field, QObject* control) {
    Row& row = rows_.emplace_back();
    row.control = control;
    row.held = 0;
    row.fromRecord = [field](const RenderSettings& s) { return QVariant(int(s.*field)); };
    row.toRecord = [field](const QVariant& v, RenderSettings& s) { s.*field = v.toInt(); };
    return row;
}

void FieldTable::add(std::int32_t RenderSettings::*field, QCheckBox* box) {
    Row& row = numberRow(field, box);
    row.show = [box](const QVariant& v) { box->setChecked(v.toInt() != 0); };
    row.read = [box](const QVariant&) { return QVariant(box->isChecked() ? 1 : 0); };
}

void FieldTable::add(std::int32_t RenderSettings::*field, QButtonGroup* group) {
    Row& row = numberRow(field, group);
    row.show = [group](const QVariant& v) { showRadio(group, v.toInt()); };
    row.read = [group](const QVariant& held) { return QVariant(readRadio(group, held.toInt())); };
}

void FieldTable::add(std::int32_t RenderSettings::*field, QComboBox* list) {
    Row& row = numberRow(field, list);
    row.show = [list](const QVariant& v) {
        const int index = v.toInt();
        list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
    };
    row.read = [list](const QVariant& held) {
        const int index = list->currentIndex();
        return index >= 0 ? QVariant(index) : held;
    };
}

void FieldTable::add(std::int32_t RenderSettings::*field, QSlider* slider) {
    Row& row = numberRow(field, slider);
    row.show = [slider](const QVariant& v) {
        const QSignalBlocker block(slider);
        slider->setValue(v.toInt());
    };
    row.read = [slider](const QVariant&) { return QVariant(slider->value()); };
}

void FieldTable::add(std::int32_t RenderSettings::*field, MovieFormatPicker* picker) {
    Row& row = numberRow(field, picker);
    row.show = [picker](const QVariant& v) { picker->setCodec(v.toInt()); };
    row.read = [picker](const QVariant&) { return QVariant(picker->codec()); };
}

void FieldTable::add(std::int32_t RenderSettings::*field, LockButton* lock) {
    Row& row = numberRow(field, lock);
    row.show = [lock](const QVariant& v) { lock->setState(v.toInt()); };
    row.read = [lock](const QVariant&) { return QVariant(lock->getState()); };
}

FieldTable::Row* FieldTable::find(const QObject* control) {
    for (Row& row : rows_)
        if (row.control == control) return &row;
    Q_ASSERT(false); // the page asked for a control it did not bind
    return nullptr;
}

const FieldTable::Row* FieldTable::find(const QObject* control) const {
    return const_cast<FieldTable*>(this)->find(control);
}

QString FieldTable::text(const QObject* control) const {
    const Row* row = find(control);
    return row ? row->held.toString() : QString();
}

int FieldTable::number(const QObject* control) const {
    const Row* row = find(control);
    return row ? row->held.toInt() : 0;
}

void FieldTable::setText(const QObject* control, const QString& text) {
    if (Row* row = find(control)) row->held = text;
}

void FieldTable::setNumber(const QObject* control, int number) {
    if (Row* row = find(control)) row->held = number;
}

void FieldTable::hold(const RenderSettings& in) {
    for (Row& row : rows_)
        row.held = row.fromRecord(in);
}

void FieldTable::load(const RenderSettings& in) {
    hold(in);
    show();
}

void FieldTable::show() {
    for (const Row& row : rows_)
        row.show(row.held);
}

bool FieldTable::lengthsFit(bool quiet) const {
    for (const Row& row : rows_) {
        if (!row.edit) continue;
        if (quiet ? storedLength(row.edit->text()) > row.limit : !checkLength(row.edit, row.limit))
            return false;
    }
    return true;
}

bool FieldTable::read(bool quiet) {
    if (!lengthsFit(quiet)) return false;
    for (Row& row : rows_)
        row.held = row.read(row.held);
    return true;
}

bool FieldTable::store(RenderSettings& out) {
    if (!read()) return false;
    for (const Row& row : rows_)
        row.toRecord(row.held, out);
    return true;
}

void FieldTable::markFormulas() const {
    for (const Row& row : rows_)
        if (row.formula) markFormulaEdit(row.edit);
}

} // namespace trevalin
