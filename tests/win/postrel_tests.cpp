// The e-mail plug-in against the fake mail client (tests/fakemail), which the
// tests make the default mail client of their prefix: the options page and
// the plug-in object in process (the checked build that traps on
// out-of-range enums and bools), what the client received when the letter
// went out, and the registration of postrel.dll itself. The file-save
// plug-in that writes the attachment is the real stowick.dll, registered
// from beside the program.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "FakeMailTesting.h"
#include "base/Registry.h"
#include "com/Com.h"
#include "common/ImageStream.h"
#include "common/PixwellInc.h"
#include "imaging/BmpReader.h"
#include "imaging/BmpWriter.h"
#include "postrel/MailSendState.h"
#include "postrel/PostrelOptionsImpl.h"
#include "postrel/PostrelUnit.h"
#include "postrel/RecipientEdit.h"
#include "stowick/JPEGSettingsUnit.h"
#include "ui/Application.h"

using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;

namespace {

using Bytes = std::vector<unsigned char>;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr char kFooter[] = "This screen-shot created with Vistrel (https://vistrel.org)";

const bool kCrashesReported = [] {
    SetUnhandledExceptionFilter([](EXCEPTION_POINTERS* e) -> LONG {
        std::fprintf(stderr, "postrel_tests: unhandled exception 0x%08lX%s\n", e->ExceptionRecord->ExceptionCode,
                     e->ExceptionRecord->ExceptionCode == EXCEPTION_ILLEGAL_INSTRUCTION
                         ? " (an out-of-range enum or bool value?)"
                         : "");
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
        return EXCEPTION_EXECUTE_HANDLER;
    });
    return true;
}();

// ---- The prefix: the fake client and the file-save plug-in -----------------------------------

std::string BinPath(const char* name)
{
    std::string relative = POSTREL_TESTS_BIN_DIR;
    for (char& c : relative)
        if (c == '/')
            c = '\\';
    const std::string self = fw::ModuleFileName();
    char full[MAX_PATH] = {};
    GetFullPathNameA((self.substr(0, self.find_last_of('\\')) + "\\" + relative + "\\" + name).c_str(), MAX_PATH,
                     full, nullptr);
    return full;
}

std::string TempPath(const std::string& name)
{
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + name;
}

// stowick.dll registered the way the system's tool does it, once per run.
bool FileSavePluginRegistered()
{
    static const bool registered = [] {
        HMODULE module = LoadLibraryA(BinPath("stowick.dll").c_str());
        using Entry = HRESULT(STDAPICALLTYPE*)();
        auto enter = module ? reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")))
                            : nullptr;
        return enter && enter() == S_OK;
    }();
    return registered;
}

Bytes ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// ---- Waiting and modal windows ----------------------------------------------------------------

void PumpFor(std::chrono::milliseconds duration)
{
    const auto end = Clock::now() + duration;
    while (Clock::now() < end) {
        fw::App().ProcessMessages();
        Sleep(5);
    }
}

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = 5s)
{
    const auto end = Clock::now() + limit;
    while (!done() && Clock::now() < end) {
        fw::App().ProcessMessages();
        Sleep(5);
    }
    return done();
}

// A visible top-level window of this thread with this caption, or any
// dialog-class window when the caption is null.
HWND ThreadWindow(const char* caption)
{
    struct Search {
        const char* caption;
        HWND found = nullptr;
    } search{caption};
    EnumThreadWindows(GetCurrentThreadId(), [](HWND hwnd, LPARAM p) -> BOOL {
        auto* s = reinterpret_cast<Search*>(p);
        char text[256] = {};
        if (s->caption)
            GetWindowTextA(hwnd, text, sizeof text);
        else
            GetClassNameA(hwnd, text, sizeof text);
        if (IsWindowVisible(hwnd) && std::string(text) == (s->caption ? s->caption : "#32770")) {
            s->found = hwnd;
            return FALSE;
        }
        return TRUE;
    }, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Answers the next message box of this thread with OK (or runs `action` on
// the window with `caption`) from the modal loop that shows it, and keeps
// what the box said: "<caption>: <text>".
class ModalAnswer {
public:
    explicit ModalAnswer(const char* caption = nullptr, std::function<void(HWND)> action = {})
    {
        current_ = this;
        caption_ = caption;
        action_ = std::move(action);
        timer_ = SetTimer(nullptr, 0, 50, &ModalAnswer::Tick);
    }
    ~ModalAnswer()
    {
        KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    ModalAnswer(const ModalAnswer&) = delete;
    ModalAnswer& operator=(const ModalAnswer&) = delete;

    std::vector<std::string> seen;

private:
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        ModalAnswer* self = current_;
        HWND box = self ? ThreadWindow(self->caption_) : nullptr;
        if (!box)
            return;
        if (self->action_) {
            auto action = std::move(self->action_);
            self->caption_ = "\x01"; // nothing more to answer
            action(box);
            return;
        }
        char caption[256] = {}, text[512] = {};
        GetWindowTextA(box, caption, sizeof caption);
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
        self->seen.push_back(std::string(caption) + ": " + text);
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }

    static inline ModalAnswer* current_ = nullptr;
    const char* caption_ = nullptr;
    std::function<void(HWND)> action_;
    UINT_PTR timer_ = 0;
};

// ---- The shared settings ---------------------------------------------------------------------

DWORD Setting(const char* name)
{
    return fw::RegKey::TryOpen(HKEY_CURRENT_USER, pixwell::kSharedSettingsKey).ReadDword(name, 0xDEAD);
}

void SetSetting(const char* name, DWORD value)
{
    fw::RegKey::TryCreate(HKEY_CURRENT_USER, pixwell::kSharedSettingsKey).WriteDword(name, value);
}

void ClearSettings()
{
    const fw::RegKey key = fw::RegKey::TryCreate(HKEY_CURRENT_USER, pixwell::kSharedSettingsKey);
    for (const char* name : {"JPEGGrayscale", "JPEGSmoothing", "JPEGCompression", "DefaultFileType", "PreviewLetter"})
        key.DeleteValue(name);
}

// ---- Images -----------------------------------------------------------------------------------

img::Bitmap BlockImage(int width = 48, int height = 32)
{
    img::Bitmap bitmap(width, height, img::PixelFormat::pf24bit);
    const img::Rgb colours[] = {{255, 0, 0}, {0, 200, 0}, {0, 0, 255}, {240, 240, 0}, {255, 255, 255}};
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            bitmap.SetPixel(x, y, colours[(x / 16 + 2 * (y / 16)) % 5]);
    return bitmap;
}

struct Decoded {
    bool ok = false;
    int width = 0, height = 0, components = 0;
};

struct JumpingErrors {
    jpeg_error_mgr pub;
    std::jmp_buf back;
};

bool DecodeInto(const Bytes& data, Decoded& out, jpeg_decompress_struct& info, JumpingErrors& errors)
{
    if (setjmp(errors.back))
        return false;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    out = {false, static_cast<int>(info.output_width), static_cast<int>(info.output_height), info.output_components};
    std::vector<JSAMPLE> row(static_cast<size_t>(out.width) * out.components);
    while (info.output_scanline < info.output_height) {
        JSAMPROW rows[] = {row.data()};
        jpeg_read_scanlines(&info, rows, 1);
    }
    jpeg_finish_decompress(&info);
    return true;
}

Decoded DecodeJpeg(const Bytes& data)
{
    Decoded out;
    jpeg_decompress_struct info{};
    JumpingErrors errors{};
    info.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<JumpingErrors*>(c->err)->back, 1); };
    out.ok = DecodeInto(data, out, info, errors);
    jpeg_destroy_decompress(&info);
    return out;
}

// ---- The fixture ----------------------------------------------------------------------------

class Postrel : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FileSavePluginRegistered());
        ASSERT_TRUE(mail_.Registered());
        previous_ = fw::App().SetExceptionHandler([this](const std::string& text) { shown.push_back(text); });
        ClearSettings();
        ResetState();
    }
    void TearDown() override
    {
        page_.Reset();
        ResetState();
        fw::App().SetExceptionHandler(std::move(previous_));
    }
    static void ResetState()
    {
        postrel::MailSendState& state = postrel::SendState();
        state.ToRecipient.Clear();
        state.CcRecipient.Clear();
        state.Grayscale = state.Smoothing = state.PreviewLetter = false;
        state.Compression = state.FileType = 0;
        state.Subject.clear();
        state.NoteText.clear();
    }

    // Creates the page as the host does, then lets its settings load.
    postrel::TPostrelOptions& Page(bool waitForSettings = true)
    {
        fw::OleCheck(postrel::TPostrelOptions::CreateInstance(IID_IPixwellPluginOptions, page_.PutVoid()));
        auto* page = dynamic_cast<postrel::TPostrelOptions*>(static_cast<IPixwellPluginOptions*>(page_.Get()));
        if (waitForSettings)
            PumpUntil([&] { return !page->Timer1->Enabled(); });
        return *page;
    }

    static void Type(fw::Window& edit, const std::string& keys)
    {
        for (const char c : keys)
            SendMessageA(edit.Handle(), WM_CHAR, static_cast<unsigned char>(c), 0);
    }
    static bool Bold(const fw::Window& edit) { return (edit.Font().style & fw::fsBold) != 0; }

    std::vector<std::string> Resolved() const
    {
        std::vector<std::string> names;
        for (const fakemail::Call& call : mail_.Calls("MAPIResolveName"))
            names.push_back(call["name"] + (call["status"] == "0" ? "" : " x"));
        return names;
    }

    // The name of the slot's entry, "<empty>" for an empty slot.
    static std::string SlotName(const postrel::RecipientSlot& slot)
    {
        return slot ? std::string(slot.Entry()->lpszName) : "<empty>";
    }

    HRESULT Save(HRESULT& result, std::string* error = nullptr)
    {
        result = 0x12345678;
        const HRESULT hr = page_->SaveSettings(&result);
        if (FAILED(hr) && error)
            *error = fw::TakeErrorInfoDescription();
        return hr;
    }

    fw::ComInit com_{fw::ComInit::Kind::Ole};
    fakemail::FakeMailClient mail_{BinPath("fakemail.dll"), TempPath("postrel_tests_mail.log")};
    fw::ComPtr<IPixwellPluginOptions> page_;
    std::vector<std::string> shown;
    fw::Application::ExceptionHandler previous_;
};

// ---- The options page ---------------------------------------------------------------------------

TEST_F(Postrel, PageComesUpEmptyAndLoadsTheSharedSettings)
{
    SetSetting("JPEGGrayscale", 0x100); // the low byte counts: off
    SetSetting("JPEGSmoothing", 0x201);
    SetSetting("DefaultFileType", 0);
    SetSetting("PreviewLetter", 1);
    postrel::SendState().ToRecipient.Take(postrel::MapiResolveName(nullptr, "alice").entry);
    auto& page = Page(false);
    // An earlier page's recipient is released when a page comes up.
    EXPECT_FALSE(postrel::SendState().ToRecipient);
    EXPECT_EQ(page.FileTypeCombo->ItemIndex(), -1);
    EXPECT_TRUE(page.SettingsButton->Enabled());
    EXPECT_FALSE(page.cbPreviewLetter->Checked());
    PumpUntil([&] { return !page.Timer1->Enabled(); });
    EXPECT_THAT(shown, IsEmpty());

    const postrel::MailSendState& state = postrel::SendState();
    EXPECT_FALSE(state.Grayscale);
    EXPECT_TRUE(state.Smoothing);
    EXPECT_EQ(state.Compression, 50);
    EXPECT_EQ(page.FileTypeCombo->ItemIndex(), 0);
    EXPECT_FALSE(page.SettingsButton->Enabled());
    EXPECT_TRUE(page.cbPreviewLetter->Checked());
    page.FileTypeCombo->SetItemIndex(1);
    page.FileTypeCombo1Change();
    EXPECT_TRUE(page.SettingsButton->Enabled());

    EXPECT_EQ(page.ToSelect->Caption(), "To:");
    EXPECT_EQ(page.ccSelect->Caption(), "Cc:");
    EXPECT_TRUE(page.ToSelect->HasGlyph());
    EXPECT_EQ(page.StaticText1->Caption(),
              "You can choose recipients from address book by clicking to the \"To:\" and \"Cc\" buttons.");
    std::vector<HWND> tabStops;
    for (HWND h = GetWindow(page.Handle(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
        if (GetWindowLongA(h, GWL_STYLE) & WS_TABSTOP)
            tabStops.push_back(h);
    EXPECT_THAT(tabStops, ElementsAre(page.ToEdit->Handle(), page.CCEdit->Handle(), page.SubjectEdit->Handle(),
                                      page.MessageText->Handle(), page.SettingsButton->Handle(),
                                      page.FileTypeCombo->Handle(), page.cbPreviewLetter->Handle()));
    EXPECT_THAT(mail_.BufferFaults(), IsEmpty());
}

TEST_F(Postrel, PageRefusesAStoredFileTypeItHasNoItemFor)
{
    SetSetting("DefaultFileType", 7);
    auto& page = Page();
    EXPECT_EQ(page.FileTypeCombo->ItemIndex(), 0);
    EXPECT_FALSE(page.SettingsButton->Enabled());

    // Without the key nothing loads: the message, and the page as it came up.
    page_.Reset();
    fw::RegKey::DeleteKey(HKEY_CURRENT_USER, pixwell::kSharedSettingsKey, true);
    auto& bare = Page();
    EXPECT_THAT(shown, ElementsAre("Error reading plugin settings"));
    EXPECT_EQ(bare.FileTypeCombo->ItemIndex(), -1);
    EXPECT_TRUE(bare.SettingsButton->Enabled());
    HRESULT result = S_OK;
    std::string error;
    EXPECT_TRUE(FAILED(Save(result, &error)));
    EXPECT_EQ(error, "Error writing plugin settings");
    ASSERT_TRUE(FileSavePluginRegistered());
    ASSERT_TRUE(fw::RegKey::TryCreate(HKEY_CURRENT_USER, pixwell::kSharedSettingsKey));
}

TEST_F(Postrel, TypingResolvesTheFieldOnceHalfASecondAfterTheLastKey)
{
    auto& page = Page();
    auto lastKey = Clock::now();
    for (const char c : std::string("alice")) {
        Type(*page.ToEdit, std::string(1, c));
        lastKey = Clock::now();
        PumpFor(60ms);
    }
    // Checked only while the machine kept pace.
    if (Clock::now() - lastKey < 400ms) {
        EXPECT_THAT(Resolved(), IsEmpty());
    }
    ASSERT_TRUE(PumpUntil([&] { return !Resolved().empty(); }));
    EXPECT_GE(Clock::now() - lastKey, 480ms);
    PumpFor(700ms);
    EXPECT_THAT(Resolved(), ElementsAre("alice"));
    const fakemail::Call call = mail_.Calls("MAPIResolveName").at(0);
    EXPECT_EQ(call.Number("ui"), reinterpret_cast<ULONG_PTR>(page.Handle()));
    EXPECT_EQ(call["flags"] + call["session"] + call["reserved"], "00x00");
    // Resolved: bold, the slot filled, the text as typed.
    EXPECT_TRUE(Bold(*page.ToEdit));
    EXPECT_EQ(page.ToEdit->Text(), "alice");
    EXPECT_EQ(SlotName(postrel::SendState().ToRecipient), "Alice Archer");
    EXPECT_EQ(page.ToEdit->Font().name, "MS Sans Serif"); // only the weight changes

    // A further key that makes it unknown: regular weight, the slot empty.
    Type(*page.ToEdit, "x");
    ASSERT_TRUE(PumpUntil([&] { return Resolved().size() == 2; }));
    EXPECT_EQ(Resolved().back(), "alicex x");
    EXPECT_FALSE(Bold(*page.ToEdit));
    EXPECT_FALSE(postrel::SendState().ToRecipient);
    EXPECT_FALSE(page.ToValidationTimer->Enabled());
    EXPECT_THAT(mail_.BufferFaults(), IsEmpty()); // "alice"'s went with it
}

TEST_F(Postrel, LeavingTheFieldsShowsTheirEntriesAndResolvesThatTextAgain)
{
    auto& page = Page();
    page.ToEdit->SetText("carol");
    page.CCEdit->SetText("bob");
    mail_.ClearLog();
    EXPECT_EQ(page_->Notify(nmLostFocus), S_OK);
    // At once, To first: each text replaced by the entry, bold.
    EXPECT_THAT(Resolved(), ElementsAre("carol", "bob"));
    EXPECT_EQ(page.ToEdit->Text(), "Carol Cole <>"); // "SMTP:" alone
    EXPECT_EQ(page.CCEdit->Text(), "Bob Brown <smtp:bob@example.org>"); // lower-case prefix kept
    EXPECT_TRUE(Bold(*page.ToEdit));
    EXPECT_TRUE(Bold(*page.CCEdit));
    // The new texts are changes: half a second later they are resolved
    // again, and "Carol Cole <>" is nobody the client knows.
    ASSERT_TRUE(PumpUntil([&] { return Resolved().size() == 4; }));
    PumpFor(200ms);
    EXPECT_THAT(Resolved(), testing::UnorderedElementsAre("carol", "bob", "Carol Cole <> x",
                                                           "Bob Brown <smtp:bob@example.org>"));
    EXPECT_FALSE(Bold(*page.ToEdit));
    EXPECT_EQ(page.ToEdit->Text(), "Carol Cole <>");
    EXPECT_FALSE(postrel::SendState().ToRecipient);
    EXPECT_TRUE(Bold(*page.CCEdit));
    EXPECT_EQ(SlotName(postrel::SendState().CcRecipient), "Bob Brown");

    // Unknown and ambiguous names stay as typed, regular; an address
    // without the prefix is shown as it is.
    page.ToEdit->SetText("al");
    page.CCEdit->SetText("dave");
    mail_.ClearLog();
    page_->Notify(nmLostFocus);
    EXPECT_THAT(Resolved(), ElementsAre("al x", "dave"));
    EXPECT_EQ(page.ToEdit->Text(), "al");
    EXPECT_FALSE(Bold(*page.ToEdit));
    EXPECT_EQ(page.CCEdit->Text(), "Dave Dunn <dave@example.org>");

    // The focus coming in, or a message the control does not know, changes nothing.
    PumpFor(700ms);
    mail_.ClearLog();
    EXPECT_EQ(page_->Notify(nmGetFocus), S_OK);
    TNotifyMessages unknown; // as a client may send it: any 32-bit number
    const std::int32_t seven = 7;
    std::memcpy(&unknown, &seven, sizeof unknown);
    EXPECT_EQ(page_->Notify(unknown), S_OK);
    EXPECT_THAT(Resolved(), IsEmpty());
}

TEST_F(Postrel, AddressBookFillsTheFieldWithTheFirstChoiceOnly)
{
    auto& page = Page();
    mail_.SetText("AddressChoice", "3,0,1");
    page.ccSelectClick();
    EXPECT_EQ(page.CCEdit->Text(), "Dave Dunn <dave@example.org>");
    EXPECT_EQ(SlotName(postrel::SendState().CcRecipient), "Dave Dunn");
    EXPECT_EQ(postrel::SendState().CcRecipient.Entry()->ulEIDSize, 4u);
    const fakemail::Call call = mail_.Calls("MAPIAddress").at(0);
    EXPECT_EQ(call.Number("ui"), reinterpret_cast<ULONG_PTR>(page.Handle()));
    EXPECT_EQ(call["caption"] + call["editFields"] + call["labels"] + call["recips"] + call["flags"] +
                  call["reserved"] + call["session"],
              "<null>1<null>0100x0");

    // Cancelled, failed, or nothing chosen: field, weight and slot stay.
    ASSERT_TRUE(PumpUntil([&] { return Bold(*page.CCEdit); }));
    for (const auto& [status, choice] : {std::pair{1, "0"}, std::pair{2, "0"}, std::pair{0, ""}}) {
        mail_.SetStatus("AddressStatus", status);
        mail_.SetText("AddressChoice", choice);
        page.ccSelectClick();
        EXPECT_EQ(page.CCEdit->Text(), "Dave Dunn <dave@example.org>");
        EXPECT_TRUE(Bold(*page.CCEdit));
        EXPECT_EQ(SlotName(postrel::SendState().CcRecipient), "Dave Dunn");
        EXPECT_FALSE(page.CcValidationTimer->Enabled());
    }

    // A chosen entry is resolved again from its text, and may fail there.
    mail_.ClearKnobs();
    mail_.SetText("AddressChoice", "2");
    page.ToSelectClick();
    EXPECT_EQ(page.ToEdit->Text(), "Carol Cole <>");
    EXPECT_EQ(SlotName(postrel::SendState().ToRecipient), "Carol Cole");
    ASSERT_TRUE(PumpUntil([&] { return !postrel::SendState().ToRecipient; }, 3s));
    EXPECT_FALSE(Bold(*page.ToEdit));
    postrel::SendState().CcRecipient.Clear();
    EXPECT_THAT(mail_.BufferFaults(), IsEmpty());
}

TEST_F(Postrel, SaveSettingsStoresFirstAndGoesOnOnlyWithAResolvedRecipient)
{
    SetSetting("DefaultFileType", 1);
    auto& page = Page();
    page.cbPreviewLetter->SetChecked(true);
    page.CCEdit->SetText("bob");
    page_->Notify(nmLostFocus);
    {
        ModalAnswer answer;
        HRESULT result = S_OK;
        ASSERT_EQ(Save(result), S_OK);
        EXPECT_EQ(result, E_FAIL);
        EXPECT_THAT(answer.seen, ElementsAre("E-mail File plugin: Message receiver is not assigned!"));
    }
    // The settings went to the registry all the same; nothing was captured.
    EXPECT_EQ(Setting("PreviewLetter"), 1u);
    EXPECT_EQ(Setting("DefaultFileType"), 1u);
    EXPECT_EQ(Setting("JPEGCompression"), 50u);
    EXPECT_TRUE(postrel::SendState().Subject.empty());

    page.ToEdit->SetText("alice");
    page.SubjectEdit->SetText("Shot");
    page_->Notify(nmLostFocus);
    HRESULT result = S_OK;
    ASSERT_EQ(Save(result), S_OK);
    EXPECT_EQ(result, S_OK);
    const postrel::MailSendState& state = postrel::SendState();
    EXPECT_EQ(state.ToRecipient.Entry()->ulRecipClass, static_cast<ULONG>(MAPI_TO));
    EXPECT_EQ(state.CcRecipient.Entry()->ulRecipClass, static_cast<ULONG>(MAPI_CC));
    EXPECT_EQ(state.FileType, 1);
    EXPECT_EQ(state.Subject, "Shot");
    EXPECT_TRUE(state.PreviewLetter);
    // An empty text: the two line breaks, then the footer.
    EXPECT_EQ(state.NoteText, std::string("\r\n\r\n") + kFooter);
    page.MessageText->SetText("Line 1\r\nLine 2");
    ASSERT_EQ(Save(result), S_OK);
    EXPECT_EQ(state.NoteText, std::string("Line 1\r\nLine 2\r\n\r\n") + kFooter);
}

TEST_F(Postrel, JpegOptionsChangeOnlyAfterOkAndReachTheRegistryOnSave)
{
    SetSetting("JPEGCompression", 65);
    auto& page = Page();
    for (const bool ok : {false, true}) {
        ModalAnswer answer("JPEG Image Settings", [ok](HWND window) {
            auto* dialog = dynamic_cast<TJPEGSettings*>(fw::Window::FromHandle(window));
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->Compression->Position(), 65);
            EXPECT_FALSE(dialog->GrayScaleCheck->Checked());
            dialog->GrayScaleCheck->SetChecked(true);
            dialog->Compression->SetPosition(20);
            (ok ? dialog->Button1 : dialog->Button2)->Click();
        });
        page.SettingsButtonClick();
        EXPECT_EQ(postrel::SendState().Grayscale, ok);
        EXPECT_EQ(postrel::SendState().Compression, ok ? 20 : 65);
        EXPECT_EQ(Setting("JPEGCompression"), 65u);
        if (ok)
            break;
    }
    HRESULT result = S_OK;
    ModalAnswer answer; // no recipient: the values are stored all the same
    ASSERT_EQ(Save(result), S_OK);
    EXPECT_EQ(Setting("JPEGCompression"), 20u);
    EXPECT_EQ(Setting("JPEGGrayscale"), 1u);
}

// The file-save plug-in's own page, from stowick.dll: it reads the values
// this page stored and hands them to its object, which writes the file;
// what it stores comes up on this page.
TEST_F(Postrel, SettingsAreSharedWithTheFileSavePage)
{
    SetSetting("JPEGCompression", 90);
    auto& page = Page();
    page.FileTypeCombo->SetItemIndex(1);
    postrel::SendState().Grayscale = true;
    HRESULT result = S_OK;
    {
        ModalAnswer answer;
        ASSERT_EQ(Save(result), S_OK);
    }

    char folder[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, folder);
    const std::string shots = TempPath("postrel_shared\\");
    CreateDirectoryA(shots.c_str(), nullptr);
    SetCurrentDirectoryA(shots.c_str()); // where the page's bare file name goes
    {
        fw::ComPtr<IPixwellPluginOptions> savePage;
        fw::ComPtr<IPixwellPlugin> saver;
        ASSERT_EQ(CoCreateInstance(fw::StringToGUID(pixwell::kStowickOptionsClsid), nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IPixwellPluginOptions, savePage.PutVoid()),
                  S_OK);
        ASSERT_EQ(CoCreateInstance(fw::StringToGUID(pixwell::kStowickObjectClsid), nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IPixwellPlugin, saver.PutVoid()),
                  S_OK);
        PumpFor(400ms); // its settings load
        ASSERT_EQ(savePage->SetPlugin(saver.Get()), S_OK);
        // The file-save page stores what it holds; this page reads it next.
        SetSetting("JPEGGrayscale", 0);
        SetSetting("DefaultFileType", 0);
        ASSERT_EQ(savePage->SaveSettings(&result), S_OK);
        ASSERT_EQ(saver->Execute(pixwell::MakeImageStream(BlockImage()).Get(), 0, &result), S_OK);
    }
    SetCurrentDirectoryA(folder);
    WIN32_FIND_DATAA found{};
    const HANDLE search = FindFirstFileA((shots + "*.jpg").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE) << "the file-save page did not choose JPG";
    FindClose(search);
    const std::string file = shots + found.cFileName;
    const Decoded decoded = DecodeJpeg(ReadFileBytes(file));
    DeleteFileA(file.c_str());
    RemoveDirectoryA(shots.c_str());
    EXPECT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.components, 1); // grayscale, as chosen here

    page_.Reset();
    ResetState();
    auto& again = Page();
    EXPECT_EQ(again.FileTypeCombo->ItemIndex(), 1);
    EXPECT_TRUE(postrel::SendState().Grayscale);
    EXPECT_EQ(postrel::SendState().Compression, 90);
}

// Leaving a recipient field is the focus moving to another control of the
// page; the focus going out of the page is the host's to tell (Notify).
TEST(RecipientEdit, LeavesOnlyForAnotherControlOfItsForm)
{
    fw::Form form;
    form.SetClientSize(200, 80);
    postrel::TRecipientEdit edit(form, {8, 8, 120, 21});
    fw::Edit other(form, {8, 40, 120, 21});
    int leaves = 0;
    edit.OnLeave = [&] { ++leaves; };
    form.Show();
    edit.SetFocus();
    other.SetFocus();
    EXPECT_EQ(leaves, 1);

    edit.SetFocus();
    fw::Form elsewhere;
    fw::Edit outside(elsewhere, {8, 8, 120, 21});
    elsewhere.Show();
    outside.SetFocus();
    EXPECT_EQ(leaves, 1);
    elsewhere.Hide();
}

// ---- The send ---------------------------------------------------------------------------------------

class Send : public Postrel {
protected:
    void SetUp() override
    {
        Postrel::SetUp();
        fw::OleCheck(postrel::TPixwellPostrelObject::CreateInstance(IID_IPixwellPlugin, object_.PutVoid()));
        parent_ = CreateWindowExA(0, "STATIC", "host", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    }
    void TearDown() override
    {
        DestroyWindow(parent_);
        Postrel::TearDown();
    }

    // The state a page leaves after SaveSettings.
    void Capture(const char* to, const char* cc, long fileType, bool preview = false)
    {
        postrel::MailSendState& state = postrel::SendState();
        state.ToRecipient.Take(postrel::MapiResolveName(nullptr, to).entry);
        if (cc)
            state.CcRecipient.Take(postrel::MapiResolveName(nullptr, cc).entry);
        state.FileType = fileType;
        state.Subject = "";
        state.NoteText = std::string("Hi\r\n\r\n") + kFooter;
        state.PreviewLetter = preview;
    }
    HRESULT Execute(std::string* error = nullptr, IUnknown* stream = nullptr)
    {
        const fw::ComPtr<IStream> image = pixwell::MakeImageStream(image_);
        HRESULT result = 0x12345678;
        const HRESULT hr = object_->Execute(stream ? stream : image.Get(),
                                            static_cast<LONG>(reinterpret_cast<LONG_PTR>(parent_)), &result);
        if (SUCCEEDED(hr))
            EXPECT_EQ(result, S_OK);
        else if (error)
            *error = fw::TakeErrorInfoDescription();
        return hr;
    }
    std::vector<fakemail::Call> Letters() const { return mail_.Calls("MAPISendMail"); }

    const img::Bitmap image_ = BlockImage(37, 21);
    fw::ComPtr<IPixwellPlugin> object_;
    HWND parent_ = nullptr;
};

TEST_F(Send, ReportsItsPluginInfo)
{
    fw::BStr name, description, options, topic;
    HRESULT result = E_FAIL;
    ASSERT_EQ(object_->GetPluginInfo(name.Put(), description.Put(), options.Put(), topic.Put(), &result), S_OK);
    EXPECT_EQ(result, S_OK);
    EXPECT_EQ(name.ToString(), "E-mail File plugin");
    EXPECT_EQ(description.ToString(), "Send your picture by e-mail");
    EXPECT_EQ(options.ToString(), "{D12FCAAD-EE25-44CC-9E4A-07F67426A95B}");
    EXPECT_EQ(topic.ToString(), "plugin_epostrel.html");
    EXPECT_THAT(Letters(), IsEmpty());
}

TEST_F(Send, HandsTheClientTheLetterWithTheImageAttached)
{
    Capture("alice", nullptr, 1);
    ASSERT_EQ(Execute(), S_OK);
    ASSERT_EQ(Letters().size(), 1u);
    const fakemail::Call jpeg = Letters().at(0);
    EXPECT_EQ(jpeg.Number("ui"), reinterpret_cast<ULONG_PTR>(parent_));
    EXPECT_EQ(jpeg["session"] + " " + jpeg["flags"] + " " + jpeg["reserved"], "0x0 3 0");
    EXPECT_EQ(jpeg["subject"], ""); // empty, not missing
    EXPECT_EQ(jpeg["note"], std::string("Hi\r\n\r\n") + kFooter);
    EXPECT_EQ(jpeg["msg.reserved"] + jpeg["messageType"] + jpeg["dateReceived"] + jpeg["conversationID"] +
                  jpeg["msg.flags"] + jpeg["originator"],
              "0<null><null><null>0<null>");
    EXPECT_EQ(jpeg["recipCount"], "1");
    EXPECT_EQ(jpeg["recip0.class"] + " " + jpeg["recip0.name"] + " " + jpeg["recip0.address"] + " " +
                  jpeg["recip0.eid"],
              "1 Alice Archer SMTP:alice@example.org 01000000");
    EXPECT_EQ(jpeg["fileCount"], "1");
    EXPECT_EQ(jpeg["file0.reserved"] + " " + jpeg["file0.flags"] + " " + jpeg["file0.position"] + " " +
                  jpeg["file0.name"] + " " + jpeg["file0.type"],
              "0 0 4294967295 <null> <null>");
    const std::string path = jpeg["file0.path"];
    EXPECT_THAT(path, testing::StartsWith(TempPath("")));
    EXPECT_THAT(path, testing::EndsWith("\\xgr1.jpg"));
    EXPECT_EQ(jpeg["file0.exists"], "1");
    const Decoded decoded = DecodeJpeg(ReadFileBytes(jpeg["file0.copy"]));
    EXPECT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.width, 37);
    EXPECT_EQ(decoded.height, 21);
    // Afterwards: no file, no recipients, every buffer given back once.
    EXPECT_FALSE(FileExists(path));
    EXPECT_FALSE(postrel::SendState().ToRecipient);
    EXPECT_THAT(mail_.BufferFaults(), IsEmpty());

    // BMP with a Cc recipient and the preview: To first, then Cc; the
    // attachment is the image's BMP file.
    Capture("alice", "bob", 0, true);
    ASSERT_EQ(Execute(), S_OK);
    const fakemail::Call bmp = Letters().at(1);
    EXPECT_EQ(bmp["flags"], "11");
    EXPECT_EQ(bmp["recipCount"], "2");
    EXPECT_EQ(bmp["recip0.class"] + bmp["recip0.name"] + bmp["recip1.class"] + bmp["recip1.name"] + bmp["recip1.eid"],
              "1Alice Archer2Bob Brown02000000");
    EXPECT_EQ(bmp["file0.path"], path.substr(0, path.size() - 4) + ".bmp");
    EXPECT_EQ(ReadFileBytes(bmp["file0.copy"]), img::EncodeBmp(image_));
    // The same path again; the file goes again.
    Capture("bob", nullptr, 0);
    ASSERT_EQ(Execute(), S_OK);
    EXPECT_EQ(Letters().at(2)["file0.path"], bmp["file0.path"]);
    EXPECT_FALSE(FileExists(bmp["file0.path"]));
    EXPECT_THAT(mail_.BufferFaults(), IsEmpty());
}

TEST_F(Send, ACancelledOrFailedSendStillCleansUpAndTheHostGoesOn)
{
    for (const DWORD status : {1u, 2u, 26u}) {
        SCOPED_TRACE(status);
        mail_.SetStatus("SendStatus", status);
        Capture("alice", "dave", 1);
        ModalAnswer answer;
        ASSERT_EQ(Execute(), S_OK);
        if (status == 1)
            EXPECT_THAT(answer.seen, IsEmpty());
        else
            EXPECT_THAT(answer.seen, ElementsAre("E-mail File plugin: Error while executing MAPI function."));
        EXPECT_FALSE(FileExists(Letters().back()["file0.path"]));
        EXPECT_FALSE(postrel::SendState().ToRecipient);
        EXPECT_FALSE(postrel::SendState().CcRecipient);
    }
    EXPECT_THAT(mail_.BufferFaults(), IsEmpty());
}

// The page may resolve its fields again while the client's window is up
// (the text it formatted on leaving is due half a second later): what the
// client is reading must stay where it is.
TEST_F(Send, ResolvingAgainDuringTheSendLeavesTheClientsRecipientsAlone)
{
    auto& page = Page();
    page.ToEdit->SetText("alice");
    page_->Notify(nmLostFocus); // formats the field, which restarts its timer
    HRESULT result = S_OK;
    ASSERT_EQ(Save(result), S_OK);
    ASSERT_EQ(result, S_OK);
    mail_.SetStatus("SendPumpMs", 1200);
    ASSERT_EQ(Execute(), S_OK);
    // The empty Cc field is resolved too, and found nobody.
    EXPECT_THAT(Resolved(), ElementsAre("alice", " x", "Alice Archer <alice@example.org>"));
    for (const fakemail::Call& call : mail_.Calls("MAPIFreeBuffer"))
        EXPECT_EQ(call["inUse"], "0") << "a recipient of the letter was released during the send";
    EXPECT_EQ(Letters().at(0)["recip0.name"], "Alice Archer");
    EXPECT_FALSE(postrel::SendState().ToRecipient);
    EXPECT_THAT(mail_.BufferFaults(), IsEmpty());
}

TEST_F(Send, EarlyFailuresSendNothingAndKeepTheRecipients)
{
    std::string error;
    // Nothing captured: no recipient to send to.
    EXPECT_TRUE(FAILED(Execute(&error)));
    EXPECT_EQ(error, postrel::kNoRecipientError);

    // A file type with no extension.
    Capture("alice", "bob", 2);
    EXPECT_TRUE(FAILED(Execute(&error)));
    EXPECT_EQ(error, std::string(postrel::kFileTypeError) + "2");

    // Not an image.
    postrel::SendState().FileType = 0;
    fw::ComPtr<IStream> empty;
    fw::OleCheck(CreateStreamOnHGlobal(nullptr, TRUE, empty.Put()));
    EXPECT_TRUE(FAILED(Execute(&error, empty.Get())));
    EXPECT_FALSE(error.empty());

    // A temporary folder whose path does not fit the 260-byte buffer.
    char saved[MAX_PATH] = {};
    GetEnvironmentVariableA("TMP", saved, MAX_PATH);
    const std::string deep = "C:\\" + std::string(270, 'd');
    SetEnvironmentVariableA("TMP", deep.c_str());
    EXPECT_TRUE(FAILED(Execute(&error)));
    SetEnvironmentVariableA("TMP", saved[0] ? saved : nullptr);
    EXPECT_EQ(error, "Unable to get name of temporary file");

    EXPECT_THAT(Letters(), IsEmpty());
    EXPECT_EQ(SlotName(postrel::SendState().ToRecipient), "Alice Archer");
    EXPECT_EQ(SlotName(postrel::SendState().CcRecipient), "Bob Brown");
}

TEST_F(Send, WithoutTheFileSavePluginNothingIsSent)
{
    HMODULE module = GetModuleHandleA("stowick.dll");
    ASSERT_NE(module, nullptr);
    using Entry = HRESULT(STDAPICALLTYPE*)();
    const auto entry = [&](const char* name) {
        return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    };
    ASSERT_EQ(entry("DllUnregisterServer")(), S_OK);
    Capture("alice", nullptr, 1);
    std::string error;
    const HRESULT hr = Execute(&error);
    ASSERT_EQ(entry("DllRegisterServer")(), S_OK);
    EXPECT_EQ(hr, REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(error.empty());
    EXPECT_THAT(Letters(), IsEmpty());
    EXPECT_TRUE(postrel::SendState().ToRecipient);
}

// ---- postrel.dll --------------------------------------------------------------------------------

class Library : public Postrel {
protected:
    void SetUp() override
    {
        Postrel::SetUp();
        module_ = LoadLibraryA(BinPath("postrel.dll").c_str());
        ASSERT_NE(module_, nullptr);
        registerServer_ = Export("DllRegisterServer");
        unregisterServer_ = Export("DllUnregisterServer");
        canUnloadNow_ = Export("DllCanUnloadNow");
        getClassObject_ = reinterpret_cast<decltype(getClassObject_)>(
            reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
        ASSERT_TRUE(registerServer_ && unregisterServer_ && canUnloadNow_ && getClassObject_);
    }
    void TearDown() override
    {
        Postrel::TearDown();
        CoFreeUnusedLibraries();
        FreeLibrary(module_);
    }
    using Entry = HRESULT(STDAPICALLTYPE*)();
    Entry Export(const char* name)
    {
        return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

    HMODULE module_ = nullptr;
    Entry registerServer_ = nullptr, unregisterServer_ = nullptr, canUnloadNow_ = nullptr;
    HRESULT(STDAPICALLTYPE* getClassObject_)(REFCLSID, REFIID, void**) = nullptr;
};

std::string RegistryText(HKEY root, const std::string& path, const char* name = nullptr)
{
    std::string value;
    const fw::RegKey key = fw::RegKey::TryOpen(root, path.c_str());
    if (!key || key.ReadString(name, value) != ERROR_SUCCESS)
        return "<missing>";
    return value;
}

TEST_F(Library, RegistersAsAPluginAndLeavesTheSharedSettingsWhenItGoes)
{
    fw::RegKey::DeleteKey(HKEY_CURRENT_USER, pixwell::kPostrelPluginKey, true);
    ASSERT_EQ(registerServer_(), S_OK);
    EXPECT_EQ(RegistryText(HKEY_CURRENT_USER, pixwell::kPostrelPluginKey), "E-mail File plugin");
    const std::string objectKey = std::string("CLSID\\") + pixwell::kPostrelObjectClsid;
    const std::string optionsKey = std::string("CLSID\\") + pixwell::kPostrelOptionsClsid;
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, objectKey), "PixwellPostrelObject Object");
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, objectKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, objectKey + "\\ProgID"), "postrel.PixwellPostrelObject");
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, optionsKey + "\\ProgID"), "postrel.PostrelOptions");
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, optionsKey + "\\MiscStatus\\1"), "73728");
    EXPECT_THAT(RegistryText(HKEY_CLASSES_ROOT, optionsKey + "\\ToolboxBitmap32"), testing::EndsWith(",1"));

    // The host creates both by their identifiers; the page takes the object.
    fw::ComPtr<IPixwellPlugin> plugin;
    ASSERT_EQ(CoCreateInstance(fw::StringToGUID(pixwell::kPostrelObjectClsid), nullptr, CLSCTX_INPROC_SERVER,
                               IID_IPixwellPlugin, plugin.PutVoid()),
              S_OK);
    fw::ComPtr<IPixwellPluginOptions> page;
    ASSERT_EQ(CoCreateInstance(fw::StringToGUID(pixwell::kPostrelOptionsClsid), nullptr, CLSCTX_INPROC_SERVER,
                               IID_IPixwellPluginOptions, page.PutVoid()),
              S_OK);
    EXPECT_EQ(page->SetPlugin(plugin.Get()), S_OK);
    fw::ComPtr<IPixwellPlugin> foreign;
    ASSERT_EQ(CoCreateInstance(fw::StringToGUID(pixwell::kStowickObjectClsid), nullptr, CLSCTX_INPROC_SERVER,
                               IID_IPixwellPlugin, foreign.PutVoid()),
              S_OK);
    EXPECT_EQ(page->SetPlugin(foreign.Get()), E_NOINTERFACE);
    page.Reset();
    plugin.Reset();

    SetSetting("JPEGCompression", 70);
    EXPECT_EQ(unregisterServer_(), S_OK);
    EXPECT_FALSE(fw::RegKey::TryOpen(HKEY_CURRENT_USER, pixwell::kPostrelPluginKey));
    EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, objectKey), "<missing>");
    EXPECT_EQ(Setting("JPEGCompression"), 70u);
    EXPECT_EQ(unregisterServer_(), S_OK);
    ASSERT_EQ(registerServer_(), S_OK); // for the later tests and runs
}

// A recipient the library holds for the next page keeps it loaded; that
// page releases it.
TEST_F(Library, StaysLoadedWhileItHoldsARecipientForTheNextPage)
{
    fw::ComPtr<IClassFactory> factory;
    ASSERT_EQ(getClassObject_(fw::StringToGUID(pixwell::kPostrelOptionsClsid), IID_IClassFactory, factory.PutVoid()),
              S_OK);
    auto makePage = [&] {
        fw::ComPtr<IPixwellPluginOptions> page;
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPixwellPluginOptions, page.PutVoid()), S_OK);
        return page;
    };
    fw::ComPtr<IPixwellPluginOptions> page = makePage();
    mail_.SetStatus("ResolveStatus", SUCCESS_SUCCESS); // the empty fields resolve to a blank entry
    page->Notify(nmLostFocus);
    EXPECT_EQ(mail_.Calls("MAPIResolveName").size(), 2u);
    page.Reset();
    factory.Reset();
    EXPECT_EQ(canUnloadNow_(), S_FALSE);
    EXPECT_THAT(mail_.BufferFaults(), HasSubstr("kept"));

    ASSERT_EQ(getClassObject_(fw::StringToGUID(pixwell::kPostrelOptionsClsid), IID_IClassFactory, factory.PutVoid()),
              S_OK);
    page = makePage();
    EXPECT_THAT(mail_.BufferFaults(), IsEmpty());
    page.Reset();
    factory.Reset();
    EXPECT_EQ(canUnloadNow_(), S_OK);
    void* none = reinterpret_cast<void*>(1);
    EXPECT_EQ(getClassObject_(IID_IPixwellPostrelObject, IID_IClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(none, nullptr);
}

TEST_F(Library, CarriesItsTypeLibrary)
{
    fw::ComPtr<ITypeLib> lib;
    ASSERT_EQ(LoadTypeLibEx(fw::AnsiToWide(BinPath("postrel.dll")).c_str(), REGKIND_NONE, lib.Put()), S_OK);
    TLIBATTR* attr = nullptr;
    lib->GetLibAttr(&attr);
    EXPECT_EQ(fw::GUIDToString(attr->guid), "{F46D8022-197E-451D-9400-46EB95377EA9}");
    EXPECT_EQ(attr->wMajorVerNum * 10 + attr->wMinorVerNum, 10);
    lib->ReleaseTLibAttr(attr);
    auto doc = [&](const char* guid) {
        fw::ComPtr<ITypeInfo> info;
        if (FAILED(lib->GetTypeInfoOfGuid(fw::StringToGUID(guid), info.Put())))
            return std::string("<missing>");
        fw::BStr name, help;
        info->GetDocumentation(MEMBERID_NIL, name.Put(), help.Put(), nullptr, nullptr);
        return name.ToString() + ": " + help.ToString();
    };
    fw::BStr name, help;
    lib->GetDocumentation(-1, name.Put(), help.Put(), nullptr, nullptr);
    EXPECT_EQ(name.ToString() + ": " + help.ToString(), "postrel: postrel Library");
    EXPECT_EQ(doc("{6223FBF1-268A-4562-B2B5-DC26678A3095}"),
              "IPixwellPostrelObject: Dispatch interface for PixwellPostrelObject Object");
    EXPECT_EQ(doc("{7725CB74-418B-4D66-A48E-453CDD089DE2}"), "PixwellPostrelObject: PixwellPostrelObject Object");
    EXPECT_EQ(doc("{D12FCAAD-EE25-44CC-9E4A-07F67426A95B}"), "PostrelOptions: PostrelOptions Control");
    EXPECT_EQ(doc("{16425413-98DB-4BCB-9E5B-CAA2B1AB5A05}"),
              "IPostrelOptionsEvents: Events interface for PostrelOptions Control");
    EXPECT_THAT(doc(fw::GUIDToString(IID_IPostrelOptions).c_str()),
                testing::EndsWith("Dispatch interface for PostrelOptions Control"));
    // The plug-in coclass offers the host's interface next to its own.
    fw::ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(lib->GetTypeInfoOfGuid(CLSID_PixwellPostrelObject, coclass.Put()), S_OK);
    std::vector<std::string> implemented;
    for (UINT i = 0; i < 2; ++i) {
        HREFTYPE ref = 0;
        fw::ComPtr<ITypeInfo> itf;
        coclass->GetRefTypeOfImplType(i, &ref);
        ASSERT_EQ(coclass->GetRefTypeInfo(ref, itf.Put()), S_OK);
        fw::BStr itfName;
        itf->GetDocumentation(MEMBERID_NIL, itfName.Put(), nullptr, nullptr, nullptr);
        implemented.push_back(itfName.ToString());
    }
    EXPECT_THAT(implemented, ElementsAre("IPixwellPostrelObject", "IPixwellPlugin"));
}

} // namespace
