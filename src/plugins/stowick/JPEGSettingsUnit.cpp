#include "stowick/JPEGSettingsUnit.h"
#include "ui/Dpi.h"

#include <cctype>
#include <string>

namespace {

constexpr int kClientWidth = 304;
constexpr int kClientHeight = 132;
constexpr int kMaxQuality = 100;

// The number the edit's digits spell, or -1 when it holds none. Blank
// positions between digits are skipped.
int EditNumber(const std::string& text)
{
    int number = -1;
    for (const char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            continue;
        number = (number < 0 ? 0 : number * 10) + (c - '0');
        if (number > kMaxQuality * 10)
            return number; // too large already; more digits change nothing

    }
    return number;
}

} // namespace

TJPEGSettings::TJPEGSettings(fw::Window* owner) : fw::Form(owner)
{
    SetCaption(kJPEGSettingsCaption);
    SetBorderStyle(fw::BorderStyle::bsDialog);
    SetFont(fw::Font{"MS Sans Serif", fw::Font::HeightForPoints(8, fw::kDesignDpi), 0, fw::clWindowText});
    SetColor(fw::clBtnFace);
    SetClientSize(kClientWidth, kClientHeight);
    SetPosition(fw::Position::poDesktopCenter);

    // Created in tab order.
    Button2 = std::make_unique<fw::Button>(*this, fw::Bounds{224, 99, 75, 25}, kJPEGSettingsCancelCaption);
    Button2->SetModalResult(fw::mrCancel);
    Button2->SetCancel(true);
    Button1 = std::make_unique<fw::Button>(*this, fw::Bounds{146, 99, 75, 25}, kJPEGSettingsOkCaption);
    Button1->SetModalResult(fw::mrOk);
    Button1->SetDefault(true);
    GrayScaleCheck = std::make_unique<fw::CheckBox>(*this, fw::Bounds{6, 7, 97, 17}, kGrayscaleCaption);
    SmoothingCheckBox = std::make_unique<fw::CheckBox>(*this, fw::Bounds{6, 26, 97, 17}, kSmoothingCaption);
    Compression = std::make_unique<fw::TrackBar>(*this, fw::Bounds{2, 66, 300, 29},
                                                 fw::TrackBarOrientation::trHorizontal,
                                                 fw::TickMarks::tmTopLeft);
    Compression->SetRange(0, kMaxQuality);
    Compression->SetPosition(0);
    Compression->SetFrequency(2);
    Compression->SetThumbLength(15);
    CompressionEdit = std::make_unique<fw::MaskEdit>(*this, fw::Bounds{107, 48, 40, 21}, kCompressionEditMask);
    Label1 = std::make_unique<fw::Label>(*this, 6, 52, kCompressionQualityCaption);
    Label2 = std::make_unique<fw::Label>(*this, 149, 52, kPercentCaption);

    Compression->OnChange = [this] { CompressionChange(); };
    CompressionEdit->OnChange = [this] { CompressionEditChange(); };
}

TJPEGSettings::~TJPEGSettings()
{
    DoDestroy();
}

bool EditJpegOptions(fw::Window* owner, bool& grayscale, bool& smoothing, long& compression)
{
    const auto dialog = fw::CreateForm<TJPEGSettings>(owner);
    dialog->GrayScaleCheck->SetChecked(grayscale);
    dialog->SmoothingCheckBox->SetChecked(smoothing);
    dialog->Compression->SetPosition(static_cast<int>(compression));
    if (dialog->ShowModal() != fw::mrOk)
        return false;
    grayscale = dialog->GrayScaleCheck->Checked();
    smoothing = dialog->SmoothingCheckBox->Checked();
    compression = dialog->Compression->Position();
    return true;
}

void TJPEGSettings::CompressionChange()
{
    // While the user types, the edit already shows the number that moved
    // the track bar; writing it back would reshape what is being typed.
    const int position = Compression->Position();
    if (EditNumber(CompressionEdit->Text()) == position)
        return;
    CompressionEdit->SetText(std::to_string(position));
}

void TJPEGSettings::CompressionEditChange()
{
    const int number = EditNumber(CompressionEdit->Text());
    if (number < 0 || number > kMaxQuality)
        return;
    Compression->SetPosition(number);
}
