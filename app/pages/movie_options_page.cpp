#include "app/pages/movie_options_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QVBoxLayout>
#include <cmath>

#include "app/pages/coords_page.h"
#include "app/pages/field_edit.h"
#include "app/pages/formula_marks.h"
#include "app/pages/formulas_page.h"
#include "app/pages/movie_format_picker.h"
#include "app/pages/settings_pane.h"
#include "app/pages/time_slider.h"
#include "app/user_messages.h"
#include "formula/arith.h"
#include "presets/c_numbers.h"
#include "render/document.h"
#include "render/movie_codecs.h"
#include "render/render_settings.h"

// The padlocks are compiled into this static library; see the main frame.
static void initLockIcons() {
    Q_INIT_RESOURCE(icons);
}

namespace trevalin {

namespace {

// A text read as atof does, whatever the user's locale.
double readNumber(const QString& text) {
    return parseReal(text.toStdString());
}

// "%f", whatever the user's locale.
QString writeNumber(double value) {
    return QString::fromStdString(formatReal(value));
}

// An index the list has no item for shows no item and survives a save.
void showIndex(QComboBox* list, int index) {
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}
int readIndex(const QComboBox* list, int current) {
    const int index = list->currentIndex();
    return index >= 0 ? index : current;
}

} // namespace

// ---- LockButton --------------------------------------------------------------

LockButton::LockButton(QWidget* parent) : QAbstractButton(parent) {
    initLockIcons();
    locked_ = QIcon::fromTheme(QStringLiteral("object-locked"),
                               QIcon(QStringLiteral(":/icons/lock-closed.png")));
    unlocked_ = QIcon::fromTheme(QStringLiteral("object-unlocked"),
                                 QIcon(QStringLiteral(":/icons/lock-open.png")));
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setState(0);
}

void LockButton::setState(int state) {
    state_ = state;
    setIcon(state != 0 ? locked_ : unlocked_);
    update();
}

QSize LockButton::sizeHint() const {
    const int side = fontMetrics().height() + 8;
    return {side, side};
}

void LockButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const int side = std::min(width(), height());
    icon().paint(&painter, QRect(0, 0, side, side), Qt::AlignLeft | Qt::AlignTop);
    // Only the padlock is drawn, but a keyboard user must see where the focus is.
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = QRect(0, 0, side, side);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

// ---- MovieOptionsPage ---------------------------------------------------------------------

MovieOptionsPage::MovieOptionsPage(SettingsPane* tabs, QWidget* parent)
    : SettingsPage(tabs, parent) {
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    layout->addLayout(grid);
    auto makeEdit = [this](int limit) {
        auto* edit = new QLineEdit(this);
        setLengthLimit(edit, limit);
        return edit;
    };
    auto addLabel = [&](const QString& text, int row, QWidget* buddy) {
        auto* label = new QLabel(text, this);
        label->setBuddy(buddy);
        grid->addWidget(label, row, 0);
    };

    // Made in the order the focus moves through them.
    duration_ = makeEdit(kTextLimit);
    addLabel(tr("Duration"), 0, duration_);
    grid->addWidget(duration_, 0, 1);
    grid->addWidget(new QLabel(tr("(seconds)"), this), 0, 2);

    frameRate_ = makeEdit(kTextLimit);
    addLabel(tr("Frame Rate"), 1, frameRate_);
    grid->addWidget(frameRate_, 1, 1);

    zoom_ = makeEdit(kTextLimit);
    watchFormulaEdit(zoom_, "zoom", tr("zoom"));
    zoom_->setReadOnly(true);
    zoom_->setFocusPolicy(Qt::ClickFocus); // not a tab stop
    addLabel(tr("Zoom"), 2, zoom_);
    grid->addWidget(zoom_, 2, 1);

    startWidth_ = makeEdit(kTextLimit);
    startLock_ = new LockButton(this);
    startLock_->setToolTip(tr("Hold the start width"));
    addLabel(tr("Start Width"), 3, startWidth_);
    grid->addWidget(startWidth_, 3, 1);
    grid->addWidget(startLock_, 3, 2, Qt::AlignLeft);

    endWidth_ = makeEdit(kTextLimit);
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

    file_ = makeEdit(kFileLimit);
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
    connect(startLock_, &QAbstractButton::clicked, this, [this] {
        f_.startLock = startLock_->getState() == 0 ? 1 : 0;
        startLock_->setState(f_.startLock);
    });
    connect(endLock_, &QAbstractButton::clicked, this, [this] {
        f_.endLock = endLock_->getState() == 0 ? 1 : 0;
        endLock_->setState(f_.endLock);
    });
    connect(browse_, &QPushButton::clicked, this, &MovieOptionsPage::chooseFile);
    showFields();
}

bool MovieOptionsPage::readControls(bool quiet) {
    const std::pair<QLineEdit*, int> limits[] = {{file_, kFileLimit},     {duration_, kTextLimit},
                                                 {endWidth_, kTextLimit}, {startWidth_, kTextLimit},
                                                 {zoom_, kTextLimit},     {frameRate_, kTextLimit}};
    for (const auto& [edit, limit] : limits) {
        if (quiet ? storedLength(edit->text()) > limit : !checkLength(edit, limit)) return false;
    }
    f_.codec = format_->codec();
    f_.depth = readIndex(depth_, f_.depth);
    f_.dithered = dithered_->isChecked() ? 1 : 0;
    f_.priority = readIndex(priority_, f_.priority);
    f_.time = slider_->value();
    f_.file = file_->text();
    f_.duration = duration_->text();
    f_.endWidth = endWidth_->text();
    f_.startWidth = startWidth_->text();
    f_.zoom = zoom_->text();
    f_.frameRate = frameRate_->text();
    f_.seamless = seamless_->isChecked() ? 1 : 0;
    return true;
}

void MovieOptionsPage::showFields() {
    format_->setCodec(f_.codec);
    showIndex(depth_, f_.depth);
    dithered_->setChecked(f_.dithered != 0);
    showIndex(priority_, f_.priority);
    slider_->setValue(f_.time);
    showText(file_, f_.file);
    showText(duration_, f_.duration);
    showText(endWidth_, f_.endWidth);
    showText(startWidth_, f_.startWidth);
    showText(zoom_, f_.zoom);
    showText(frameRate_, f_.frameRate);
    seamless_->setChecked(f_.seamless != 0);
}

int MovieOptionsPage::frameCount() const {
    return truncToInt32(readNumber(f_.duration) * readNumber(f_.frameRate));
}

void MovieOptionsPage::recomputeZoom() {
    const int n = frameCount();
    if (n <= 0) return;
    const double start = readNumber(f_.startWidth);
    const double end = readNumber(f_.endWidth);
    // Written so that a width that is not a number (atof reads "nan") also stops here.
    if (!(start > 0) || !(end > 0)) return;
    f_.zoom = writeNumber(std::pow(end / start, 1.0 / n));
}

void MovieOptionsPage::onTimingEdited() {
    // A text over its limit that came from another page is named at the next
    // read of the page, not at every key typed here.
    if (!readControls(true)) return;
    recomputeZoom();
    showFields();
}

bool MovieOptionsPage::saveToSettings(RenderSettings& out) {
    if (!readControls()) return false;
    out.priority = f_.priority;
    out.depth = f_.depth;
    out.dither = f_.dithered;
    out.seamless = f_.seamless;
    out.duration = readNumber(f_.duration);
    setSlotText(out.zoom, f_.zoom);
    out.startwidth = readNumber(f_.startWidth);
    out.endwidth = readNumber(f_.endWidth);
    out.framerate = readNumber(f_.frameRate);
    out.codec = f_.codec;
    out.time = f_.time;
    f_.startLock = startLock_->getState();
    f_.endLock = endLock_->getState();
    out.lockswidth = f_.startLock;
    out.lockewidth = f_.endLock;
    setFixedText(out.moviefile, kMovieFileSize, f_.file);
    return true;
}

void MovieOptionsPage::loadFromSettings(const RenderSettings& in) {
    f_.priority = in.priority;
    f_.depth = in.depth;
    f_.dithered = in.dither;
    f_.seamless = in.seamless;
    f_.duration = writeNumber(in.duration);
    f_.zoom = slotText(in.zoom);
    f_.startWidth = writeNumber(in.startwidth);
    f_.endWidth = writeNumber(in.endwidth);
    f_.frameRate = writeNumber(in.framerate);
    f_.codec = in.codec;
    f_.time = in.time;
    f_.file = fixedText(in.moviefile, kMovieFileSize);
    f_.startLock = in.lockswidth;
    f_.endLock = in.lockewidth;
    startLock_->setState(f_.startLock);
    endLock_->setState(f_.endLock);

    // An open lock lets its width follow the plane width of the Coords page.
    // With a width held the zoom follows the widths; with none, the end width
    // follows the zoom.
    const bool startHeld = f_.startLock != 0;
    const bool endHeld = f_.endLock != 0;
    if (!startHeld) f_.startWidth = slotText(in.width);
    if (startHeld && !endHeld) f_.endWidth = slotText(in.width);
    if (!startHeld && !endHeld) {
        const double start = readNumber(f_.startWidth);
        const double zoom = readNumber(f_.zoom);
        f_.endWidth = writeNumber(start * std::pow(zoom, frameCount()));
    } else {
        recomputeZoom();
    }
    showFields();
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
    request.initial = f_.file;
    request.filter = movieFileFilter(format_->codec());
    request.suffix = movieFileSuffix(format_->codec());
    request.confirmOverwrite = false; // asked when the movie is rendered
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
    f_.file = chosen;
    showFields();
}

void MovieOptionsPage::runFocusSequence() {
    if (!tabs_) return;
    tabs_->runSequence({this, tabs_->formulasPage(), tabs_->coordsPage()}, {this});
}

void MovieOptionsPage::markFailures(const std::vector<CompileFailure>& failures) {
    markCompileFailures({{"zoom", zoom_}}, failures);
}

} // namespace trevalin
