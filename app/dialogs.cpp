#include "app/dialogs.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStyle>
#include <algorithm>

#include "app/user_messages.h"
#include "render/memory_check.h"

namespace trevalin {

QString imageSizeError(const QString& text) {
    const QString digits = text.trimmed();
    const bool digitsOnly =
        !digits.isEmpty() &&
        std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (!digitsOnly) return QStringLiteral("Please enter a positive integer.");
    // A number too large to read counts as out of range.
    bool ok = false;
    const qulonglong value = digits.toULongLong(&ok);
    if (!ok || value < kMinImageSize || value > kMaxImageSize) {
        return QStringLiteral("Please enter an integer between %1 and %2.")
            .arg(kMinImageSize)
            .arg(kMaxImageSize);
    }
    return QString();
}

ImageSizeDialog::ImageSizeDialog(int width, int height, QWidget* parent)
    : QDialog(parent), width_(width), height_(height), availableMemory_(&availableMemory) {
    setWindowTitle(tr("Image Size"));
    auto* fields = new QGridLayout;
    widthEdit_ = new QLineEdit(QString::number(width), this);
    heightEdit_ = new QLineEdit(QString::number(height), this);
    // Digits only, as typed.
    auto* digits =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    for (QLineEdit* edit : {widthEdit_, heightEdit_}) {
        edit->setValidator(digits);
        edit->setMaximumWidth(80);
    }
    auto* widthLabel = new QLabel(tr("Width"), this);
    auto* heightLabel = new QLabel(tr("Height"), this);
    widthLabel->setBuddy(widthEdit_);
    heightLabel->setBuddy(heightEdit_);
    fields->addWidget(widthLabel, 0, 0);
    fields->addWidget(widthEdit_, 0, 1);
    fields->addWidget(heightLabel, 1, 0);
    fields->addWidget(heightEdit_, 1, 1);

    auto* buttons =
        new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, Qt::Vertical, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &ImageSizeDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &ImageSizeDialog::reject);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(buttons);
    widthEdit_->setFocus();
}

void ImageSizeDialog::accept() {
    for (QLineEdit* edit : {widthEdit_, heightEdit_}) {
        const QString error = imageSizeError(edit->text());
        if (!error.isEmpty()) {
            showWarning(this, error);
            edit->setFocus(Qt::OtherFocusReason);
            edit->selectAll();
            return;
        }
    }
    const int width = widthEdit_->text().trimmed().toInt();
    const int height = heightEdit_->text().trimmed().toInt();
    // Refused here, where another size can be typed, rather than failing
    // half way through making the picture.
    const std::string refusal = memoryRefusal(width, height, false, availableMemory_());
    if (!refusal.empty()) {
        showWarning(this, QString::fromStdString(refusal));
        widthEdit_->setFocus(Qt::OtherFocusReason);
        widthEdit_->selectAll();
        return;
    }
    width_ = width;
    height_ = height;
    QDialog::accept();
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("About Trevalin"));
    auto* icon = new QLabel(this);
    icon->setPixmap(QApplication::windowIcon().pixmap(32, 32));
    auto* text = new QLabel(tr("Trevalin %1").arg(QStringLiteral(TREVALIN_VERSION)), this);
    auto* ok = new QPushButton(tr("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(icon, 0, Qt::AlignTop);
    layout->addWidget(text, 1, Qt::AlignTop);
    layout->addWidget(ok, 0, Qt::AlignTop);
}

} // namespace trevalin
