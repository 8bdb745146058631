// What the desktop program tells the user about formulas: live marks on the
// fields, the roomier editor (line breaks, highlighting, completion, messages
// as you type) and the help window's contents and search.
#include <QAbstractItemView>
#include <QAction>
#include <QCompleter>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextLayout>
#include <QTreeWidget>

#include "app/help_dialog.h"
#include "app/pages/formula_editor.h"
#include "app/pages/formula_marks.h"
#include "app/pages/props_a.h"
#include "app/pages/props_b.h"
#include "app/pages/tab_view.h"

using namespace trevalin;

class FormulaEditorTest : public QObject {
    Q_OBJECT
  private slots:
    void lineBreaksBecomeSpaces();
    void messagesFollowTheText();
    void highlightingComesFromTheScanner();
    void completionOffersTheTablesNames();
    void everyFormulaFieldHasTheEditorAndMarks();
    void helpHasContentsAndSearch();
};

void FormulaEditorTest::lineBreaksBecomeSpaces() {
    const struct {
        const char* typed;
        const char* field;
    } cases[] = {
        {"sin(x)\n+ y", "sin(x) + y"},
        {"a\n\nb", "a  b"},
        {"x\t+  \"s\"", "x\t+  \"s\""}, // everything else as typed
        {"", ""},
    };
    for (const auto& c : cases) {
        FormulaEditorDialog dialog("Red", QString::fromUtf8(c.typed));
        QCOMPARE(dialog.Formula(), QString::fromUtf8(c.field));
    }
}

void FormulaEditorTest::messagesFollowTheText() {
    FormulaEditorDialog dialog("Red", "x");
    QCOMPARE(dialog.Messages()->count(), 0);
    dialog.Editor()->setPlainText("x +");
    QCOMPARE(dialog.Messages()->count(), 1);
    QCOMPARE(dialog.Messages()->item(0)->text(),
             QString("Red: parse error at column 4: unexpected end of formula, expected a value"));
    QCOMPARE(dialog.Editor()->extraSelections().size(), 1);
    dialog.Editor()->setPlainText("x +\n  foo");
    QCOMPARE(dialog.Messages()->count(), 1);
    QCOMPARE(dialog.Messages()->item(0)->text(),
             QString("Red: warning at line 2, column 3: unknown name 'foo' has no value"));
    // Choosing a message puts the caret at its place.
    dialog.Messages()->setCurrentRow(0);
    QCOMPARE(dialog.Editor()->textCursor().position(), 6);
    // Too long for a field: refused with the usual message.
    dialog.Editor()->setPlainText(QString(1024, 'x'));
    QCOMPARE(dialog.Messages()->item(dialog.Messages()->count() - 1)->text(),
             QString("Please enter no more than 1023 characters."));
}

void FormulaEditorTest::highlightingComesFromTheScanner() {
    FormulaEditorDialog dialog("Red", QString::fromUtf8("sin(x) + 12 @ foo"));
    const QTextBlock block = dialog.Editor()->document()->firstBlock();
    struct Expect {
        int start, length;
        const char* colour;
    } expected[] = {
        {0, 3, "#0b3d91"},  // function
        {4, 1, "#8a2be2"},  // variable
        {7, 1, "#b35900"},  // never: '+' is a plain character token
        {9, 2, "#1a5fb4"},  // number
        {12, 1, "#a0a0a0"}, // skipped character
        {14, 3, "#7a7a7a"}, // unknown name
    };
    const QList<QTextLayout::FormatRange> formats = block.layout()->formats();
    for (const Expect& e : expected) {
        bool found = false;
        for (const QTextLayout::FormatRange& r : formats)
            found = found || (r.start == e.start && r.length == e.length &&
                              r.format.foreground().color() == QColor(e.colour));
        QVERIFY2(found == (e.start != 7), qPrintable(QString::number(e.start)));
    }
}

void FormulaEditorTest::completionOffersTheTablesNames() {
    const QStringList names = completionNames();
    for (const char* name : {"sin", "mandel", "samptile", "jx", "pi2", "hsv"})
        QVERIFY2(names.contains(name), name);
    // Operator words and channel letters are never names.
    for (const char* name : {"and", "mod", "r", "?"})
        QVERIFY2(!names.contains(name), name);

    FormulaEditorDialog dialog("Red", "1 + man");
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.Editor()->moveCursor(QTextCursor::End);
    QTest::keyClick(dialog.Editor(), Qt::Key_Space, Qt::ControlModifier);
    QCOMPARE(dialog.Completer()->completionPrefix(), QString("man"));
    QVERIFY(dialog.Completer()->completionCount() >= 4); // man3, manc, mand, mandel
    emit dialog.Completer()->activated(QStringLiteral("mandel"));
    QCOMPARE(dialog.Editor()->toPlainText(), QString("1 + mandel"));
}

void FormulaEditorTest::everyFormulaFieldHasTheEditorAndMarks() {
    CMyTabView tabs;
    QLineEdit* fields[] = {tabs.FormulasPage()->RedEdit(), tabs.FormulasPage()->BlueEdit(),
                           tabs.FormulasPage()->MinEdit(), tabs.CoordsPage()->LeftEdit(),
                           tabs.CoordsPage()->WidthEdit(), tabs.CoordsPage()->P0Edit()};
    for (QLineEdit* edit : fields)
        QVERIFY(edit->findChild<QAction*>("openFormulaEditor"));
    // Marks follow the typing: a width of abc reads nothing.
    QLineEdit* width = tabs.CoordsPage()->WidthEdit();
    width->setText("abc");
    QVERIFY(width->property("compileWarning").toBool());
    QVERIFY(!width->property("compileError").toBool());
    QCOMPARE(width->toolTip(), QString("width: warning at column 1: unknown name 'abc' has no "
                                       "value; did you mean 'abs'?"));
    width->setText("256 +");
    QVERIFY(width->property("compileError").toBool());
    width->setText("256");
    QVERIFY(!width->property("compileError").toBool());
    QVERIFY(!width->property("compileWarning").toBool());
    QCOMPARE(width->toolTip(), QString());
    // The field for a key, by its text when two pages hold it.
    QCOMPARE(formulaEditFor(&tabs, "p0", tabs.CoordsPage()->P0Edit()->text()),
             tabs.CoordsPage()->P0Edit());
    // Caret at a place counted in characters, not bytes.
    QLineEdit* red = tabs.FormulasPage()->RedEdit();
    red->setText(QString::fromUtf8("\xc3\xa9\xc3\xa9 - )"));
    const FormulaCheck check = checkFormula(red->text().toUtf8().toStdString());
    QVERIFY(firstError(check.diagnostics));
    showDiagnosticPlace(red, *firstError(check.diagnostics));
    QCOMPARE(red->selectionStart(), 5);
}

void FormulaEditorTest::helpHasContentsAndSearch() {
    HelpDialog help;
    QStringList headings;
    for (int i = 0; i < help.Contents()->topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = help.Contents()->topLevelItem(i);
        headings << top->text(0);
        for (int k = 0; k < top->childCount(); ++k)
            headings << top->child(k)->text(0);
    }
    for (const char* h : {"Operators", "Functions", "Variables"})
        QVERIFY2(headings.contains(h), qPrintable(headings.join(", ")));
    // Choosing a heading shows it.
    const QList<QTreeWidgetItem*> functions =
        help.Contents()->findItems("Functions", Qt::MatchExactly | Qt::MatchRecursive);
    QVERIFY(!functions.isEmpty());
    help.Contents()->setCurrentItem(functions.front());
    QCOMPARE(help.Browser()->textCursor().block().text().trimmed(), QString("Functions"));

    QVERIFY(help.Search("mandel") >= 1);
    QCOMPARE(help.Browser()->textCursor().selectedText().toLower(), QString("mandel"));
    QCOMPARE(help.Browser()->extraSelections().size(), help.Search("mandel"));
    QCOMPARE(help.Search("no such words here"), 0);
    QCOMPARE(help.Search(""), 0);
}

QTEST_MAIN(FormulaEditorTest)
#include "formula_editor_test.moc"
