#include "app/pages/movie_options_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

#include "app/pages/coords_page.h"
#include "app/pages/field_edit.h"
#include "app/pages/field_table.h"
#include "app/pages/formulas_page.h"
#include "app/pages/lock_button.h"
#include "app/pages/movie_format_picker.h"
#include "app/pages/settings_pane.h"
#include "app/pages/time_slider.h"
#include "app/user_messages.h"
#include "render/document.h"
#include "render/movie_codecs.h"
#include "render/movie_widths.h"
#include "render/render_settings.h"

namespace trevalin {

MovieOptionsPage::MovieOptionsPage(SettingsPane* tabs, QWidget* parent)
    : SettingsPage(tabs, parent) {
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    layout->addLayout(grid);
    auto addLabel = [&](const QString& text, int row, QWidget* buddy) {
        auto* label = new QLabel(text, this);
        label->setBuddy(buddy);
        grid->addWidget(label, row, 0);
    };

    // Made in the order the focus moves through them.
    duration_ = new QLineEdit(this);
    addLabel(tr("Duration"), 0, duration_);
    grid->addWidget(duration_, 0, 1);
    grid->addWidget(new QLabel(tr("(seconds)"), this), 0, 2);

    frameRate_ = new QLineEdit(this);
    addLabel(tr("Frame Rate"), 1, frameRate_);
    grid->addWidget(frameRate_, 1, 1);

    zoom_ = new QLineEdit(this);
    zoom_->setReadOnly(true);
    zoom_->setFocusPolicy(Qt::ClickFocus); // not a tab stop
    addLabel(tr("Zoom"), 2, zoom_);
    grid->addWidget(zoom_, 2, 1);

    startWidth_ = new QLineEdit(this);
    startLock_ = new LockButton(this);
    startLock_->setToolTip(tr("Hold the start width"));
    addLabel(tr("Start Width"), 3, startWidth_);
    grid->addWidget(startWidth_, 3, 1);
    grid->addWidget(startLock_, 3, 2, Qt::AlignLeft);

    endWidth_ = new QLineEdit(this);
    endLock_ = new LockButton(this);
    endLock_->setToolTip(tr("Hold the end width"));
    addLabel(tr("End Width"), 4, endWidth_);
    grid->addWidget(endWidth_, 4, 1);
    grid->addWidget(endLock_, 4, 2, Qt::AlignLeft);

    priority_ = new QComboBox(this);
    priority_->addItems({tr("Low"), tr("Normal"), tr("High")});
    addLabel(tr("Priority"), 5, priority_);
    grid->addWidget(priority_, 5, 1);

    depth_ = new QComboBox(this);
    depth_->addItems({tr("8-bit"), tr("16-bit"), tr("24-bit")});
    dithered_ = new QCheckBox(tr("Dithered"), this);
    addLabel(tr("Depth"), 6, depth_);
    grid->addWidget(depth_, 6, 1);
    grid->addWidget(dithered_, 6, 2);

    // The kind of file first; it decides which codecs the list beside it offers.
    format_ = new MovieFormatPicker(this);
    addLabel(tr("Format"), 7, format_->formatList());
    grid->addWidget(format_->formatList(), 7, 1);
    seamless_ = new QCheckBox(tr("Seamless Loop"), this);
    addLabel(tr("Codec"), 8, format_->codecList());
    grid->addWidget(format_->codecList(), 8, 1);
    grid->addWidget(seamless_, 8, 2);

    file_ = new QLineEdit(this);
    browse_ = new QPushButton(QStringLiteral("..."), this);
    browse_->setAutoDefault(false);
    browse_->setMaximumWidth(browse_->fontMetrics().horizontalAdvance(QStringLiteral("...")) + 16);
    addLabel(tr("Filename"), 9, file_);
    grid->addWidget(file_, 9, 1);
    grid->addWidget(browse_, 9, 2, Qt::AlignLeft);
    // A new format renames the file to match it.
    connect(format_, &MovieFormatPicker::formatPicked, this, [this](MovieContainer container) {
        file_->setText(pathForContainer(file_->text(), container));
    });
    grid->setColumnStretch(1, 1);

    slider_ = addTimeSlider(this, layout, tabs_);
    layout->addStretch(1);

    setFocusProxy(duration_);
    // Typing only: loading the page sets the texts by the lock rules instead.
    for (QLineEdit* edit : {duration_, frameRate_, startWidth_, endWidth_})
        connect(edit, &QLineEdit::textEdited, this, &MovieOptionsPage::onTimingEdited);
    for (LockButton* lock : {startLock_, endLock_}) {
        connect(lock, &QAbstractButton::clicked, this, [this, lock] {
            fields_.setNumber(lock, lock->getState() == 0 ? 1 : 0);
            lock->setState(fields_.number(lock));
        });
    }
    connect(browse_, &QPushButton::clicked, this, &MovieOptionsPage::chooseFile);

    // In the order an over-long text is named.
    using RS = RenderSettings;
    fields_.add(&RS::moviefile, file_, kFileLimit);
    fields_.add(&RS::duration, duration_, kTextLimit);
    fields_.add(&RS::endwidth, endWidth_, kTextLimit);
    fields_.add(&RS::startwidth, startWidth_, kTextLimit);
    fields_.add(&RS::zoom, zoom_, kTextLimit, tr("zoom"));
    fields_.add(&RS::framerate, frameRate_, kTextLimit);
    fields_.add(&RS::codec, format_);
    fields_.add(&RS::depth, depth_);
    fields_.add(&RS::dither, dithered_);
    fields_.add(&RS::priority, priority_);
    fields_.add(&RS::time, slider_);
    fields_.add(&RS::seamless, seamless_);
    fields_.add(&RS::lockswidth, startLock_);
    fields_.add(&RS::lockewidth, endLock_);

    const std::pair<QLineEdit*, const char*> initialTexts[] = {
        {file_, "Untitled.mov"}, {duration_, "1"}, {endWidth_, "1"},
        {startWidth_, "1"},      {zoom_, "1"},     {frameRate_, "10"}};
    for (const auto& [edit, text] : initialTexts)
        fields_.setText(edit, QString::fromLatin1(text));
    fields_.setNumber(format_, 3);   // "Motion JPEG A"
    fields_.setNumber(depth_, 2);    // "24-bit"
    fields_.setNumber(priority_, 1); // "Normal"
    fields_.show();
}

int MovieOptionsPage::frameCount() const {
    return movieFrameCount(fields_.text(duration_).toStdString(),
                           fields_.text(frameRate_).toStdString());
}

void MovieOptionsPage::recomputeZoom() {
    const auto zoom = zoomBetween(fields_.text(startWidth_).toStdString(),
                                  fields_.text(endWidth_).toStdString(), frameCount());
    if (zoom) fields_.setText(zoom_, QString::fromStdString(*zoom));
}

void MovieOptionsPage::onTimingEdited() {
    // A text over its limit that came from another page is named at the next
    // read of the page, not at every key typed here.
    if (!fields_.read(true)) return;
    recomputeZoom();
    fields_.show();
}

bool MovieOptionsPage::saveToSettings(RenderSettings& out) {
    return fields_.store(out);
}

void MovieOptionsPage::loadFromSettings(const RenderSettings& in) {
    fields_.hold(in);
    MovieWidths widths{fields_.text(startWidth_).toStdString(),
                       fields_.text(endWidth_).toStdString(), fields_.text(zoom_).toStdString()};
    followLocks(widths, in.lockswidth != 0, in.lockewidth != 0, slotText(in.width).toStdString(),
                frameCount());
    fields_.setText(startWidth_, QString::fromStdString(widths.startWidth));
    fields_.setText(endWidth_, QString::fromStdString(widths.endWidth));
    fields_.setText(zoom_, QString::fromStdString(widths.zoom));
    fields_.show();
}

QComboBox* MovieOptionsPage::formatList() const {
    return format_->formatList();
}

QComboBox* MovieOptionsPage::codecList() const {
    return format_->codecList();
}

void MovieOptionsPage::chooseFile() {
    SaveFileRequest request;
    request.title = tr("Movie File");
    request.initial = fields_.text(file_);
    request.filter = movieFileFilter(format_->codec());
    request.suffix = movieFileSuffix(format_->codec());
    request.confirmOverwrite = false; // asked when the movie is rendered
    request.folder = validMovieCodec(format_->codec()) &&
                     containerOfCodec(format_->codec()).id == MovieContainer::FramesFolder;
    const QString chosen = chooseSaveFile(this, request);
    if (chosen.isEmpty()) return;
    const std::string mismatch =
        codecPathMismatch(format_->codec(), QFile::encodeName(chosen).toStdString());
    if (!mismatch.empty()) {
        // Written anyway, the file would lie about what it holds.
        showWarning(this, tr("%1 is not taken: %2.").arg(chosen, QString::fromStdString(mismatch)));
        return;
    }
    if (storedLength(chosen) > kFileLimit) {
        // Kept, it would make every later read of the page fail.
        showWarning(this, tr("The movie's path is too long: at most %1 bytes.").arg(kFileLimit));
        return;
    }
    fields_.setText(file_, chosen);
    fields_.show();
}

void MovieOptionsPage::runFocusSequence() {
    if (!tabs_) return;
    tabs_->runSequence({this, tabs_->formulasPage(), tabs_->coordsPage()}, {this});
}

void MovieOptionsPage::markFailures(const std::vector<CompileFailure>&) {
    fields_.markFormulas();
}

} // namespace trevalin
