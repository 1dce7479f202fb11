// The main window: a fixed client area (what a 1024 x 768 window holds inside its frame)
// holding the whole control panel, the preview of the chosen picture, and the dialogs the
// core asks for.
#pragma once
#include <QElapsedTimer>
#include <QImage>
#include <QTimer>
#include <QWidget>
#include <string>
#include <unordered_map>

#include "ui/host.h"
#include "ui/panel_layout.h"

namespace tv {
struct Control;
}

namespace tv::gui {

class MainWindow : public QWidget {
    Q_OBJECT
  public:
    MainWindow();
    ~MainWindow() override;

    // Starts the application in startup_dir (panel, settings) with this window as the host.
    void start(const std::string& startup_dir);

    // The widget drawn for a control of the panel model (nullptr for an unknown handle).
    QWidget* widget(const char* handle) const;

    // The host's requests, carried out on the window's thread.
    Answer show_message_box(const std::string& caption, const std::string& text, Icon icon, Buttons buttons,
                            Answer default_button);
    void set_progress(int position);
    void append_trace(const std::string& text);
    void replace_trace(const std::string& text);
    void sync_control(const char* handle);
    bool open_file_dialog(const std::string& start_dir, std::string& path);
    DialogResult show_convert_dialog(ConvertSession& session);
    // The list of rows to choose one from (the network scan's devices); -1 when closed.
    int show_row_dialog(const std::string& caption, const std::vector<std::string>& columns,
                        const std::vector<std::vector<std::string>>& rows);
    void update_preview();
    void focus_control(const char* handle);

    // Where the preview is centred, in client coordinates, and the area it may cover.
    static constexpr int kPreviewCentreX = tv::kPreviewCentreX;
    static constexpr int kPreviewCentreY = tv::kPreviewCentreY;
    static QRect preview_area();

  protected:
    void paintEvent(QPaintEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

  private:
    void build_panel();
    void set_tab_order();
    // While a job the user chose to interrupt is stopping: closes the window once it has
    // ended (or its time is up).
    void close_after_job();
    void finish_close();

    std::unordered_map<std::string, QWidget*> widgets_;  // by handle name
    // The core's preview raster as fetched at the last repaint request (null: none).
    QImage preview_;
    bool closed_ = false;
    QTimer close_wait_;
    QElapsedTimer close_asked_;
    int close_limit_ms_ = 0;
};

}  // namespace tv::gui
