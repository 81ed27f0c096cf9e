// The JPEG settings dialog: grayscale, smoothing and the compression quality
// in per cent. A caller makes one per use, fills it, shows it modally and
// reads the check boxes and the track bar back after OK (modal result 1);
// the dialog keeps nothing of its own. Shared by both plug-in libraries,
// whose options pages open it through EditJpegOptions.
#pragma once
#include <memory>

#include "ui/Controls.h"
#include "ui/Form.h"
#include "ui/MaskEdit.h"
#include "ui/TrackBar.h"

inline constexpr char kJPEGSettingsCaption[] = "JPEG Image Settings";
inline constexpr char kGrayscaleCaption[] = "Grayscale";
inline constexpr char kSmoothingCaption[] = "Smoothing";
inline constexpr char kCompressionQualityCaption[] = "Compression Quality:";
inline constexpr char kPercentCaption[] = "%";
inline constexpr char kJPEGSettingsOkCaption[] = "OK";
inline constexpr char kJPEGSettingsCancelCaption[] = "Cancel";
// Three optional digits, blanks at the front, "_" shown for a blank.
inline constexpr char kCompressionEditMask[] = "!999;1;_";

class TJPEGSettings : public fw::Form {
public:
    explicit TJPEGSettings(fw::Window* owner = nullptr);
    ~TJPEGSettings() override;

    std::unique_ptr<fw::CheckBox> GrayScaleCheck;
    std::unique_ptr<fw::CheckBox> SmoothingCheckBox;
    std::unique_ptr<fw::Label> Label1; // "Compression Quality:"
    std::unique_ptr<fw::MaskEdit> CompressionEdit;
    std::unique_ptr<fw::Label> Label2; // "%"
    std::unique_ptr<fw::TrackBar> Compression;
    std::unique_ptr<fw::Button> Button1; // "OK"
    std::unique_ptr<fw::Button> Button2; // "Cancel"

    // The track bar moved: the edit shows the position.
    void CompressionChange();
    // The edit changed: a number up to 100 moves the track bar; no digits or
    // a larger number leave it where it is.
    void CompressionEditChange();
};

// Shows the dialog over `owner` with the three options; OK writes the
// user's choices back, Cancel leaves them. True after OK.
bool EditJpegOptions(fw::Window* owner, bool& grayscale, bool& smoothing, long& compression);
