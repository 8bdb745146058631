// The Formulas and Coords pages: initial values, load and save, length limits,
// channel labels, the sequences through which the pages read each other, and
// records of every kind through all three pages and back.
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QTest>
#include <cstdio>
#include <cstring>
#include <random>
#include <string_view>

#include "app/pages/coords_page.h"
#include "app/pages/formulas_page.h"
#include "app/pages/settings_pane.h"
#include "app/user_messages.h"
#include "app_test_support.h"
#include "presets/preset_keys.h"

using namespace trevalin;
using namespace trevalin::testing;

namespace {

// The pane with a stand-in Movie Options page.
struct Pane : PagesPane {
    Pane() : PagesPane([](SettingsPane* t) { return new FakeMoviePage(t); }) {}
    FakeMoviePage* movie = static_cast<FakeMoviePage*>(tabs->movieOptionsPage());
};

QString repeated(char c, int n) {
    return QString(n, QLatin1Char(c));
}

} // namespace

namespace {

// Records the pages can show whole: formula texts within every page's limit
// (the zoom also within the Movie Options page's), reals of eighths that "%f"
// writes exactly, flags of 0 or 1, indices in and out of their lists' range.
class RecordGenerator {
  public:
    explicit RecordGenerator(unsigned seed) : random_(seed) {}

    std::unique_ptr<RenderSettings> next() {
        auto s = zeroSettings();
        std::memset(s.get(), 0, sizeof *s);
        for (const ValueKey& key : valueKeys()) {
            switch (key.kind) {
            case ValueKind::Text:
            case ValueKind::OptText: {
                const bool coords =
                    std::string_view("left top width height zoom p0 q0 recurse").find(key.key) !=
                    std::string_view::npos;
                const int limit = key.key == std::string_view("zoom") ? 24 : coords ? 256 : 1023;
                setFormulaText(s.get()->*key.slot, text(limit).constData());
                break;
            }
            case ValueKind::Real: s.get()->*key.real = pick(-4000, 4000) / 8.0; break;
            case ValueKind::Flag: s.get()->*key.integer = pick(0, 1); break;
            case ValueKind::Integer: s.get()->*key.integer = pick(-2, 8); break;
            case ValueKind::Path:
                std::snprintf(s->moviefile, kMovieFileSize, "%s", text(255).constData());
                break;
            }
        }
        s->time = pick(0, 100);
        std::snprintf(s->sourcefile, kSourceFileSize, "source%d.bmp", pick(0, 99));
        return s;
    }

  private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
    // Printable text with some two- and three-byte characters, at most limit bytes.
    QByteArray text(int limit) {
        static const char* const pieces[] = {"x",  "y",   "+", "*", " ", "(",  ")", "1",
                                             ".5", "sin", "é", "→", "?", "\"", "#", "-"};
        QByteArray out;
        const int length = pick(0, limit);
        while (true) {
            const char* piece = pieces[pick(0, int(std::size(pieces)) - 1)];
            if (out.size() + qsizetype(std::strlen(piece)) > length) break;
            out += piece;
        }
        return out;
    }
    std::mt19937 random_;
};

// What the three pages make of in: loaded, then saved over a copy of base.
std::unique_ptr<RenderSettings> throughPages(PagesPane& pane, const RenderSettings& in,
                                             const RenderSettings& base) {
    auto out = std::make_unique<RenderSettings>(base);
    SettingsPage* pages[] = {pane.a, pane.b, pane.tabs->movieOptionsPage()};
    for (SettingsPage* page : pages)
        page->loadFromSettings(in);
    for (SettingsPage* page : pages)
        if (!page->saveToSettings(*out)) return nullptr;
    return out;
}

// The presets-file keys on which two records differ.
QStringList differences(const RenderSettings& x, const RenderSettings& y) {
    QStringList keys;
    for (const ValueKey& key : valueKeys()) {
        bool same = true;
        switch (key.kind) {
        case ValueKind::Text:
        case ValueKind::OptText:
            same = std::strcmp((x.*key.slot).text, (y.*key.slot).text) == 0;
            break;
        case ValueKind::Real: same = x.*key.real == y.*key.real; break;
        case ValueKind::Flag:
        case ValueKind::Integer: same = x.*key.integer == y.*key.integer; break;
        case ValueKind::Path: same = std::strcmp(x.moviefile, y.moviefile) == 0; break;
        }
        if (!same) keys << QString::fromLatin1(key.key.data(), key.key.size());
    }
    if (x.time != y.time) keys << QStringLiteral("time");
    return keys;
}

} // namespace

class PagesTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { isolateSettings(); }
    void init() { collectWarnings(warnings); }
    void cleanup() { clearMessageHooks(); }

    void initialValuesAreSaved();
    void loadThenSaveKeepsEveryField();
    void recordsComeBackWhole();
    void pagesReachAFixedPoint();
    void indexWithoutButtonSurvives();
    void typingStopsAtTheLimit_data();
    void typingStopsAtTheLimit();
    void overLongTextIsKeptAndRefused();
    void channelLabels_data();
    void channelLabels();
    void unknownModelLeavesLabels();
    void radioClickKeepsTypedText();
    void formulasFocusTakesMovieSlider();
    void coordsFocusTakesMovieZoom();
    void movieFocusTakesFormulasTimeAndCoordsZoom();
    void sliderSequenceFeedsMoviePage();
    void refusedPageIsNotReloaded();
    void switchingTabsRunsSequences();
    void focusLeavingPageRunsSequence();
    void releasingSliderRenders();

  private:
    QStringList warnings;
};

void PagesTest::initialValuesAreSaved() {
    Pane pane;
    QStringList tabs;
    for (int i = 0; i < pane.tabs->count(); ++i)
        tabs << pane.tabs->tabText(i);
    QCOMPARE(tabs, (QStringList{"Presets", "Coords", "Formulas", "Movie Options"}));
    QCOMPARE(pane.tabs->currentIndex(), int(SettingsPane::kPresetsTab));
    auto s = zeroSettings();
    QVERIFY(pane.a->saveToSettings(*s));
    QVERIFY(pane.b->saveToSettings(*s));
    QCOMPARE(text(s->red), QString("x"));
    QCOMPARE(text(s->grn), QString("y"));
    QCOMPARE(text(s->blu), QString("x+y"));
    QCOMPARE(text(s->min), QString("0"));
    QCOMPARE(text(s->max), QString("255"));
    QCOMPARE(s->colormode, 1);
    QCOMPARE(s->wrap, 0);
    QCOMPARE(s->oversample, 0);
    QCOMPARE(s->cycle, 0);
    QCOMPARE(s->time, 0);
    QCOMPARE(s->center, 0);
    QCOMPARE(text(s->left), QString("0"));
    QCOMPARE(text(s->top), QString("0"));
    QCOMPARE(text(s->width), QString("256"));
    QCOMPARE(text(s->height), QString("256"));
    QCOMPARE(text(s->zoom), QString("1.0"));
    QCOMPARE(text(s->p0), QString("0"));
    QCOMPARE(text(s->q0), QString("0"));
    QCOMPARE(text(s->recurse), QString("64"));
    QCOMPARE(pane.a->channelLabel(0)->text(), QString("Red"));
    QCOMPARE(pane.a->channelLabel(1)->text(), QString("Green"));
    QCOMPARE(pane.a->channelLabel(2)->text(), QString("Blue"));
}

void PagesTest::loadThenSaveKeepsEveryField() {
    Pane pane;
    auto in = zeroSettings();
    const QString longFormula = QStringLiteral("x+") + repeated('1', 1021); // 1023 characters
    setFormulaText(in->red, longFormula.toUtf8().constData());
    setFormulaText(in->grn, "sin(x*y)");
    setFormulaText(in->blu, "mandel()");
    setFormulaText(in->min, "-1.5");
    setFormulaText(in->max, "t*255");
    setFormulaText(in->left, "-2");
    setFormulaText(in->top, "-1.25");
    setFormulaText(in->width, "4");
    setFormulaText(in->height, "2.5");
    setFormulaText(in->zoom, "0.95");
    setFormulaText(in->p0, "0.3");
    setFormulaText(in->q0, "-0.01");
    setFormulaText(in->recurse, "200");
    in->colormode = 2;
    in->wrap = 1;
    in->oversample = 1;
    in->cycle = 1;
    in->time = 37;
    in->center = 1;
    pane.a->loadFromSettings(*in);
    pane.b->loadFromSettings(*in);

    // Fields the pages do not own must come through untouched.
    auto out = zeroSettings();
    out->startwidth = 12.5;
    out->priority = 2;
    std::strcpy(out->moviefile, "keep.mov");
    std::strcpy(out->sourcefile, "keep.bmp");
    QVERIFY(pane.a->saveToSettings(*out));
    QVERIFY(pane.b->saveToSettings(*out));

    for (const auto& [slot, name] : {std::pair{&RenderSettings::red, "red"},
                                     {&RenderSettings::grn, "grn"},
                                     {&RenderSettings::blu, "blu"},
                                     {&RenderSettings::min, "min"},
                                     {&RenderSettings::max, "max"},
                                     {&RenderSettings::left, "left"},
                                     {&RenderSettings::top, "top"},
                                     {&RenderSettings::width, "width"},
                                     {&RenderSettings::height, "height"},
                                     {&RenderSettings::zoom, "zoom"},
                                     {&RenderSettings::p0, "p0"},
                                     {&RenderSettings::q0, "q0"},
                                     {&RenderSettings::recurse, "recurse"}}) {
        QVERIFY2(std::strcmp((*out.*slot).text, (*in.*slot).text) == 0, name);
    }
    QCOMPARE(int(std::strlen(out->red.text)), 1023);
    QCOMPARE(out->colormode, 2);
    QCOMPARE(out->wrap, 1);
    QCOMPARE(out->oversample, 1);
    QCOMPARE(out->cycle, 1);
    QCOMPARE(out->time, 37);
    QCOMPARE(out->center, 1);
    QCOMPARE(out->startwidth, 12.5);
    QCOMPARE(out->priority, 2);
    QCOMPARE(QString(out->moviefile), QString("keep.mov"));
    QCOMPARE(QString(out->sourcefile), QString("keep.bmp"));
    QVERIFY(warnings.isEmpty());
}

void PagesTest::recordsComeBackWhole() {
    // Every field a page shows comes back as it was loaded, whatever record it
    // is saved over; what no page shows (the source image) is left alone.
    PagesPane pane;
    RecordGenerator generate(16);
    for (int i = 0; i < 60; ++i) {
        auto in = generate.next();
        // Both widths held over no frames: the lock rules leave widths and zoom.
        in->lockswidth = in->lockewidth = 1;
        in->duration = 0;
        const auto base = generate.next();
        const auto out = throughPages(pane, *in, *base);
        QVERIFY2(out, qPrintable(QString::number(i)));
        QCOMPARE(differences(*in, *out), QStringList());
        QCOMPARE(QString(out->sourcefile), QString(base->sourcefile));
    }
    QVERIFY(warnings.isEmpty());
}

void PagesTest::pagesReachAFixedPoint() {
    // Under any locks the widths and zoom follow the rules once; the pages then
    // make the same record of what they made, and every other field is kept.
    PagesPane pane;
    RecordGenerator generate(61);
    std::mt19937 random(61);
    auto pick = [&](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    const char* zooms[] = {"0.5", "1", "1.1", "2", "0.954842", "x"};
    for (int i = 0; i < 60; ++i) {
        auto in = generate.next();
        in->lockswidth = pick(0, 1);
        in->lockewidth = pick(0, 1);
        // Few frames and modest widths, so that every width the rules write
        // fits the page's 24 characters.
        in->duration = pick(0, 3);
        in->framerate = pick(0, 4);
        in->startwidth = pick(1, 4000) / 8.0;
        in->endwidth = pick(1, 4000) / 8.0;
        setFormulaText(in->zoom, zooms[pick(0, int(std::size(zooms)) - 1)]);
        setFormulaText(in->width, QByteArray::number(pick(1, 4000) / 8.0).constData());
        const QString where = QStringLiteral("record %1, locks %2/%3, frames %4")
                                  .arg(i)
                                  .arg(in->lockswidth)
                                  .arg(in->lockewidth)
                                  .arg(in->duration * in->framerate);
        const auto once = throughPages(pane, *in, *in);
        QVERIFY2(once, qPrintable(where));
        const auto twice = throughPages(pane, *once, *once);
        QVERIFY2(twice, qPrintable(where));
        QVERIFY2(differences(*once, *twice).isEmpty(),
                 qPrintable(where + ": " + differences(*once, *twice).join(' ')));
        QStringList moved = differences(*in, *once);
        for (const char* follows : {"startwidth", "endwidth", "zoom"})
            moved.removeAll(QString::fromLatin1(follows));
        QVERIFY2(moved.isEmpty(), qPrintable(where + ": " + moved.join(' ')));
        // A held width is never moved by the rules.
        if (in->lockswidth) QCOMPARE(once->startwidth, in->startwidth);
        if (in->lockswidth && in->lockewidth) QCOMPARE(once->endwidth, in->endwidth);
    }
    QVERIFY(warnings.isEmpty());
}

void PagesTest::indexWithoutButtonSurvives() {
    // Nothing checks the colour model's range; a value without a radio button
    // must not come back as another model.
    Pane pane;
    auto in = zeroSettings();
    in->colormode = 7;
    in->wrap = 5;
    pane.a->loadFromSettings(*in);
    for (int i = 0; i < 4; ++i)
        QVERIFY(!pane.a->colourModelButton(i)->isChecked());
    auto out = zeroSettings();
    QVERIFY(pane.a->saveToSettings(*out));
    QCOMPARE(out->colormode, 7);
    QCOMPARE(out->wrap, 5);
}

void PagesTest::typingStopsAtTheLimit_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<int>("limit");
    QTest::newRow("red formula") << "red" << 1023;
    QTest::newRow("minimum") << "min" << 1023;
    QTest::newRow("left") << "left" << 256;
    QTest::newRow("recursion") << "recursion" << 256;
}

void PagesTest::typingStopsAtTheLimit() {
    QFETCH(QString, field);
    QFETCH(int, limit);
    Pane pane;
    pane.show();
    QLineEdit* edit = field == "red"    ? pane.a->redEdit()
                      : field == "min"  ? pane.a->minEdit()
                      : field == "left" ? pane.b->leftEdit()
                                        : pane.b->recursionEdit();
    edit->setText(repeated('1', limit - 1));
    QTest::keyClicks(edit, "23");
    QCOMPARE(edit->text().size(), limit);
    QVERIFY(edit->text().endsWith('2'));
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, 'z');
    QCOMPARE(edit->text().size(), limit);
    QVERIFY(edit->text().endsWith('z'));
}

void PagesTest::overLongTextIsKeptAndRefused() {
    // A record (a preset) may hold a coordinate longer than the page admits: it
    // is shown whole, and reading the page refuses it rather than cutting it.
    Pane pane;
    pane.show();
    pane.tabs->setCurrentIndex(SettingsPane::kCoordsTab);
    auto in = zeroSettings();
    const QString longLeft = QStringLiteral("-2+") + repeated('0', 297);
    setFormulaText(in->left, longLeft.toUtf8().constData());
    pane.b->loadFromSettings(*in);
    QCOMPARE(pane.b->leftEdit()->text(), longLeft);

    auto out = zeroSettings();
    setFormulaText(out->left, "untouched");
    out->center = 1;
    const auto before = std::make_unique<RenderSettings>(*out);
    warnings.clear();
    QVERIFY(!pane.b->saveToSettings(*out));
    QCOMPARE(warnings, QStringList{"Please enter no more than 256 characters."});
    QVERIFY(std::memcmp(out.get(), before.get(), sizeof(RenderSettings)) == 0);
    QTRY_VERIFY(pane.b->leftEdit()->hasFocus());

    // Cut down to the limit, it reads again.
    pane.b->leftEdit()->setText(longLeft.left(256));
    QVERIFY(pane.b->saveToSettings(*out));
    QCOMPARE(text(out->left), longLeft.left(256));
}

void PagesTest::channelLabels_data() {
    QTest::addColumn<int>("model");
    QTest::addColumn<QStringList>("labels");
    QTest::newRow("Grayscale") << 0 << QStringList{"Grey", "", ""};
    QTest::newRow("RGB") << 1 << QStringList{"Red", "Green", "Blue"};
    QTest::newRow("HSV") << 2 << QStringList{"Hue", "Saturation", "Value"};
    QTest::newRow("Triplet") << 3 << QStringList{"Colour", "", ""};
}

void PagesTest::channelLabels() {
    QFETCH(int, model);
    QFETCH(QStringList, labels);
    Pane pane;
    pane.show();
    pane.tabs->setCurrentIndex(SettingsPane::kFormulasTab);
    // start from another model so that the click changes something.
    auto start = zeroSettings();
    start->colormode = model == 3 ? 2 : 3;
    pane.a->loadFromSettings(*start);
    QTest::mouseClick(pane.a->colourModelButton(model), Qt::LeftButton);
    const QLineEdit* edits[] = {pane.a->redEdit(), pane.a->greenEdit(), pane.a->blueEdit()};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(pane.a->channelLabel(i)->text(), labels[i]);
        // A field the colour model does not read is disabled.
        QCOMPARE(edits[i]->isEnabled(), !labels[i].isEmpty());
    }
    auto out = zeroSettings();
    QVERIFY(pane.a->saveToSettings(*out));
    QCOMPARE(out->colormode, model);

    // Loading a record brings the labels up to date too.
    Pane fresh;
    auto in = zeroSettings();
    in->colormode = model;
    fresh.a->loadFromSettings(*in);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(fresh.a->channelLabel(i)->text(), labels[i]);
}

void PagesTest::unknownModelLeavesLabels() {
    Pane pane;
    auto in = zeroSettings();
    in->colormode = 2;
    pane.a->loadFromSettings(*in);
    in->colormode = 9;
    pane.a->loadFromSettings(*in);
    QCOMPARE(pane.a->channelLabel(0)->text(), QString("Hue"));
    QCOMPARE(pane.a->channelLabel(2)->text(), QString("Value"));
}

void PagesTest::radioClickKeepsTypedText() {
    // The click reads every control before it shows the fields again.
    Pane pane;
    pane.show();
    pane.tabs->setCurrentIndex(SettingsPane::kFormulasTab);
    pane.a->redEdit()->setText("noise(x, y)");
    pane.a->oversampleBox()->setChecked(true);
    QTest::mouseClick(pane.a->colourModelButton(0), Qt::LeftButton);
    QCOMPARE(pane.a->redEdit()->text(), QString("noise(x, y)"));
    QVERIFY(pane.a->oversampleBox()->isChecked());
}

void PagesTest::formulasFocusTakesMovieSlider() {
    Pane pane;
    pane.a->timeSlider()->setValue(10);
    pane.a->redEdit()->setText("sin(x)");
    pane.movie->time = 70;
    pane.a->runFocusSequence();
    QCOMPARE(pane.a->timeSlider()->value(), 70);
    QCOMPARE(pane.a->redEdit()->text(), QString("sin(x)"));
}

void PagesTest::coordsFocusTakesMovieZoom() {
    Pane pane;
    pane.b->zoomEdit()->setText("3");
    pane.b->leftEdit()->setText("-7");
    pane.movie->zoom = "2.5";
    pane.b->runFocusSequence();
    QCOMPARE(pane.b->zoomEdit()->text(), QString("2.5"));
    QCOMPARE(pane.b->leftEdit()->text(), QString("-7"));
}

void PagesTest::movieFocusTakesFormulasTimeAndCoordsZoom() {
    Pane pane;
    pane.a->timeSlider()->setValue(40);
    pane.b->zoomEdit()->setText("0.5");
    pane.movie->runFocusSequence();
    QCOMPARE(pane.movie->time, 40);
    QCOMPARE(pane.movie->zoom, QString("0.5"));
}

void PagesTest::sliderSequenceFeedsMoviePage() {
    Pane pane;
    pane.show();
    pane.tabs->setCurrentIndex(SettingsPane::kFormulasTab);
    pane.b->zoomEdit()->setText("0.8");
    pane.movie->zoom = "1";
    const int loadsBefore = pane.movie->loads;
    pane.a->timeSlider()->setFocus();
    QTest::keyClick(pane.a->timeSlider(), Qt::Key_PageUp);
    const int moved = pane.a->timeSlider()->value();
    QVERIFY(moved > 0);
    QCOMPARE(pane.movie->loads, loadsBefore + 1);
    QCOMPARE(pane.movie->time, moved);
    QCOMPARE(pane.movie->zoom, QString("0.8")); // Coords wrote after Movie Options
    QCOMPARE(pane.b->zoomEdit()->text(), QString("0.8"));
    QCOMPARE(pane.frame.renders, 0); // keys move the slider without rendering

    // Loading the page sets the position without running the sequence.
    auto in = zeroSettings();
    in->time = 90;
    const int loads = pane.movie->loads;
    pane.a->loadFromSettings(*in);
    QCOMPARE(pane.a->timeSlider()->value(), 90);
    QCOMPARE(pane.movie->loads, loads);
}

void PagesTest::refusedPageIsNotReloaded() {
    Pane pane;
    pane.show();
    auto in = zeroSettings();
    const QString longTop = repeated('1', 300);
    setFormulaText(in->top, longTop.toUtf8().constData());
    pane.b->loadFromSettings(*in);
    setFormulaText(pane.frame.doc->top, "5");
    warnings.clear();
    pane.b->runFocusSequence();
    // The document's "5" must not replace what the page holds.
    QCOMPARE(pane.b->topEdit()->text(), longTop);
    QCOMPARE(warnings.size(), 1);

    // The Movie Options page is still loaded in the slider sequence, from the
    // pages that did read.
    warnings.clear();
    pane.a->timeSlider()->setValue(33);
    QCOMPARE(pane.movie->time, 33);
    QCOMPARE(pane.b->topEdit()->text(), longTop);
    QCOMPARE(warnings.size(), 1);
}

void PagesTest::switchingTabsRunsSequences() {
    Pane pane;
    pane.show();
    pane.movie->time = 55;
    pane.movie->zoom = "1.5";
    pane.tabs->setCurrentIndex(SettingsPane::kFormulasTab);
    QCOMPARE(pane.a->timeSlider()->value(), 55);
    QTRY_VERIFY(pane.a->isAncestorOf(QApplication::focusWidget()));

    pane.tabs->setCurrentIndex(SettingsPane::kCoordsTab);
    QCOMPARE(pane.b->zoomEdit()->text(), QString("1.5"));
    QTRY_VERIFY(pane.b->isAncestorOf(QApplication::focusWidget()));
}

void PagesTest::focusLeavingPageRunsSequence() {
    Pane pane;
    pane.show();
    pane.tabs->setCurrentIndex(SettingsPane::kCoordsTab);
    QTRY_VERIFY(pane.b->isAncestorOf(QApplication::focusWidget()));
    pane.b->zoomEdit()->setFocus();
    pane.b->zoomEdit()->setText("4");
    pane.movie->zoom = "0.25";
    // Within the page: nothing runs.
    pane.b->leftEdit()->setFocus();
    QCOMPARE(pane.b->zoomEdit()->text(), QString("4"));
    // Out of the page: the Coords sequence takes the Movie Options zoom.
    pane.outside->setFocus();
    QTRY_COMPARE(pane.b->zoomEdit()->text(), QString("0.25"));
}

void PagesTest::releasingSliderRenders() {
    Pane pane;
    pane.show();
    pane.tabs->setCurrentIndex(SettingsPane::kFormulasTab);
    QSlider* slider = pane.a->timeSlider();
    QTRY_VERIFY(slider->isVisible());
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = Qt::Horizontal;
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    const QRect handle = slider->style()->subControlRect(QStyle::CC_Slider, &option,
                                                         QStyle::SC_SliderHandle, slider);
    const QRect groove = slider->style()->subControlRect(QStyle::CC_Slider, &option,
                                                         QStyle::SC_SliderGroove, slider);
    QTest::mousePress(slider, Qt::LeftButton, {}, handle.center());
    QTest::mouseMove(slider, QPoint(groove.center().x(), handle.center().y()));
    QCOMPARE(pane.frame.renders, 0);
    QTest::mouseRelease(slider, Qt::LeftButton, {},
                        QPoint(groove.center().x(), handle.center().y()));
    QTRY_COMPARE(pane.frame.renders, 1);
    QVERIFY2(std::abs(slider->value() - 50) <= 3, qPrintable(QString::number(slider->value())));
    QCOMPARE(pane.movie->time, slider->value());
}

QTEST_MAIN(PagesTest)
#include "pages_test.moc"
