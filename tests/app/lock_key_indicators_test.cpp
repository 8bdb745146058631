// CAP, NUM and SCRL in the status bar: lit from the key state the platform
// reports, read again when a lock key is pressed or the window is activated,
// hidden where the platform reports nothing.
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>

#include "app/lock_key_indicators.h"
#include "app/main_window.h"
#include "app/view/image_view.h"
#include "app_test_support.h"
#include "render/document.h"
#include "render/render_job.h"

using namespace trevalin;
using namespace trevalin::testing;

namespace {

// A keyboard the test sets; counts how often it was read.
struct SimulatedKeyboard {
    std::optional<LockKeyState> state = LockKeyState{};
    int reads = 0;
};

class SimulatedSource : public LockKeySource {
  public:
    explicit SimulatedSource(SimulatedKeyboard& keyboard) : keyboard_(keyboard) {}
    std::optional<LockKeyState> read() override {
        ++keyboard_.reads;
        return keyboard_.state;
    }

  private:
    SimulatedKeyboard& keyboard_;
};

struct Program : ProgramWindow {
    LockKeyIndicators& indicators() { return *frame.indicators(); }
    QString shown() {
        QStringList out;
        for (auto pane :
             {LockKeyIndicators::kCaps, LockKeyIndicators::kNum, LockKeyIndicators::kScroll})
            out << (indicators().pane(pane)->isVisibleTo(&frame) ? indicators().pane(pane)->text()
                                                                 : QStringLiteral("hidden"));
        return out.join(QLatin1Char(' '));
    }
};

} // namespace

class LockKeyIndicatorsTest : public QObject {
    Q_OBJECT
  private slots:
    void initTestCase() { isolateSettings(); }
    void hiddenWhereThePlatformDoesNotReport();
    void panesFollowTheKeyState_data();
    void panesFollowTheKeyState();
    void lockKeyPressReadsTheStateAgain();
    void panesSitRightOfTheMessage();
};

void LockKeyIndicatorsTest::hiddenWhereThePlatformDoesNotReport() {
    // The offscreen platform knows nothing of lock keys.
    Program p;
    p.frame.show();
    QCOMPARE(p.shown(), QStringLiteral("hidden hidden hidden"));
}

void LockKeyIndicatorsTest::panesFollowTheKeyState_data() {
    QTest::addColumn<bool>("reported");
    QTest::addColumn<bool>("caps");
    QTest::addColumn<bool>("num");
    QTest::addColumn<bool>("scroll");
    QTest::addColumn<QString>("shown");
    QTest::newRow("all off") << true << false << false << false << "  ";
    QTest::newRow("caps") << true << true << false << false << "CAP  ";
    QTest::newRow("num") << true << false << true << false << " NUM ";
    QTest::newRow("scroll") << true << false << false << true << "  SCRL";
    QTest::newRow("all on") << true << true << true << true << "CAP NUM SCRL";
    QTest::newRow("not reported") << false << true << true << true << "hidden hidden hidden";
}

void LockKeyIndicatorsTest::panesFollowTheKeyState() {
    QFETCH(bool, reported);
    QFETCH(bool, caps);
    QFETCH(bool, num);
    QFETCH(bool, scroll);
    QFETCH(QString, shown);
    Program p;
    SimulatedKeyboard keyboard;
    p.indicators().setSource(std::make_unique<SimulatedSource>(keyboard));
    p.frame.show();
    if (reported)
        keyboard.state = LockKeyState{caps, num, scroll};
    else
        keyboard.state.reset();
    p.indicators().refresh();
    QCOMPARE(p.shown(), shown);
    // And back: a state that goes away takes the panes with it.
    keyboard.state = LockKeyState{};
    p.indicators().refresh();
    QCOMPARE(p.shown(), QStringLiteral("  "));
}

void LockKeyIndicatorsTest::lockKeyPressReadsTheStateAgain() {
    Program p;
    SimulatedKeyboard keyboard;
    p.indicators().setSource(std::make_unique<SimulatedSource>(keyboard));
    p.frame.show();
    p.frame.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&p.frame));
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &p.frame;

    struct Press {
        Qt::Key key;
        LockKeyState after;
        const char* shown;
    };
    const Press presses[] = {
        {Qt::Key_CapsLock, {true, false, false}, "CAP  "},
        {Qt::Key_NumLock, {true, true, false}, "CAP NUM "},
        {Qt::Key_ScrollLock, {true, true, true}, "CAP NUM SCRL"},
        {Qt::Key_CapsLock, {false, true, true}, " NUM SCRL"},
    };
    for (const Press& press : presses) {
        keyboard.state = press.after;
        QTest::keyClick(target, press.key);
        QCOMPARE(p.shown(), QString::fromLatin1(press.shown));
    }
    // Other keys leave the keyboard alone.
    const int reads = keyboard.reads;
    keyboard.state = LockKeyState{};
    QTest::keyClick(target, Qt::Key_A);
    QTest::keyClick(target, Qt::Key_Shift);
    QCOMPARE(keyboard.reads, reads);
    QCOMPARE(p.shown(), QStringLiteral(" NUM SCRL"));
}

void LockKeyIndicatorsTest::panesSitRightOfTheMessage() {
    Program p;
    SimulatedKeyboard keyboard;
    keyboard.state = LockKeyState{true, true, true};
    p.indicators().setSource(std::make_unique<SimulatedSource>(keyboard));
    p.frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&p.frame));
    p.frame.statusBar()->showMessage(QString()); // the message pane, empty
    int left = 0;
    for (auto pane :
         {LockKeyIndicators::kCaps, LockKeyIndicators::kNum, LockKeyIndicators::kScroll}) {
        QLabel* label = p.indicators().pane(pane);
        QCOMPARE(label->parentWidget(), p.frame.statusBar());
        QVERIFY2(label->x() > left, qPrintable(label->text()));
        left = label->x();
    }
    QVERIFY(left > p.frame.statusBar()->width() / 2);
}

QTEST_MAIN(LockKeyIndicatorsTest)
#include "lock_key_indicators_test.moc"
