#include "app/image_printing.h"

#include <QPageSetupDialog>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "app/document_file.h"
#include "app/user_messages.h"
#include "render/render_job.h"

namespace trevalin {

ImagePrinting::ImagePrinting(Document& doc, RenderJob& job, QWidget* owner)
    : QObject(owner), doc_(doc), job_(job), owner_(owner) {}

ImagePrinting::~ImagePrinting() = default;

QPrinter* ImagePrinting::printer() {
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return printer_.get();
}

bool ImagePrinting::printImage(QPrinter* printer) {
    const QImage picture = snapshotImage(doc_, job_.lock());
    QPainter painter(printer);
    if (picture.isNull() || !painter.isActive()) return false;
    const QRect page = painter.viewport();
    QSize size = picture.size();
    size.scale(page.size(), Qt::KeepAspectRatio);
    const QRect target(page.left() + (page.width() - size.width()) / 2, page.top(), size.width(),
                       size.height());
    painter.drawImage(target, picture);
    return painter.end();
}

void ImagePrinting::print() {
    QPrintDialog dialog(printer(), owner_);
    if (dialog.exec() == QDialog::Accepted && !printImage(printer()))
        showWarning(owner_, tr("The picture could not be printed."));
}

void ImagePrinting::preview() {
    QPrintPreviewDialog dialog(printer(), owner_);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
            [this](QPrinter* target) { printImage(target); });
    dialog.exec();
}

void ImagePrinting::setup() {
    QPageSetupDialog dialog(printer(), owner_);
    dialog.exec();
}

} // namespace trevalin
