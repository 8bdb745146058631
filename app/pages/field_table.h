// The rows that bind a page's controls to the fields of a render record: one
// (field, control) row each, and loading, saving, length checks and formula
// marks walk the same rows. Between the record and the controls the table
// holds the page's own copy of each value, as the control shows it (a text for
// an edit, a number for the others): the page has values before its first
// load, a control can show its held value again, and a value a control cannot
// show (a colour model without a button) survives a load and save unchanged.
#pragma once

#include <QString>
#include <QVariant>
#include <functional>
#include <vector>

#include "render/render_settings.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QObject;
class QSlider;

namespace trevalin {

class LockButton;
class MovieFormatPicker;

class FieldTable {
  public:
    // A formula, its text at most limit bytes, watched for formula marks and
    // named in messages by label.
    void add(FormulaSlot RenderSettings::*field, QLineEdit* edit, int limit, const QString& label);
    // A real number, loaded as "%f" and saved as atof reads the text.
    void add(double RenderSettings::*field, QLineEdit* edit, int limit);
    // A file name, at most limit bytes.
    void add(char (RenderSettings::*field)[kMovieFileSize], QLineEdit* edit, int limit);
    // 1 when checked, else 0.
    void add(std::int32_t RenderSettings::*field, QCheckBox* box);
    // The checked button's id; none checked keeps the held value.
    void add(std::int32_t RenderSettings::*field, QButtonGroup* group);
    // The list index; no item keeps the held value.
    void add(std::int32_t RenderSettings::*field, QComboBox* list);
    // The position, shown with the slider's signals blocked so that only the
    // user's moves are heard.
    void add(std::int32_t RenderSettings::*field, QSlider* slider);
    // The codec the picker shows, or the one set when it shows none.
    void add(std::int32_t RenderSettings::*field, MovieFormatPicker* picker);
    // The padlock's state.
    void add(std::int32_t RenderSettings::*field, LockButton* lock);

    // The held value of a control's row: the text of an edit, the number of
    // the others. Setting it does not show it.
    QString text(const QObject* control) const;
    int number(const QObject* control) const;
    void setText(const QObject* control, const QString& text);
    void setNumber(const QObject* control, int number);

    // Holds the bound fields of in, without showing them.
    void hold(const RenderSettings& in);
    // hold(), then show().
    void load(const RenderSettings& in);
    // Shows the held values.
    void show();
    // False when a text is over its limit: the first such edit is named in a
    // message (none when quiet) and takes the focus.
    bool lengthsFit(bool quiet = false) const;
    // Holds what the controls show; false, holding nothing new, when a text is
    // over its limit.
    bool read(bool quiet = false);
    // read(), then the held values into out's bound fields; out is untouched
    // when read fails.
    bool store(RenderSettings& out);
    // Marks each formula edit with what the compiler says about its text.
    void markFormulas() const;

  private:
    struct Row {
        QObject* control = nullptr;
        QLineEdit* edit = nullptr; // text rows: checked against limit
        int limit = 0;
        bool formula = false;
        QVariant held;
        std::function<QVariant(const RenderSettings&)> fromRecord;
        std::function<void(const QVariant&, RenderSettings&)> toRecord;
        std::function<void(const QVariant&)> show;
        std::function<QVariant(const QVariant& held)> read;
    };
    Row& textRow(QLineEdit* edit, int limit);
    Row& numberRow(std::int32_t RenderSettings::*field, QObject* control);
    Row* find(const QObject* control);
    const Row* find(const QObject* control) const;

    std::vector<Row> rows_;
};

} // namespace trevalin
