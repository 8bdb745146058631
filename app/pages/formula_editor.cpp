#include "app/pages/formula_editor.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCompleter>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStringListModel>
#include <QStyle>
#include <QTextBlock>
#include <QVBoxLayout>
#include <vector>

#include "app/pages/formula_marks.h"
#include "formula/name_tables.h"
#include "formula/scanner.h"

namespace trevalin {
namespace {

constexpr int kTextLimit = 1023; // a formula slot's text, in bytes

struct TokenStyle {
    TokenType type;
    const char* colour;
    bool bold;
    bool italic;
};

// How each kind of token the scanner reads is shown.
constexpr TokenStyle kTokenStyles[] = {
    {TokenType::Number, "#1a5fb4", false, false},   {TokenType::String, "#26803a", false, true},
    {TokenType::Variable, "#8a2be2", false, false}, {TokenType::Function, "#0b3d91", true, false},
    {TokenType::Compare, "#b35900", false, false},  {TokenType::LogAnd, "#b35900", true, false},
    {TokenType::LogOr, "#b35900", true, false},     {TokenType::BitAnd, "#b35900", false, false},
    {TokenType::BitOr, "#b35900", false, false},    {TokenType::Xor, "#b35900", true, false},
    {TokenType::Mod, "#b35900", true, false},       {TokenType::Pow, "#b35900", false, false},
};

QTextCharFormat formatOf(const Token& t) {
    QTextCharFormat f;
    if (t.type == TokenType::Variable && t.entry && t.entry->code == 0) {
        f.setForeground(QColor("#7a7a7a")); // an unknown name: it reads nothing
        f.setFontItalic(true);
        return f;
    }
    if (t.type == TokenType::Char) {
        // The letters r g b c s l are the source image's channels.
        if (QByteArray("rgbcsl").contains(t.ch)) f.setForeground(QColor("#8a2be2"));
        return f;
    }
    for (const TokenStyle& s : kTokenStyles) {
        if (s.type != t.type) continue;
        f.setForeground(QColor(s.colour));
        if (s.bold) f.setFontWeight(QFont::Bold);
        f.setFontItalic(s.italic);
    }
    return f;
}

// Index in text of each byte offset of its UTF-8 form (one past the end included).
std::vector<int> indexOfBytes(const QString& text, const QByteArray& bytes) {
    std::vector<int> index;
    index.reserve(static_cast<std::size_t>(bytes.size()) + 1);
    for (int i = 0; i < text.size(); ++i) {
        const char32_t c = text[i].unicode();
        const bool pair = text[i].isHighSurrogate() && i + 1 < text.size();
        const int n = pair ? 4 : c < 0x80 ? 1 : c < 0x800 ? 2 : 3;
        for (int k = 0; k < n; ++k)
            index.push_back(i);
        if (pair) ++i;
    }
    index.resize(static_cast<std::size_t>(bytes.size()) + 1, static_cast<int>(text.size()));
    return index;
}

class FormulaEditorOpener : public QObject {
  public:
    explicit FormulaEditorOpener(QLineEdit* edit) : QObject(edit), edit_(edit) {}

    void open() {
        FormulaEditorDialog dialog(fieldLabel(edit_), edit_->text(), edit_->window());
        if (dialog.exec() != QDialog::Accepted) return;
        // Through the edit's own editing, so that its undo and signals see it.
        edit_->selectAll();
        edit_->insert(dialog.formula());
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == edit_ && event->type() == QEvent::MouseButtonDblClick &&
            edit_->isEnabled()) {
            open();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    QLineEdit* edit_;
};

} // namespace

FormulaHighlighter::FormulaHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {}

void FormulaHighlighter::highlightBlock(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    const std::vector<int> index = indexOfBytes(text, bytes);
    SymbolTable symbols;
    std::vector<FormulaDiagnostic> notes;
    Scanner scanner(bytes.constData(), static_cast<std::size_t>(bytes.size()), symbols, notes);
    for (Token t = scanner.next(); t.type != TokenType::End; t = scanner.next()) {
        const int from = index[static_cast<std::size_t>(t.begin)];
        setFormat(from, index[static_cast<std::size_t>(t.end)] - from, formatOf(t));
    }
    QTextCharFormat skipped;
    skipped.setForeground(QColor("#a0a0a0"));
    skipped.setFontStrikeOut(true);
    for (const FormulaDiagnostic& n : notes) {
        if (n.kind != DiagnosticKind::SkippedCharacter) continue;
        const int from = index[static_cast<std::size_t>(n.offset)];
        setFormat(from, index[static_cast<std::size_t>(n.offset + n.length)] - from, skipped);
    }
}

QStringList completionNames() {
    QStringList names;
    // Rows the scanner reads as operators or channel letters are never called by name.
    const QStringList shadowed{"mod", "xor", "and", "or", "r", "g", "b", "c", "s", "l", "?"};
    for (const FunctionName& f : kBuiltinFunctionTable)
        names << QString::fromLatin1(f.name);
    for (const VariableName& v : kVariableTable)
        names << QString::fromLatin1(v.name);
        // pi, pi2 and e are read as numbers rather than looked up.
#define TREVALIN_CONSTANT_NAME(Id, spelling, value) names << QStringLiteral(spelling);
    TREVALIN_CONSTANTS(TREVALIN_CONSTANT_NAME)
#undef TREVALIN_CONSTANT_NAME
    names.removeDuplicates();
    for (const QString& s : shadowed)
        names.removeAll(s);
    names.sort(Qt::CaseInsensitive);
    return names;
}

FormulaEditorDialog::FormulaEditorDialog(const QString& label, const QString& text, QWidget* parent)
    : QDialog(parent), label_(label) {
    setWindowTitle(label.isEmpty() ? tr("Formula") : tr("Formula: %1").arg(label));
    auto* layout = new QVBoxLayout(this);

    editor_ = new QPlainTextEdit(this);
    editor_->setObjectName(QStringLiteral("formulaText"));
    editor_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    editor_->setTabChangesFocus(true); // a tab would end the value in a presets file
    new FormulaHighlighter(editor_->document());
    editor_->setPlainText(text);
    layout->addWidget(editor_, 3);

    messages_ = new QListWidget(this);
    messages_->setObjectName(QStringLiteral("diagnostics"));
    layout->addWidget(messages_, 1);
    layout->addWidget(new QLabel(tr("Ctrl+Space completes a name. Line breaks become spaces in "
                                    "the field."),
                                 this));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    completer_ = new QCompleter(new QStringListModel(completionNames(), this), this);
    completer_->setCaseSensitivity(Qt::CaseInsensitive);
    completer_->setCompletionMode(QCompleter::PopupCompletion);
    completer_->setWidget(editor_);
    connect(completer_, qOverload<const QString&>(&QCompleter::activated), this,
            &FormulaEditorDialog::insertCompletion);

    editor_->installEventFilter(this);
    connect(editor_, &QPlainTextEdit::textChanged, this, [this] {
        recheck();
        complete(false);
    });
    connect(messages_, &QListWidget::currentRowChanged, this,
            &FormulaEditorDialog::showMessagePlace);
    connect(this, &QDialog::finished, completer_->popup(), &QWidget::hide);
    recheck();
    resize(560, 320);
    editor_->setFocus();
    editor_->moveCursor(QTextCursor::End);
}

QString FormulaEditorDialog::formula() const {
    QString text = editor_->toPlainText();
    for (QChar& c : text) {
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r') || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            c = QLatin1Char(' ');
    }
    return text;
}

void FormulaEditorDialog::recheck() {
    const QString text = editor_->toPlainText();
    const QByteArray bytes = text.toUtf8();
    const FormulaCheck check = checkFormula(bytes.toStdString());
    const QSignalBlocker block(messages_);
    messages_->clear();
    QList<QTextEdit::ExtraSelection> marks;
    for (const FormulaDiagnostic& d : check.diagnostics) {
        const bool error = severityOf(d.kind) == Severity::Error;
        auto* item =
            new QListWidgetItem(style()->standardIcon(error ? QStyle::SP_MessageBoxCritical
                                                            : QStyle::SP_MessageBoxWarning),
                                fieldMessage(label_, text, d), messages_);
        const int from = textIndexOfOffset(text, d.offset);
        const int to = textIndexOfOffset(text, d.offset + d.length);
        item->setData(Qt::UserRole, from);
        item->setData(Qt::UserRole + 1, to);

        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(editor_->document());
        // A place at the end of the text has no character: mark the one before it.
        const int end = std::max(to, from + 1);
        const int start = end > text.size() ? std::max(0, static_cast<int>(text.size()) - 1) : from;
        mark.cursor.setPosition(start);
        mark.cursor.setPosition(std::min(end, static_cast<int>(text.size())),
                                QTextCursor::KeepAnchor);
        mark.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        mark.format.setUnderlineColor(error ? QColor("#d01010") : QColor("#c09000"));
        marks << mark;
    }
    if (bytes.size() > kTextLimit) {
        new QListWidgetItem(style()->standardIcon(QStyle::SP_MessageBoxCritical),
                            tr("Please enter no more than %1 characters.").arg(kTextLimit),
                            messages_);
    }
    editor_->setExtraSelections(marks);
    if (auto* box = findChild<QDialogButtonBox*>())
        box->button(QDialogButtonBox::Ok)->setEnabled(bytes.size() <= kTextLimit);
}

void FormulaEditorDialog::showMessagePlace(int row) {
    QListWidgetItem* item = messages_->item(row);
    if (!item || !item->data(Qt::UserRole).isValid()) return;
    QTextCursor cursor = editor_->textCursor();
    cursor.setPosition(item->data(Qt::UserRole).toInt());
    editor_->setTextCursor(cursor);
    editor_->setFocus();
}

QString FormulaEditorDialog::wordBeforeCursor() const {
    const QTextCursor cursor = editor_->textCursor();
    const QString line = cursor.block().text();
    int i = cursor.positionInBlock();
    const int end = i;
    while (i > 0 && (line[i - 1].isLetterOrNumber() || line[i - 1] == QLatin1Char('_')))
        --i;
    // A name starts with a letter; digits before it make a number.
    while (i < end && !line[i].isLetter())
        ++i;
    return line.mid(i, end - i);
}

void FormulaEditorDialog::complete(bool force) {
    const QString word = wordBeforeCursor();
    QAbstractItemView* popup = completer_->popup();
    if (word.isEmpty() || (!force && word.size() < 2)) {
        popup->hide();
        return;
    }
    if (word != completer_->completionPrefix()) {
        completer_->setCompletionPrefix(word);
        popup->setCurrentIndex(completer_->completionModel()->index(0, 0));
    }
    const int count = completer_->completionCount();
    if (count == 0 || (count == 1 && !force &&
                       completer_->currentCompletion().compare(word, Qt::CaseInsensitive) == 0)) {
        popup->hide();
        return;
    }
    QRect at = editor_->cursorRect();
    at.setWidth(popup->sizeHintForColumn(0) + popup->verticalScrollBar()->sizeHint().width());
    completer_->complete(at);
}

void FormulaEditorDialog::insertCompletion(const QString& name) {
    QTextCursor cursor = editor_->textCursor();
    const int typed = static_cast<int>(wordBeforeCursor().size());
    cursor.movePosition(QTextCursor::Left, QTextCursor::KeepAnchor, typed);
    cursor.insertText(name);
    editor_->setTextCursor(cursor);
    completer_->popup()->hide();
}

bool FormulaEditorDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == editor_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (completer_->popup()->isVisible()) {
            switch (key->key()) {
            case Qt::Key_Enter:
            case Qt::Key_Return:
            case Qt::Key_Escape:
            case Qt::Key_Tab:
            case Qt::Key_Backtab: event->ignore(); return true; // the popup takes these
            default: break;
            }
        }
        if (key->key() == Qt::Key_Space && (key->modifiers() & Qt::ControlModifier)) {
            complete(true);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void attachFormulaEditor(QLineEdit* edit) {
    auto* opener = new FormulaEditorOpener(edit);
    QAction* action =
        edit->addAction(edit->style()->standardIcon(QStyle::SP_FileDialogDetailedView),
                        QLineEdit::TrailingPosition);
    action->setObjectName(QStringLiteral("openFormulaEditor"));
    action->setToolTip(QObject::tr("Edit in a larger editor (or double-click the field)"));
    QObject::connect(action, &QAction::triggered, opener, [opener] { opener->open(); });
    edit->installEventFilter(opener);
}

} // namespace trevalin
