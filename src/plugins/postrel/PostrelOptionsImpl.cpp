#include "postrel/PostrelOptionsImpl.h"
#include "ui/Dpi.h"

#include <cstdint>
#include <cstring>

#include "base/Errors.h"
#include "base/Module.h"
#include "base/Registry.h"
#include "com/ComError.h"
#include "common/PixwellInc.h"
#include "portable/MailText.h"
#include "postrel/PostrelUnit.h"
#include "stowick/JPEGSettingsUnit.h"

namespace postrel {

namespace {

constexpr int kClientWidth = 533;
constexpr int kClientHeight = 378;
constexpr int kHeaderHeight = 49;
constexpr unsigned kSettingsDelay = 100;   // ms after creation
constexpr unsigned kResolutionDelay = 500; // ms after a field's last change
constexpr int kBmpIndex = 0;
constexpr int kJpgIndex = 1;
// Between the user's text and the footer.
constexpr char kFooterSeparator[] = "\r\n\r\n";

// A text the mail client handed out; null counts as empty.
std::string TextOf(const char* text)
{
    return text ? text : "";
}

} // namespace

std::string MailFooter()
{
    std::string footer = kMailFooterStart;
    footer += pixwell::kProductWebPage;
    footer += kMailFooterEnd;
    return footer;
}

// ---- Creation ------------------------------------------------------------------------

TPostrelOptions::TPostrelOptions()
{
    SetCaption(kOptionsCaption);
    SetFont(fw::Font{"MS Sans Serif", fw::Font::HeightForPoints(8, fw::kDesignDpi), 0, fw::clWindowText});
    SetClientSize(kClientWidth, kClientHeight);

    Panel3 = std::make_unique<fw::Panel>(*this, fw::Bounds{0, 0, kClientWidth, kHeaderHeight});
    Panel3->SetAlign(fw::Align::alTop);
    Panel3->SetColor(fw::clWindow);
    Panel3->SetBevelOuter(fw::PanelBevel::pbLowered);
    Panel3->SetBevelInner(fw::PanelBevel::pbRaised);
    Label4 = std::make_unique<fw::Label>(*Panel3, 33, 3, kHeaderCaption);
    Label4->SetBold(true);
    StaticText1 = std::make_unique<fw::Label>(*Panel3, fw::Bounds{43, 17, 476, 26}, kHeaderHint);

    ToSelect = std::make_unique<fw::SpeedButton>(*this, fw::Bounds{6, 57, 58, 23}, kToCaption);
    ToSelect->LoadGlyph(fw::ThisModule(), kToGlyph);
    ccSelect = std::make_unique<fw::SpeedButton>(*this, fw::Bounds{6, 84, 58, 23}, kCcCaption);
    ccSelect->LoadGlyph(fw::ThisModule(), kCcGlyph);
    Label1 = std::make_unique<fw::Label>(*this, 12, 115, kSubjectCaption);
    Label2 = std::make_unique<fw::Label>(*this, 0, 352, kFileTypeCaption);

    // The focusable controls, created in tab order.
    ToEdit = std::make_unique<TRecipientEdit>(*this, fw::Bounds{68, 58, 459, 21});
    CCEdit = std::make_unique<TRecipientEdit>(*this, fw::Bounds{68, 85, 459, 21});
    SubjectEdit = std::make_unique<fw::Edit>(*this, fw::Bounds{68, 112, 459, 21});
    MessageText = std::make_unique<fw::Memo>(*this, fw::Bounds{6, 140, 521, 199});
    SettingsButton = std::make_unique<fw::Button>(*this, fw::Bounds{452, 346, 75, 25}, kSettingsButtonCaption);
    FileTypeCombo = std::make_unique<fw::ComboBox>(*this, fw::Bounds{376, 348, 70, 21});
    FileTypeCombo->SetItems({kFileTypeBmp, kFileTypeJpg});
    cbPreviewLetter = std::make_unique<fw::CheckBox>(*this, fw::Bounds{6, 350, 240, 17}, kPreviewLetterCaption);
    Label2->SetLeft(FileTypeCombo->Left() - 6 - Label2->Width());

    anchors_.Add(*ToEdit, fw::akLeft | fw::akTop | fw::akRight);
    anchors_.Add(*CCEdit, fw::akLeft | fw::akTop | fw::akRight);
    anchors_.Add(*SubjectEdit, fw::akLeft | fw::akTop | fw::akRight);
    anchors_.Add(*MessageText, fw::akLeft | fw::akTop | fw::akRight | fw::akBottom);
    anchors_.Add(*cbPreviewLetter, fw::akLeft | fw::akBottom);
    anchors_.Add(*Label2, fw::akRight | fw::akBottom);
    anchors_.Add(*FileTypeCombo, fw::akRight | fw::akBottom);
    anchors_.Add(*SettingsButton, fw::akRight | fw::akBottom);

    ToSelect->OnClick = [this] { ToSelectClick(); };
    ccSelect->OnClick = [this] { ccSelectClick(); };
    ToEdit->OnChange = [this] { ToEditChange(); };
    CCEdit->OnChange = [this] { CCEditChange(); };
    ToEdit->OnLeave = [this] { ToEditExit(); };
    CCEdit->OnLeave = [this] { CCEditExit(); };
    FileTypeCombo->OnChange = [this] { FileTypeCombo1Change(); };
    SettingsButton->OnClick = [this] { SettingsButtonClick(); };

    // The settings come a moment after the page, once the host has placed it.
    Timer1 = std::make_unique<fw::Timer>(kSettingsDelay, true);
    Timer1->OnTimer = [this] { Timer1Timer(); };
    ToValidationTimer = std::make_unique<fw::Timer>(kResolutionDelay, false);
    ToValidationTimer->OnTimer = [this] { ToValidationTimerTimer(); };
    CcValidationTimer = std::make_unique<fw::Timer>(kResolutionDelay, false);
    CcValidationTimer->OnTimer = [this] { CcValidationTimerTimer(); };
}

TPostrelOptions::~TPostrelOptions() = default;

void TPostrelOptions::Initialize()
{
    mapi_ = MapiLibrary::Get();
    // What an earlier page resolved but never sent.
    SendState().ToRecipient.Clear();
    SendState().CcRecipient.Clear();
}

void TPostrelOptions::Resized()
{
    fw::Form::Resized();
    anchors_.Apply(ClientWidth(), ClientHeight());
}

// ---- Settings --------------------------------------------------------------------------

void TPostrelOptions::LoadPluginSettings()
{
    const fw::RegKey key = fw::RegKey::TryOpen(HKEY_CURRENT_USER, pixwell::kSharedSettingsKey);
    if (!key)
        throw fw::Error(kReadSettingsError);
    MailSendState& state = SendState();
    pixwell::ReadJpegSettings(key, state.Grayscale, state.Smoothing, state.Compression);
    // A stored type the list does not have would leave no type chosen and
    // nothing the send could name its attachment by: it counts as missing.
    DWORD fileType = key.ReadDword(pixwell::kFileTypeSetting.name, pixwell::kFileTypeSetting.defaultValue);
    if (fileType != kBmpIndex && fileType != kJpgIndex)
        fileType = pixwell::kFileTypeSetting.defaultValue;
    FileTypeCombo->SetItemIndex(static_cast<int>(fileType));
    cbPreviewLetter->SetChecked(pixwell::ReadSwitch(key, kPreviewLetterSetting));
}

void TPostrelOptions::StorePluginSettings()
{
    const fw::RegKey key = fw::RegKey::TryOpen(HKEY_CURRENT_USER, pixwell::kSharedSettingsKey);
    if (!key)
        throw fw::Error(kWriteSettingsError);
    const MailSendState& state = SendState();
    // A failing write is not reported; the send does not depend on it.
    pixwell::WriteSharedSettings(key, state.Grayscale, state.Smoothing, state.Compression, FileTypeCombo->ItemIndex());
    key.WriteDword(kPreviewLetterSetting.name, cbPreviewLetter->Checked() ? 1 : 0);
}

// ---- Recipients ------------------------------------------------------------------------

std::string TPostrelOptions::FormatRecipient(const MapiRecipDesc& entry)
{
    return portable::FormatRecipient(TextOf(entry.lpszName), TextOf(entry.lpszAddress));
}

TPostrelOptions::RecipientField TPostrelOptions::ToField()
{
    return {*ToEdit, *ToValidationTimer, SendState().ToRecipient};
}

TPostrelOptions::RecipientField TPostrelOptions::CcField()
{
    return {*CCEdit, *CcValidationTimer, SendState().CcRecipient};
}

void TPostrelOptions::PickRecipient(const RecipientField& field)
{
    AddressBookChoice choice = MapiAddress(Handle());
    if (choice.status != SUCCESS_SUCCESS || choice.count == 0 || !choice.entries)
        return;
    const std::string text = FormatRecipient(*static_cast<const MapiRecipDesc*>(choice.entries.Get()));
    field.slot.Take(std::move(choice.entries));
    field.edit.SetText(text);
}

void TPostrelOptions::ResolveRecipient(const RecipientField& field)
{
    ResolvedName resolved = MapiResolveName(Handle(), field.edit.Text());
    const bool found = resolved.status == SUCCESS_SUCCESS;
    field.slot.Take(std::move(resolved.entry));
    fw::SetBold(field.edit, found);
}

void TPostrelOptions::LeaveRecipient(const RecipientField& field)
{
    field.timer.SetEnabled(false);
    ResolveRecipient(field);
    if (const MapiRecipDesc* entry = field.slot.Entry())
        field.edit.SetText(FormatRecipient(*entry));
}

void TPostrelOptions::RestartResolution(const RecipientField& field)
{
    field.timer.SetEnabled(false);
    field.timer.SetEnabled(true);
}

// ---- Event handlers ------------------------------------------------------------------------

void TPostrelOptions::Timer1Timer()
{
    Timer1->SetEnabled(false);
    LoadPluginSettings();
    FileTypeCombo1Change();
}

void TPostrelOptions::ToSelectClick() { PickRecipient(ToField()); }
void TPostrelOptions::ccSelectClick() { PickRecipient(CcField()); }
void TPostrelOptions::ToEditChange() { RestartResolution(ToField()); }
void TPostrelOptions::CCEditChange() { RestartResolution(CcField()); }
void TPostrelOptions::ToEditExit() { LeaveRecipient(ToField()); }
void TPostrelOptions::CCEditExit() { LeaveRecipient(CcField()); }

void TPostrelOptions::ToValidationTimerTimer()
{
    ToValidationTimer->SetEnabled(false);
    ResolveRecipient(ToField());
}

void TPostrelOptions::CcValidationTimerTimer()
{
    CcValidationTimer->SetEnabled(false);
    ResolveRecipient(CcField());
}

void TPostrelOptions::FileTypeCombo1Change()
{
    SettingsButton->SetEnabled(FileTypeCombo->ItemIndex() == kJpgIndex);
}

void TPostrelOptions::SettingsButtonClick()
{
    MailSendState& state = SendState();
    EditJpegOptions(this, state.Grayscale, state.Smoothing, state.Compression);
}

// ---- IPixwellPluginOptions ------------------------------------------------------------------

HRESULT TPostrelOptions::SetPlugin(IPixwellPlugin* plugin)
{
    return Method(IID_IPixwellPluginOptions, [&] {
        Plugin = nullptr;
        if (!plugin)
            fw::OleCheck(E_POINTER);
        fw::OleCheck(plugin->QueryInterface(IID_IPixwellPostrelObject, Plugin.PutVoid()));
    });
}

HRESULT TPostrelOptions::SaveSettings(HRESULT* result)
{
    if (!result)
        return E_POINTER;
    return Method(IID_IPixwellPluginOptions, [&] {
        StorePluginSettings();
        MailSendState& state = SendState();
        if (!state.ToRecipient) {
            *result = E_FAIL;
            MessageBoxA(GetAncestor(Handle(), GA_ROOT), kNoReceiverMessage, kPluginName, MB_OK | MB_ICONERROR);
            return;
        }
        state.ToRecipient.Entry()->ulRecipClass = MAPI_TO;
        if (MapiRecipDesc* cc = state.CcRecipient.Entry())
            cc->ulRecipClass = MAPI_CC;
        state.FileType = FileTypeCombo->ItemIndex();
        state.Subject = SubjectEdit->Text();
        state.NoteText = MessageText->Text() + kFooterSeparator + MailFooter();
        state.PreviewLetter = cbPreviewLetter->Checked();
        *result = S_OK;
    });
}

HRESULT TPostrelOptions::Notify(TNotifyMessages msg)
{
    // The parameter's bytes, not its value: a client may send any number,
    // which a TNotifyMessages cannot hold.
    std::int32_t message = 0;
    static_assert(sizeof msg == sizeof message);
    std::memcpy(&message, &msg, sizeof message);
    if (message != nmLostFocus)
        return S_OK;
    return Method(IID_IPixwellPluginOptions, [&] {
        ToEditExit();
        CCEditExit();
    });
}

} // namespace postrel
