// The program's own dialogs: image Size and About.
#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>

class QLineEdit;

namespace trevalin {

inline constexpr int kMinImageSize = 1;
inline constexpr int kMaxImageSize = 16000;

// The framework's check of one image Size field: empty when text is a whole
// number from 1 to 16000, else the message to show.
QString imageSizeError(const QString& text);

class ImageSizeDialog : public QDialog {
    Q_OBJECT
  public:
    ImageSizeDialog(int width, int height, QWidget* parent = nullptr);

    int imageWidth() const { return width_; }
    int imageHeight() const { return height_; }
    QLineEdit* widthEdit() const { return widthEdit_; }
    QLineEdit* heightEdit() const { return heightEdit_; }

    // Checks width, then height, then that the picture fits in the memory
    // there is; a refusal keeps the dialog open with the focus on the field.
    void accept() override;

    // How the memory still available is measured (tests give their own).
    void setAvailableMemory(std::function<std::uint64_t()> measure) {
        availableMemory_ = std::move(measure);
    }

  private:
    QLineEdit* widthEdit_;
    QLineEdit* heightEdit_;
    int width_;
    int height_;
    std::function<std::uint64_t()> availableMemory_;
};

class AboutDialog : public QDialog {
    Q_OBJECT
  public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

} // namespace trevalin
