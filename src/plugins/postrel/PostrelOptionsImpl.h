// The options page of the e-mail plug-in: an ActiveX control the host shows
// on its wizard page. The user names a To recipient and at most one Cc
// recipient, typed or picked from the mail client's address book and
// resolved against it, types a subject and a text, picks BMP or JPG (with
// the JPEG options) and whether the client shows the letter before it goes.
// SaveSettings stores the settings and hands everything the send needs to
// the plug-in object through the library's MailSendState.
#pragma once
#include <windows.h>
#include <mapi.h>

#include <memory>
#include <string>

#include "common/SharedSettings.h"
#include "ole/ActiveForm.h"
#include "postrel/MailSendState.h"
#include "postrel/RecipientEdit.h"
#include "postrel/SimpleMapi.h"
#include "ui/Anchors.h"
#include "ui/ComboBox.h"
#include "ui/Controls.h"
#include "ui/Memo.h"
#include "ui/SpeedButton.h"
#include "ui/Timer.h"
#include "postrel_TLB.h"

namespace postrel {

inline constexpr char kOptionsCaption[] = "PostrelOptions";
inline constexpr char kHeaderCaption[] = "Please type in information about your recipient and message text";
inline constexpr char kHeaderHint[] =
    "You can choose recipients from address book by clicking to the \"To:\" and \"Cc\" buttons.";
inline constexpr char kToCaption[] = "To:";
inline constexpr char kCcCaption[] = "Cc:";
inline constexpr char kSubjectCaption[] = "Subject:";
inline constexpr char kFileTypeCaption[] = "File Type:";
inline constexpr char kFileTypeBmp[] = "BMP";
inline constexpr char kFileTypeJpg[] = "JPG";
inline constexpr char kSettingsButtonCaption[] = "Options...";
inline constexpr char kPreviewLetterCaption[] = "Preview letter before send";

inline constexpr char kReadSettingsError[] = "Error reading plugin settings";
inline constexpr char kWriteSettingsError[] = "Error writing plugin settings";
inline constexpr char kNoReceiverMessage[] = "Message receiver is not assigned!";

// Kept with the shared settings, in the file-save plug-in's key.
inline constexpr pixwell::DwordSetting kPreviewLetterSetting{"PreviewLetter", 0};

// The line after the user's text in every letter.
inline constexpr char kMailFooterStart[] = "This screen-shot created with Vistrel (";
inline constexpr char kMailFooterEnd[] = ")";
std::string MailFooter();

// Glyphs of the address-book buttons: bitmap resources of the library.
inline constexpr int kToGlyph = 101;
inline constexpr int kCcGlyph = 102;

class TPostrelOptions final
    : public fw::ActiveForm<TPostrelOptions, IPostrelOptions, IPixwellPluginOptions> {
public:
    static const CLSID& ClassId() noexcept { return CLSID_PostrelOptions; }

    TPostrelOptions();
    ~TPostrelOptions() override;

    // IPixwellPluginOptions
    HRESULT STDMETHODCALLTYPE SetPlugin(IPixwellPlugin* Plugin) override;
    HRESULT STDMETHODCALLTYPE SaveSettings(HRESULT* Result) override;
    HRESULT STDMETHODCALLTYPE Notify(TNotifyMessages Msg) override;

    // ---- Components ------------------------------------------------------------
    std::unique_ptr<fw::Panel> Panel3;      // header band
    std::unique_ptr<fw::Label> Label4;      // bold header line
    std::unique_ptr<fw::Label> StaticText1; // hint under it
    std::unique_ptr<fw::SpeedButton> ToSelect;
    std::unique_ptr<fw::SpeedButton> ccSelect;
    std::unique_ptr<fw::Label> Label1; // "Subject:"
    std::unique_ptr<fw::Label> Label2; // "File Type:"
    std::unique_ptr<TRecipientEdit> ToEdit;
    std::unique_ptr<TRecipientEdit> CCEdit;
    std::unique_ptr<fw::Edit> SubjectEdit;
    std::unique_ptr<fw::Memo> MessageText;
    std::unique_ptr<fw::Button> SettingsButton;
    std::unique_ptr<fw::ComboBox> FileTypeCombo;
    std::unique_ptr<fw::CheckBox> cbPreviewLetter;
    std::unique_ptr<fw::Timer> Timer1;
    std::unique_ptr<fw::Timer> ToValidationTimer;
    std::unique_ptr<fw::Timer> CcValidationTimer;

    // ---- Fields ------------------------------------------------------------------
    fw::ComPtr<IPixwellPostrelObject> Plugin;

    // ---- Event handlers -------------------------------------------------------
    void Timer1Timer();
    void ToSelectClick();
    void ccSelectClick();
    void ToEditChange();
    void CCEditChange();
    void ToEditExit();
    void CCEditExit();
    void ToValidationTimerTimer();
    void CcValidationTimerTimer();
    void FileTypeCombo1Change();
    void SettingsButtonClick();

    // ---- Operations ----------------------------------------------------------------
    void LoadPluginSettings();
    void StorePluginSettings();
    // The display name and the address without "SMTP:" in angle brackets.
    static std::string FormatRecipient(const MapiRecipDesc& entry);

protected:
    void Initialize() override;
    void Resized() override;

private:
    // One recipient field: its edit box, its resolution timer and its slot.
    struct RecipientField {
        TRecipientEdit& edit;
        fw::Timer& timer;
        RecipientSlot& slot;
    };
    RecipientField ToField();
    RecipientField CcField();

    // The first entry chosen in the address book goes into the field and
    // its slot; a cancelled or failed choice changes nothing.
    void PickRecipient(const RecipientField& field);
    // Resolves the field's whole text: the slot takes the entry and the text
    // turns bold, or the slot empties and the text turns regular.
    void ResolveRecipient(const RecipientField& field);
    // Resolves at once and, when that worked, shows the formatted entry.
    void LeaveRecipient(const RecipientField& field);
    // A change: the field is resolved 500 ms after the last one.
    static void RestartResolution(const RecipientField& field);

    // Holds Simple MAPI while the page lives, so that each call does not
    // load the mail client anew.
    std::shared_ptr<const MapiLibrary> mapi_;
    fw::AnchorLayout anchors_;
};

} // namespace postrel
