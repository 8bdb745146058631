// The time slider the Formulas and Movie Options pages both carry: 0 to 100
// under its label, rendering the picture when the mouse lets go of it.
#pragma once

class QBoxLayout;
class QSlider;
class QWidget;

namespace trevalin {

class SettingsPane;

// Adds the label and the slider to layout, both owned by page. A left-button
// release asks the pane's frame for a render; moving alone renders nothing.
QSlider* addTimeSlider(QWidget* page, QBoxLayout* layout, SettingsPane* tabs);

} // namespace trevalin
