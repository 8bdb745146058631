// file > Print, Print Preview and Print Setup: the picture, as large as the
// page allows, on one printer kept for the session.
#pragma once

#include <QObject>
#include <memory>

class QPrinter;
class QWidget;

namespace trevalin {

class Document;
class RenderJob;

class ImagePrinting : public QObject {
    Q_OBJECT
  public:
    ImagePrinting(Document& doc, RenderJob& job, QWidget* owner);
    ~ImagePrinting() override;

    void print();
    void preview();
    void setup();
    // Draws the picture centred at the top of the page, proportions kept;
    // false when nothing was printed.
    bool printImage(QPrinter* printer);

  private:
    QPrinter* printer();

    Document& doc_;
    RenderJob& job_;
    QWidget* owner_;
    std::unique_ptr<QPrinter> printer_;
};

} // namespace trevalin
