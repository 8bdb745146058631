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
#include "app/pages/coords_page.h"
#include "app/pages/formula_editor.h"
#include "app/pages/formula_marks.h"
#include "app/pages/formulas_page.h"
#include "app/pages/settings_pane.h"

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
        QCOMPARE(dialog.formula(), QString::fromUtf8(c.field));
    }
}

void FormulaEditorTest::messagesFollowTheText() {
    FormulaEditorDialog dialog("Red", "x");
    QCOMPARE(dialog.messages()->count(), 0);
    dialog.editor()->setPlainText("x +");
    QCOMPARE(dialog.messages()->count(), 1);
    QCOMPARE(dialog.messages()->item(0)->text(),
             QString("Red: parse error at column 4: unexpected end of formula, expected a value"));
    QCOMPARE(dialog.editor()->extraSelections().size(), 1);
    dialog.editor()->setPlainText("x +\n  foo");
    QCOMPARE(dialog.messages()->count(), 1);
    QCOMPARE(dialog.messages()->item(0)->text(),
             QString("Red: warning at line 2, column 3: unknown name 'foo' has no value"));
    // Choosing a message puts the caret at its place.
    dialog.messages()->setCurrentRow(0);
    QCOMPARE(dialog.editor()->textCursor().position(), 6);
    // Too long for a field: refused with the usual message.
    dialog.editor()->setPlainText(QString(1024, 'x'));
    QCOMPARE(dialog.messages()->item(dialog.messages()->count() - 1)->text(),
             QString("Please enter no more than 1023 characters."));
}

void FormulaEditorTest::highlightingComesFromTheScanner() {
    FormulaEditorDialog dialog("Red", QString::fromUtf8("sin(x) + 12 @ foo"));
    const QTextBlock block = dialog.editor()->document()->firstBlock();
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
    dialog.editor()->moveCursor(QTextCursor::End);
    QTest::keyClick(dialog.editor(), Qt::Key_Space, Qt::ControlModifier);
    QCOMPARE(dialog.completer()->completionPrefix(), QString("man"));
    QVERIFY(dialog.completer()->completionCount() >= 4); // man3, manc, mand, mandel
    emit dialog.completer()->activated(QStringLiteral("mandel"));
    QCOMPARE(dialog.editor()->toPlainText(), QString("1 + mandel"));
}

void FormulaEditorTest::everyFormulaFieldHasTheEditorAndMarks() {
    SettingsPane tabs;
    QLineEdit* fields[] = {tabs.formulasPage()->redEdit(), tabs.formulasPage()->blueEdit(),
                           tabs.formulasPage()->minEdit(), tabs.coordsPage()->leftEdit(),
                           tabs.coordsPage()->widthEdit(), tabs.coordsPage()->p0Edit()};
    for (QLineEdit* edit : fields)
        QVERIFY(edit->findChild<QAction*>("openFormulaEditor"));
    // Marks follow the typing: a width of abc reads nothing.
    QLineEdit* width = tabs.coordsPage()->widthEdit();
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
    QCOMPARE(formulaEditFor(&tabs, "p0", tabs.coordsPage()->p0Edit()->text()),
             tabs.coordsPage()->p0Edit());
    // Caret at a place counted in characters, not bytes.
    QLineEdit* red = tabs.formulasPage()->redEdit();
    red->setText(QString::fromUtf8("\xc3\xa9\xc3\xa9 - )"));
    const FormulaCheck check = checkFormula(red->text().toUtf8().toStdString());
    QVERIFY(firstError(check.diagnostics));
    showDiagnosticPlace(red, *firstError(check.diagnostics));
    QCOMPARE(red->selectionStart(), 5);
}

void FormulaEditorTest::helpHasContentsAndSearch() {
    HelpDialog help;
    QStringList headings;
    for (int i = 0; i < help.contents()->topLevelItemCount(); ++i) {
        QTreeWidgetItem* top = help.contents()->topLevelItem(i);
        headings << top->text(0);
        for (int k = 0; k < top->childCount(); ++k)
            headings << top->child(k)->text(0);
    }
    for (const char* h : {"Operators", "Functions", "Variables"})
        QVERIFY2(headings.contains(h), qPrintable(headings.join(", ")));
    // Choosing a heading shows it.
    const QList<QTreeWidgetItem*> functions =
        help.contents()->findItems("Functions", Qt::MatchExactly | Qt::MatchRecursive);
    QVERIFY(!functions.isEmpty());
    help.contents()->setCurrentItem(functions.front());
    QCOMPARE(help.browser()->textCursor().block().text().trimmed(), QString("Functions"));

    QVERIFY(help.search("mandel") >= 1);
    QCOMPARE(help.browser()->textCursor().selectedText().toLower(), QString("mandel"));
    QCOMPARE(help.browser()->extraSelections().size(), help.search("mandel"));
    QCOMPARE(help.search("no such words here"), 0);
    QCOMPARE(help.search(""), 0);
}

QTEST_MAIN(FormulaEditorTest)
#include "formula_editor_test.moc"
