// The generated formula reference agrees with the compiler.
#include <QTest>
#include <cstring>

#include "app/help_reference.h"
#include "formula/code_walk.h"
#include "formula/compiler.h"
#include "formula/name_tables.h"

using namespace trevalin;

namespace {
// The code of the last operation record, or -1 when the text does not compile
// or emits no operation.
int lastOperation(const char* text) {
    std::uint8_t code[kCodeAreaSize];
    std::int32_t flags = 0;
    if (compileFormulaText(text, std::strlen(text), code, flags) != 0) return -1;
    int last = -1;
    for (int pos = 0; code[pos] != kRecordEnd; pos += recordSize(code + pos)) {
        if (code[pos] == kRecordOperation) last = code[pos + 1];
    }
    return last;
}
} // namespace

class HelpReferenceTest : public QObject {
    Q_OBJECT
  private slots:
    void operatorsCompileToTheirCodes();
    void callableNames_data();
    void callableNames();
    void everyNameIsListed();
};

void HelpReferenceTest::operatorsCompileToTheirCodes() {
    for (int i = 0; i < kOperatorHelpCount; ++i) {
        const OperatorHelp& o = kOperatorHelp[i];
        QVERIFY2(lastOperation(o.example) == o.code, o.example);
        // Every spelling listed works, not just the one in the example.
        const QStringList spellings = QString(o.spelling).split("  ");
        for (const QString& spelling : spellings) {
            if (spelling.contains('[') || spelling.contains('(')) continue;
            const QByteArray formula = ("x " + spelling + " y").toUtf8();
            const QByteArray unary = (spelling + " x").toUtf8();
            const bool binary = lastOperation(formula.constData()) == o.code;
            const bool prefix = lastOperation(unary.constData()) == o.code;
            QVERIFY2(binary || prefix, formula.constData());
        }
    }
}

void HelpReferenceTest::callableNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("callable");
    QTest::newRow("sin") << "sin" << true;
    QTest::newRow("mandel") << "mandel" << true;
    QTest::newRow("samptile") << "samptile" << true;
    QTest::newRow("red") << "red" << true;
    // Read by the scanner as operators or letters, never as function names.
    QTest::newRow("and") << "and" << false;
    QTest::newRow("mod") << "mod" << false;
    QTest::newRow("xor") << "xor" << false;
    QTest::newRow("r") << "r" << false;
    QTest::newRow("l") << "l" << false;
}

void HelpReferenceTest::callableNames() {
    QFETCH(QString, name);
    QFETCH(bool, callable);
    QCOMPARE(isCallableFunctionName(name.toUtf8().constData()), callable);
}

void HelpReferenceTest::everyNameIsListed() {
    const QString html = formulaReferenceHtml();
    int callable = 0;
    for (const FunctionName& f : kBuiltinFunctionTable) {
        if (!isCallableFunctionName(f.name)) continue;
        ++callable;
        QVERIFY2(html.contains(QStringLiteral("%1</code>").arg(f.name)) ||
                     html.contains(QStringLiteral("%1, ").arg(f.name)),
                 f.name);
    }
    QVERIFY(callable > 50);
    for (const VariableName& v : kVariableTable) {
        QVERIFY2(
            html.contains(QStringLiteral("<code>%1</code>").arg(QString(v.name).toHtmlEscaped())),
            v.name);
    }
    QVERIFY(html.contains("3.141592653589793"));
    QVERIFY(html.contains("2.718281828459045"));
    // The arguments come from the operation table: fbm takes six, mandel none.
    QVERIFY(html.contains("<code>fbm</code></td><td>6<"));
    QVERIFY(html.contains("<code>mandel, mand</code></td><td>none"));
}

QTEST_APPLESS_MAIN(HelpReferenceTest)
#include "help_reference_test.moc"
