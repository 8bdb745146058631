// The application: creates the render job (and with it the render lock)
// before any window, then the document and the main window; carries out the
// command line.
#pragma once

#include <QApplication>
#include <memory>

namespace trevalin {

class MainWindow;
class Document;
class RenderJob;
class SessionInhibitor;

class TrevalinApplication : public QApplication {
    Q_OBJECT
  public:
    TrevalinApplication(int& argc, char** argv);
    ~TrevalinApplication() override;

    // start-up; false when the program should end at once (exit code in *code).
    bool initInstance(int* code);
    MainWindow* mainWindow() const { return frame_.get(); }

  private:
    void takeScreenshot(const QString& path, bool renderPreset, int tab);

    std::unique_ptr<RenderJob> job_;
    std::unique_ptr<SessionInhibitor> inhibitor_;
    std::unique_ptr<Document> doc_;
    std::unique_ptr<MainWindow> frame_;
};

} // namespace trevalin
