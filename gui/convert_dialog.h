// The picture-conversion dialog: the source on the left, the 1-bit result on the right as
// the device will print it, and the controls of the conversion. It draws the core's model
// (tv::ConvertSession) and forwards every change to it; the rules and texts are the core's.
#pragma once
#include <QDialog>
#include <QImage>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QGridLayout;
class QGroupBox;
class QLabel;
class QRadioButton;
class QScrollArea;
class QSlider;
class QLineEdit;

namespace tv {
class ConvertSession;
}

namespace tv::gui {

class ConvertDialog : public QDialog {
    Q_OBJECT
  public:
    ConvertDialog(tv::ConvertSession& session, QWidget* parent);
    // Hiding the dialog as it goes takes the focus from the width box, whose signal must not
    // reach the half-destroyed dialog.
    ~ConvertDialog() override;

    // The logo as drawn: dark dots black, blank paper white, one pixel per dot.
    static QImage logo_image(const tv::ConvertSession& session);
    // The result as the view shows it now (1:1 or fitted).
    QImage shown_result() const;

    // "OK": closes only when the session accepts (a width it takes, the user's word on
    // replacing a file); Enter in the width box that changed the width keeps it open.
    void accept() override;

  protected:
    void resizeEvent(QResizeEvent* e) override;

  private:
    void build();
    // The pieces of the dialog, each making its widgets.
    QGroupBox* build_source_box();
    QGroupBox* build_result_box();
    QGridLayout* build_controls();
    QDialogButtonBox* build_buttons();
    void changed();      // a control moved: options to the model, model updated, redrawn
    void width_typed();  // each keystroke: the text to the model, marked when it is no width
    bool take_width();   // the typed width takes effect: true when it changed the result
    void mark_width();
    void show_model();  // controls, texts and pictures from the model
    void draw_result();

    tv::ConvertSession& session_;
    bool showing_ = false;  // controls being set from the model: their signals are ignored
    QImage result_;
    QLabel* source_view_ = nullptr;
    QLabel* source_text_ = nullptr;
    QScrollArea* result_area_ = nullptr;
    QLabel* result_view_ = nullptr;
    QLabel* result_text_ = nullptr;
    QRadioButton* zoom_fit_ = nullptr;
    QRadioButton* zoom_one_ = nullptr;
    QLineEdit* width_ = nullptr;
    QComboBox* method_ = nullptr;
    QSlider* level_ = nullptr;
    QLabel* level_value_ = nullptr;
    QCheckBox* level_auto_ = nullptr;
    QCheckBox* invert_ = nullptr;
};

}  // namespace tv::gui
