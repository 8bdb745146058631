// The application: creates the render job (and with it the render lock)
// before any window, then the document and the main window; carries out the
// command line.
#pragma once

#include <QApplication>
#include <memory>

namespace trevalin {

class CMainFrame;
class CTrevalinDoc;
class RenderJob;
class SessionInhibitor;

class CTrevalinApp : public QApplication {
    Q_OBJECT
  public:
    CTrevalinApp(int& argc, char** argv);
    ~CTrevalinApp() override;

    // Start-up; false when the program should end at once (exit code in *code).
    bool InitInstance(int* code);
    CMainFrame* MainFrame() const { return frame_.get(); }

  private:
    void TakeScreenshot(const QString& path, bool renderPreset, int tab);

    std::unique_ptr<RenderJob> job_;
    std::unique_ptr<SessionInhibitor> inhibitor_;
    std::unique_ptr<CTrevalinDoc> doc_;
    std::unique_ptr<CMainFrame> frame_;
};

} // namespace trevalin
