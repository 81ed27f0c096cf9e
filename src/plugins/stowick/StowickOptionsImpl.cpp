#include "stowick/StowickOptionsImpl.h"
#include "ui/Dpi.h"

#include "ui/ModalDisabler.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cctype>
#include <vector>

#include "stowick/FileNameRules.h"
#include "stowick/JPEGSettingsUnit.h"
#include "stowick/StowickSettings.h"
#include "com/ComBStr.h"
#include "com/ComError.h"
#include "base/Errors.h"
#include "base/Registry.h"

namespace stowick {

namespace {

constexpr int kClientWidth = 542;
constexpr int kClientHeight = 303;
constexpr int kHeaderHeight = 49;
constexpr unsigned kSettingsDelay = 100; // ms after creation
constexpr int kBmpIndex = 0;
constexpr int kJpgIndex = 1;
// The system's image list comes with the icon of any path; a drive root is
// always there.
constexpr char kImageListProbePath[] = "C:\\";

// The system small-icon index of a path, or no icon.
int SmallIconOf(const std::string& path)
{
    SHFILEINFOA info{};
    if (!SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON))
        return kNoIcon;
    return info.iIcon;
}

HIMAGELIST SystemSmallImages()
{
    SHFILEINFOA info{};
    return reinterpret_cast<HIMAGELIST>(SHGetFileInfoA(kImageListProbePath, 0, &info, sizeof info,
                                                       SHGFI_SYSICONINDEX | SHGFI_USEFILEATTRIBUTES |
                                                           SHGFI_SMALLICON));
}

bool DirectoryExists(const std::string& path)
{
    if (path.empty())
        return false;
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool SameText(const std::string& a, const std::string& b)
{
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()),
                          b.c_str(), static_cast<int>(b.size())) == CSTR_EQUAL;
}

std::string LowerCase(std::string text)
{
    CharLowerBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// Frees an item identifier list the shell allocated.
struct ItemIdListDeleter {
    void operator()(ITEMIDLIST* list) const noexcept { CoTaskMemFree(list); }
};

} // namespace

// ---- Creation ------------------------------------------------------------------------

TStowickOptions::TStowickOptions()
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

    Label1 = std::make_unique<fw::Label>(*this, 5, 54, kFileNameCaption);
    Label3 = std::make_unique<fw::Label>(*this, 412, 53, kFileTypeCaption);
    Label2 = std::make_unique<fw::Label>(*this, 6, 104, kRecentFoldersCaption);

    // The focusable controls, created in tab order.
    FileNameEdit = std::make_unique<fw::Edit>(*this, fw::Bounds{6, 67, 395, 21});
    RecentFolders = std::make_unique<FolderListView>(*this, fw::Bounds{6, 117, 521, 126});
    RecentFolders->AddColumn(kFolderNameColumn, 500);
    Button1 = std::make_unique<fw::Button>(*this, fw::Bounds{452, 246, 75, 25}, kBrowseCaption);
    Button2 = std::make_unique<fw::Button>(*this, fw::Bounds{6, 246, 75, 25}, kRemoveCaption);
    Button3 = std::make_unique<fw::Button>(*this, fw::Bounds{85, 246, 75, 25}, kRemoveAllCaption);
    FileTypeCombo = std::make_unique<fw::ComboBox>(*this, fw::Bounds{412, 67, 115, 21});
    FileTypeCombo->SetItems({kFileTypeBmp, kFileTypeJpg});
    SettingsButton = std::make_unique<fw::Button>(*this, fw::Bounds{451, 90, 75, 25}, kSettingsButtonCaption);
    SettingsButton->SetEnabled(false);

    anchors_.Add(*FileNameEdit, fw::akLeft | fw::akTop | fw::akRight);
    anchors_.Add(*Label3, fw::akTop | fw::akRight);
    anchors_.Add(*FileTypeCombo, fw::akLeft | fw::akTop | fw::akRight);
    anchors_.Add(*SettingsButton, fw::akTop | fw::akRight);
    anchors_.Add(*RecentFolders, fw::akLeft | fw::akTop | fw::akRight | fw::akBottom);
    anchors_.Add(*Button2, fw::akRight | fw::akBottom);
    anchors_.Add(*Button3, fw::akRight | fw::akBottom);
    anchors_.Add(*Button1, fw::akRight | fw::akBottom);

    FileTypeCombo->OnChange = [this] { FileTypeComboChange(); };
    SettingsButton->OnClick = [this] { SettingsButtonClick(); };
    Button1->OnClick = [this] { Button1Click(); };
    Button2->OnClick = [this] { Button2Click(); };
    Button3->OnClick = [this] { Button3Click(); };
    RecentFolders->OnDblClick = [this] { RecentFoldersDblClick(); };

    // The settings come a moment after the page, once the host has placed it.
    Timer1 = std::make_unique<fw::Timer>(kSettingsDelay, true);
    Timer1->OnTimer = [this] { Timer1Timer(); };
}

TStowickOptions::~TStowickOptions() = default;

void TStowickOptions::Initialize()
{
    RecentFolders->SetSmallImages(SystemSmallImages());
    LoadRecentFolders();
    SYSTEMTIME now{};
    GetLocalTime(&now);
    const long milliseconds =
        ((now.wHour * 60L + now.wMinute) * 60L + now.wSecond) * 1000L + now.wMilliseconds;
    FileNameEdit->SetText(DefaultFileName(now.wYear, now.wMonth, now.wDay, milliseconds));
}

void TStowickOptions::Resized()
{
    fw::Form::Resized();
    anchors_.Apply(ClientWidth(), ClientHeight());
}

// ---- Settings --------------------------------------------------------------------------

void TStowickOptions::LoadRecentFolders()
{
    const fw::RegKey key = fw::RegKey::TryOpen(HKEY_CURRENT_USER, kRecentKey);
    if (!key)
        return;
    std::vector<fw::RegValue> values;
    if (key.EnumValues(values) != ERROR_SUCCESS)
        throw fw::Error(kLoadRecentError);
    for (const fw::RegValue& value : values) {
        const std::string folder = value.Text();
        RecentFolders->AddItem(folder, SmallIconOf(folder));
    }
}

void TStowickOptions::LoadSettings()
{
    const fw::RegKey key = fw::RegKey::TryOpen(HKEY_CURRENT_USER, kPluginKey);
    if (!key)
        throw fw::Error(kReadSettingsError);
    pixwell::ReadJpegSettings(key, Grayscale, Smoothing, Compression);
    FileTypeCombo->SetItemIndex(
        static_cast<int>(key.ReadDword(kFileTypeSetting.name, kFileTypeSetting.defaultValue)));
}

void TStowickOptions::StoreRecentFolders()
{
    const std::string folder = FolderPart(FileNameEdit->Text());
    if (DirectoryExists(folder)) {
        for (int i = 0; i < RecentFolders->Count(); ++i) {
            if (SameText(RecentFolders->Caption(i), folder)) {
                RecentFolders->DeleteItem(i);
                break;
            }
        }
        RecentFolders->InsertItem(0, folder, kNoIcon);
    }

    // Anything left under the key would come back as a recent folder.
    fw::RegKey::DeleteKey(HKEY_CURRENT_USER, kRecentKey, true);
    const fw::RegKey key = fw::RegKey::TryCreate(HKEY_CURRENT_USER, kRecentKey);
    if (!key)
        throw fw::Error(kCreateRecentKeyError);
    for (int i = 0; i < RecentFolders->Count(); ++i) {
        std::string name = kRecentValuePrefix;
        name += std::to_string(i);
        if (key.WriteString(name.c_str(), RecentFolders->Caption(i)) != ERROR_SUCCESS)
            throw fw::Error(kStoreRecentError);
    }
}

void TStowickOptions::StoreSettings()
{
    const fw::RegKey key = fw::RegKey::TryOpen(HKEY_CURRENT_USER, kPluginKey);
    if (!key)
        throw fw::Error(kWriteSettingsError);
    pixwell::WriteSharedSettings(key, Grayscale, Smoothing, Compression, FileTypeCombo->ItemIndex());
}

// ---- Event handlers ------------------------------------------------------------------------

void TStowickOptions::Timer1Timer()
{
    Timer1->SetEnabled(false);
    LoadSettings();
    FileTypeComboChange();
}

void TStowickOptions::FileTypeComboChange()
{
    const int index = FileTypeCombo->ItemIndex();
    SettingsButton->SetEnabled(index == kJpgIndex);
    // With no type chosen (a stored index the list does not have) the name
    // keeps its extension.
    if (index < 0)
        return;
    std::string extension = ".";
    extension += LowerCase(FileTypeCombo->Item(index));
    FileNameEdit->SetText(ChangeExtension(FileNameEdit->Text(), extension));
}

void TStowickOptions::SettingsButtonClick()
{
    EditJpegOptions(this, Grayscale, Smoothing, Compression);
}

void TStowickOptions::Button1Click()
{
    char title[sizeof kBrowseTitle];
    lstrcpynA(title, kBrowseTitle, sizeof title);
    BROWSEINFOA info{};
    info.hwndOwner = GetAncestor(Handle(), GA_ROOT);
    info.lpszTitle = title;
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    std::unique_ptr<ITEMIDLIST, ItemIdListDeleter> chosen;
    {
        // The dialog disables and enables its owner itself, before it goes,
        // so the activation comes back to the owner.
        const fw::ThreadWindowsDisabler disabled(info.hwndOwner);
        chosen.reset(SHBrowseForFolderA(&info));
    }
    if (!chosen)
        return;
    char path[MAX_PATH] = {};
    if (!SHGetPathFromIDListA(chosen.get(), path))
        return;
    std::string folder = path;
    if (folder.empty() || folder.back() != '\\')
        folder += '\\';
    FileNameEdit->SetText(folder + FileNamePart(FileNameEdit->Text()));
}

void TStowickOptions::Button2Click()
{
    const int index = RecentFolders->ItemIndex();
    if (index >= 0)
        RecentFolders->DeleteItem(index);
}

void TStowickOptions::Button3Click()
{
    RecentFolders->Clear();
}

void TStowickOptions::RecentFoldersDblClick()
{
    const int index = RecentFolders->ItemIndex();
    if (index < 0)
        return;
    std::string folder = TrimBlanks(RecentFolders->Caption(index));
    const std::string name = TrimBlanks(FileNamePart(FileNameEdit->Text()));
    if (folder.empty() || folder.back() != '\\')
        folder += '\\';
    FileNameEdit->SetText(folder + name);
    FileNameEdit->SetFocus();
    // The bare name is selected, ready to be typed over.
    const std::size_t start = folder.size();
    const std::size_t length = ChangeExtension(name, "").size();
    SendMessageA(FileNameEdit->Handle(), EM_SETSEL, start, static_cast<LPARAM>(start + length));
}

// ---- IPixwellPluginOptions ------------------------------------------------------------------

HRESULT TStowickOptions::SetPlugin(IPixwellPlugin* plugin)
{
    return Method(IID_IPixwellPluginOptions, [&] {
        Plugin = nullptr;
        if (!plugin)
            fw::OleCheck(E_POINTER);
        fw::OleCheck(plugin->QueryInterface(IID_IStowickObject, Plugin.PutVoid()));
    });
}

HRESULT TStowickOptions::SaveSettings(HRESULT* result)
{
    if (!result)
        return E_POINTER;
    return Method(IID_IPixwellPluginOptions, [&] {
        if (!Plugin)
            throw fw::Error(kNoPluginError);
        HRESULT named = S_OK;
        fw::OleCheck(Plugin->SetFileName(fw::BStr(FileNameEdit->Text()).Get(), &named));
        switch (FileTypeCombo->ItemIndex()) {
        case kBmpIndex: fw::OleCheck(Plugin->SetFileType(ftBMP)); break;
        case kJpgIndex:
            fw::OleCheck(Plugin->SetFileType(ftJPG));
            fw::OleCheck(Plugin->SetJPEGOptions(Grayscale ? 1 : 0, Smoothing ? 1 : 0, Compression));
            break;
        default: break;
        }
        StoreRecentFolders();
        StoreSettings();
        *result = S_OK;
    });
}

HRESULT TStowickOptions::Notify(TNotifyMessages)
{
    return S_OK;
}

} // namespace stowick
