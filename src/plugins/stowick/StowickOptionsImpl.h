// The options page of the file-save plug-in: an ActiveX control the host
// shows on its wizard page. The user assembles the path of the file to
// write (typed, from the recent folders, or through the folder browser),
// picks BMP or JPG and sets the JPEG options; SaveSettings hands all of it to
// the plug-in object and stores the recent folders and the settings.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "stowick/FolderListView.h"
#include "stowick/StowickSettings.h"
#include "ole/ActiveForm.h"
#include "ui/Anchors.h"
#include "ui/ComboBox.h"
#include "ui/Controls.h"
#include "ui/Timer.h"
#include "stowick_TLB.h"

namespace stowick {

inline constexpr char kOptionsCaption[] = "StowickOptions";
inline constexpr char kHeaderCaption[] = "Please choose a folder to save your image";
inline constexpr char kHeaderHint[] =
    "Use Recent Folders to get quick access to last folders where you save screen shots.";
inline constexpr char kFileNameCaption[] = "Choose a filename:";
inline constexpr char kFileTypeCaption[] = "File type:";
inline constexpr char kFileTypeBmp[] = "BMP";
inline constexpr char kFileTypeJpg[] = "JPG";
inline constexpr char kSettingsButtonCaption[] = "Options...";
inline constexpr char kRecentFoldersCaption[] = "Recent folders:";
inline constexpr char kFolderNameColumn[] = "Folder Name";
inline constexpr char kRemoveCaption[] = "Remove";
inline constexpr char kRemoveAllCaption[] = "Remove All";
inline constexpr char kBrowseCaption[] = "Browse...";
inline constexpr char kBrowseTitle[] = "Choose Directory";

inline constexpr char kLoadRecentError[] = "Error loading Recent directories";
inline constexpr char kReadSettingsError[] = "Error reading plugin settings";
inline constexpr char kCreateRecentKeyError[] = "Unable to create registry key for Recent directories";
inline constexpr char kStoreRecentError[] = "Unable to store Recent folders";
inline constexpr char kWriteSettingsError[] = "Error writing plugin settings";
inline constexpr char kNoPluginError[] = "The options page has no plugin object to configure";

class TStowickOptions final
    : public fw::ActiveForm<TStowickOptions, IStowickOptions, IPixwellPluginOptions> {
public:
    static const CLSID& ClassId() noexcept { return CLSID_StowickOptions; }

    TStowickOptions();
    ~TStowickOptions() override;

    // IPixwellPluginOptions
    HRESULT STDMETHODCALLTYPE SetPlugin(IPixwellPlugin* Plugin) override;
    HRESULT STDMETHODCALLTYPE SaveSettings(HRESULT* Result) override;
    HRESULT STDMETHODCALLTYPE Notify(TNotifyMessages Msg) override;

    // ---- Components ------------------------------------------------------------
    std::unique_ptr<fw::Panel> Panel3; // header band
    std::unique_ptr<fw::Label> Label4;      // bold header line
    std::unique_ptr<fw::Label> StaticText1; // hint under it
    std::unique_ptr<fw::Label> Label1;      // "Choose a filename:"
    std::unique_ptr<fw::Label> Label3;      // "File type:"
    std::unique_ptr<fw::Label> Label2;      // "Recent folders:"
    std::unique_ptr<fw::Edit> FileNameEdit;
    std::unique_ptr<FolderListView> RecentFolders;
    std::unique_ptr<fw::Button> Button1; // "Browse..."
    std::unique_ptr<fw::Button> Button2; // "Remove"
    std::unique_ptr<fw::Button> Button3; // "Remove All"
    std::unique_ptr<fw::ComboBox> FileTypeCombo;
    std::unique_ptr<fw::Button> SettingsButton;
    std::unique_ptr<fw::Timer> Timer1;

    // ---- Fields ------------------------------------------------------------------
    fw::ComPtr<IStowickObject> Plugin;
    // Until the settings load these are what missing values load as, so a
    // page saved without them never sends or stores a quality nobody chose.
    bool Grayscale = kGrayscaleSetting.defaultValue != 0;
    bool Smoothing = kSmoothingSetting.defaultValue != 0;
    long Compression = static_cast<long>(kCompressionSetting.defaultValue);

    // ---- Event handlers -------------------------------------------------------
    void Timer1Timer();
    void FileTypeComboChange();
    void SettingsButtonClick();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void RecentFoldersDblClick();

    // ---- Steps ---------------------------------------------------------------------
    void LoadRecentFolders();
    void LoadSettings();
    // Puts the folder part of the file name at the top of the list when it
    // names an existing directory, then rewrites the Recent key.
    void StoreRecentFolders();
    void StoreSettings();

protected:
    void Initialize() override;
    void Resized() override;

private:
    fw::AnchorLayout anchors_;
};


} // namespace stowick
