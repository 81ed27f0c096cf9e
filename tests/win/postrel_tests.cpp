// The e-mail plug-in against the fake mail client (tests/fakemail), made the
// default mail client of the tests' prefix: the page and the plug-in object
// in process (the checked build, which traps on out-of-range enums and
// bools), what the client received, and postrel.dll's registration. The
// attachment is written by the real stowick.dll, registered from the build.
#include "ScalingChecks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <csetjmp>
#include <cstdint>
#include <cstring>
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
#include "imaging/BmpWriter.h"
#include "postrel/PostrelOptionsImpl.h"
#include "postrel/PostrelUnit.h"
#include "stowick/JPEGSettingsUnit.h"
#include "ui/Application.h"

using testing::ElementsAre;
using testing::IsEmpty;

namespace {

using Bytes = std::vector<unsigned char>;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr char kFooter[] = "This screen-shot created with Vistrel (https://vistrel.org)";
using Entry = HRESULT(STDAPICALLTYPE*)();

std::string BinPath(const char* name)
{
    const std::string self = fw::ModuleFileName();
    char full[MAX_PATH] = {};
    GetFullPathNameA((self.substr(0, self.find_last_of('\\')) + "\\" + POSTREL_TESTS_BIN_DIR + "\\" + name).c_str(),
                     MAX_PATH, full, nullptr);
    return full;
}

std::string TempPath(const std::string& name)
{
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    return folder + name;
}

Entry Export(HMODULE module, const char* name)
{
    return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// stowick.dll, registered as the system's tool does it while the tests run;
// the prefix is left without it, as the other tests expect.
class FileSaveRegistration : public testing::Environment {
public:
    void SetUp() override
    {
        module_ = LoadLibraryA(BinPath("stowick.dll").c_str());
        registered_ = module_ && Export(module_, "DllRegisterServer")() == S_OK;
    }
    void TearDown() override
    {
        if (module_)
            Export(module_, "DllUnregisterServer")();
    }
    static inline HMODULE module_ = nullptr;
    static inline bool registered_ = false;
};
const testing::Environment* const kFileSave = testing::AddGlobalTestEnvironment(new FileSaveRegistration);

HMODULE FileSavePlugin()
{
    return FileSaveRegistration::registered_ ? FileSaveRegistration::module_ : nullptr;
}

Bytes ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
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

void PumpFor(std::chrono::milliseconds duration)
{
    PumpUntil([] { return false; }, duration);
}

// Answers the modal windows of this thread from the loop that shows them:
// `action` gets the window captioned `caption`; without one, message boxes
// are closed with OK and what they said is kept as "<caption>: <text>".
class ModalAnswer {
public:
    explicit ModalAnswer(const char* caption = nullptr, std::function<void(HWND)> action = {})
        : caption_(caption), action_(std::move(action))
    {
        current_ = this;
        timer_ = SetTimer(nullptr, 0, 50, &ModalAnswer::Tick);
    }
    ~ModalAnswer()
    {
        KillTimer(nullptr, timer_);
        current_ = nullptr;
    }
    std::vector<std::string> seen;

private:
    static BOOL CALLBACK Find(HWND hwnd, LPARAM self)
    {
        auto* answer = reinterpret_cast<ModalAnswer*>(self);
        char text[256] = {};
        if (answer->caption_)
            GetWindowTextA(hwnd, text, sizeof text);
        else
            GetClassNameA(hwnd, text, sizeof text);
        if (!IsWindowVisible(hwnd) || std::string(text) != (answer->caption_ ? answer->caption_ : "#32770"))
            return TRUE;
        answer->found_ = hwnd;
        return FALSE;
    }
    static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
    {
        ModalAnswer* self = current_;
        if (!self)
            return;
        self->found_ = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), &Find, reinterpret_cast<LPARAM>(self));
        if (!self->found_)
            return;
        if (self->action_) {
            current_ = nullptr; // once
            self->action_(self->found_);
            return;
        }
        char caption[256] = {}, text[512] = {};
        GetWindowTextA(self->found_, caption, sizeof caption);
        GetDlgItemTextA(self->found_, 0xFFFF, text, sizeof text);
        self->seen.push_back(std::string(caption) + ": " + text);
        PostMessageA(self->found_, WM_COMMAND, IDOK, 0);
    }

    static inline ModalAnswer* current_ = nullptr;
    const char* caption_;
    std::function<void(HWND)> action_;
    HWND found_ = nullptr;
    UINT_PTR timer_ = 0;
};

DWORD Setting(const char* name)
{
    return fw::RegKey::TryOpen(HKEY_CURRENT_USER, pixwell::kSharedSettingsKey).ReadDword(name, 0xDEAD);
}

void SetSetting(const char* name, DWORD value)
{
    fw::RegKey::TryCreate(HKEY_CURRENT_USER, pixwell::kSharedSettingsKey).WriteDword(name, value);
}

// Width, height and components of a JPEG file as libjpeg decodes it; all 0
// when it cannot.
struct Decoded {
    int width = 0, height = 0, components = 0;
};

struct JumpingErrors {
    jpeg_error_mgr pub;
    std::jmp_buf back;
};

Decoded DecodeJpeg(const Bytes& data)
{
    Decoded out;
    jpeg_decompress_struct info{};
    JumpingErrors errors{};
    info.err = jpeg_std_error(&errors.pub);
    errors.pub.error_exit = [](j_common_ptr c) { std::longjmp(reinterpret_cast<JumpingErrors*>(c->err)->back, 1); };
    if (!setjmp(errors.back)) {
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, data.data(), static_cast<unsigned long>(data.size()));
        jpeg_read_header(&info, TRUE);
        jpeg_start_decompress(&info);
        std::vector<JSAMPLE> row(static_cast<size_t>(info.output_width) * info.output_components);
        while (info.output_scanline < info.output_height) {
            JSAMPROW rows[] = {row.data()};
            jpeg_read_scanlines(&info, rows, 1);
        }
        jpeg_finish_decompress(&info);
        out = {static_cast<int>(info.output_width), static_cast<int>(info.output_height), info.output_components};
    }
    jpeg_destroy_decompress(&info);
    return out;
}

class Postrel : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FileSavePlugin());
        ASSERT_TRUE(mail_.Registered());
        previous_ = fw::App().SetExceptionHandler([this](const std::string& text) { shown.push_back(text); });
        const fw::RegKey key = fw::RegKey::TryCreate(HKEY_CURRENT_USER, pixwell::kSharedSettingsKey);
        for (const char* name : {"JPEGGrayscale", "JPEGSmoothing", "JPEGCompression", "DefaultFileType", "PreviewLetter"})
            key.DeleteValue(name);
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

    // The page as the host creates it, once its settings have loaded.
    postrel::TPostrelOptions& Page(bool waitForSettings = true)
    {
        fw::OleCheck(postrel::TPostrelOptions::CreateInstance(IID_IPixwellPluginOptions, page_.PutVoid()));
        auto* page = dynamic_cast<postrel::TPostrelOptions*>(static_cast<IPixwellPluginOptions*>(page_.Get()));
        if (waitForSettings)
            PumpUntil([&] { return !page->Timer1->Enabled(); });
        return *page;
    }
    HRESULT Save(HRESULT& result, std::string* error = nullptr)
    {
        const HRESULT hr = page_->SaveSettings(&result);
        if (FAILED(hr) && error)
            *error = fw::TakeErrorInfoDescription();
        return hr;
    }

    // The names the client was asked to resolve, " x" after those it could not.
    std::vector<std::string> Resolved() const
    {
        std::vector<std::string> names;
        for (const fakemail::Call& call : mail_.Calls("MAPIResolveName"))
            names.push_back(call["name"] + (call["status"] == "0" ? "" : " x"));
        return names;
    }
    static bool Bold(const fw::Window& edit) { return (edit.Font().style & fw::fsBold) != 0; }
    static std::string Slot(const postrel::RecipientSlot& slot)
    {
        return slot ? std::string(slot.Entry()->lpszName) : "<empty>";
    }

    fw::ComInit com_{fw::ComInit::Kind::Ole};
    fakemail::FakeMailClient mail_{BinPath("fakemail.dll"), TempPath("postrel_tests_mail.log")};
    fw::ComPtr<IPixwellPluginOptions> page_;
    std::vector<std::string> shown;
    fw::Application::ExceptionHandler previous_;
};

// ---- The options page ---------------------------------------------------------------------------

// Run at 150 % (the second run of these tests), the page comes up laid out
// for the display: half as big again as at 96 DPI, glyphs included, its
// texts fitting.
TEST_F(Postrel, PageComesUpScaledForTheDisplay)
{
    const int dpi = fw::WindowDpi(GetDesktopWindow());
    if (dpi == fw::kDesignDpi)
        GTEST_SKIP() << "the display is at 96 DPI";
    postrel::TPostrelOptions& page = Page();
    // Made for 533 x 378 at 96 DPI, scaled once.
    EXPECT_EQ(page.ClientWidth(), fw::ScaleToDpi(533, dpi));
    EXPECT_EQ(page.ClientHeight(), fw::ScaleToDpi(378, dpi));
    scaling_checks::ExpectPageScaled(page, dpi);
    ASSERT_NE(page.ToSelect->Glyph(), nullptr);
    const int glyph = page.ToSelect->Glyph()->Width();
    page.ScaleForDpi(fw::kDesignDpi);
    EXPECT_EQ(glyph, fw::ScaleToDpi(page.ToSelect->Glyph()->Width(), dpi));
    page.ScaleForDpi(dpi);
    EXPECT_EQ(page.ToSelect->Glyph()->Width(), glyph);
}

TEST_F(Postrel, PageLoadsTheSharedSettingsAMomentAfterItComesUp)
{
    SetSetting("JPEGGrayscale", 0x100); // the low byte counts: off
    SetSetting("JPEGSmoothing", 0x201);
    SetSetting("DefaultFileType", 0);
    SetSetting("PreviewLetter", 1);
    // What an earlier page resolved and never sent goes when a page comes up.
    postrel::SendState().ToRecipient.Take(postrel::MapiResolveName(nullptr, "alice").entry);
    auto& page = Page(false);
    EXPECT_FALSE(postrel::SendState().ToRecipient);
    EXPECT_THAT(mail_.BufferFaults(), IsEmpty());
    EXPECT_EQ(page.FileTypeCombo->ItemIndex(), -1);
    EXPECT_TRUE(page.SettingsButton->Enabled());
    PumpUntil([&] { return !page.Timer1->Enabled(); });
    EXPECT_THAT(shown, IsEmpty());
    EXPECT_FALSE(postrel::SendState().Grayscale);
    EXPECT_TRUE(postrel::SendState().Smoothing);
    EXPECT_EQ(postrel::SendState().Compression, 50); // missing
    EXPECT_TRUE(page.cbPreviewLetter->Checked());
    EXPECT_EQ(page.FileTypeCombo->ItemIndex(), 0);
    EXPECT_FALSE(page.SettingsButton->Enabled());
    page.FileTypeCombo->SetItemIndex(1);
    page.FileTypeCombo1Change();
    EXPECT_TRUE(page.SettingsButton->Enabled());
    std::vector<HWND> tabStops;
    for (HWND h = GetWindow(page.Handle(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
        if (GetWindowLongA(h, GWL_STYLE) & WS_TABSTOP)
            tabStops.push_back(h);
    EXPECT_THAT(tabStops, ElementsAre(page.ToEdit->Handle(), page.CCEdit->Handle(), page.SubjectEdit->Handle(),
                                      page.MessageText->Handle(), page.SettingsButton->Handle(),
                                      page.FileTypeCombo->Handle(), page.cbPreviewLetter->Handle()));

    // A stored type the list lacks counts as missing: BMP, never "no type".
    page_.Reset();
    SetSetting("DefaultFileType", 7);
    EXPECT_EQ(Page().FileTypeCombo->ItemIndex(), 0);

    // Without the key: the message, and the page as it came up.
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
}

TEST_F(Postrel, TypingResolvesTheFieldOnceHalfASecondAfterTheLastKey)
{
    auto& page = Page();
    auto lastKey = Clock::now();
    for (const char c : std::string("alice")) {
        SendMessageA(page.ToEdit->Handle(), WM_CHAR, static_cast<unsigned char>(c), 0);
        lastKey = Clock::now();
        PumpFor(60ms);
    }
    if (Clock::now() - lastKey < 400ms) { // only while the machine kept pace
        EXPECT_THAT(Resolved(), IsEmpty());
    }
    ASSERT_TRUE(PumpUntil([&] { return !Resolved().empty(); }));
    EXPECT_GE(Clock::now() - lastKey, 480ms);
    PumpFor(700ms);
    EXPECT_THAT(Resolved(), ElementsAre("alice"));
    const fakemail::Call call = mail_.Calls("MAPIResolveName").at(0);
    EXPECT_EQ(call.Number("ui"), reinterpret_cast<ULONG_PTR>(page.Handle()));
    EXPECT_EQ(call["session"] + call["flags"] + call["reserved"], "0x000");
    // Resolved: bold, the text as typed, the slot filled.
    EXPECT_TRUE(Bold(*page.ToEdit));
    EXPECT_EQ(page.ToEdit->Text(), "alice");
    EXPECT_EQ(Slot(postrel::SendState().ToRecipient), "Alice Archer");

    // One more key and nobody answers to it: regular weight, slot empty.
    SendMessageA(page.ToEdit->Handle(), WM_CHAR, 'x', 0);
    ASSERT_TRUE(PumpUntil([&] { return Resolved().size() == 2; }));
    EXPECT_EQ(Resolved().back(), "alicex x");
    EXPECT_FALSE(Bold(*page.ToEdit));
    EXPECT_FALSE(postrel::SendState().ToRecipient);
    EXPECT_THAT(mail_.BufferFaults(), IsEmpty());
}

TEST_F(Postrel, LeavingTheFieldsShowsTheirEntriesAndResolvesThatTextAgain)
{
    auto& page = Page();
    page.ToEdit->SetText("carol");
    page.CCEdit->SetText("bob");
    mail_.ClearLog();
    EXPECT_EQ(page_->Notify(nmLostFocus), S_OK);
    // At once, To first: each text becomes the entry, bold.
    EXPECT_THAT(Resolved(), ElementsAre("carol", "bob"));
    EXPECT_EQ(page.ToEdit->Text(), "Carol Cole <>");                    // "SMTP:" alone
    EXPECT_EQ(page.CCEdit->Text(), "Bob Brown <smtp:bob@example.org>"); // lower-case prefix kept
    EXPECT_TRUE(Bold(*page.ToEdit));
    // Half a second later the new texts are resolved again; the client
    // knows nobody called "Carol Cole <>".
    ASSERT_TRUE(PumpUntil([&] { return Resolved().size() == 4; }));
    EXPECT_THAT(Resolved(), testing::IsSupersetOf({"Carol Cole <> x", "Bob Brown <smtp:bob@example.org>"}));
    EXPECT_FALSE(Bold(*page.ToEdit));
    EXPECT_EQ(page.ToEdit->Text(), "Carol Cole <>");
    EXPECT_FALSE(postrel::SendState().ToRecipient);
    EXPECT_TRUE(Bold(*page.CCEdit));
    EXPECT_EQ(Slot(postrel::SendState().CcRecipient), "Bob Brown");

    // An ambiguous name stays as typed, regular.
    page.ToEdit->SetText("al");
    mail_.ClearLog();
    page_->Notify(nmLostFocus);
    EXPECT_EQ(Resolved().at(0), "al x");
    EXPECT_EQ(page.ToEdit->Text(), "al");

    // The focus coming in, or a message the page does not know, does nothing.
    PumpFor(700ms);
    mail_.ClearLog();
    EXPECT_EQ(page_->Notify(nmGetFocus), S_OK);
    TNotifyMessages unknown; // any 32-bit number, as a client may send it
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
    EXPECT_EQ(page.CCEdit->Text(), "Dave Dunn <dave@example.org>"); // no prefix to strip
    EXPECT_EQ(Slot(postrel::SendState().CcRecipient), "Dave Dunn");
    const fakemail::Call call = mail_.Calls("MAPIAddress").at(0);
    EXPECT_EQ(call.Number("ui"), reinterpret_cast<ULONG_PTR>(page.Handle()));
    EXPECT_EQ(call["caption"] + call["editFields"] + call["labels"] + call["recips"] + call["flags"] +
                  call["reserved"] + call["session"],
              "<null>1<null>0100x0");

    // Cancelled, failed, or nothing chosen: text, weight and slot stay.
    ASSERT_TRUE(PumpUntil([&] { return Bold(*page.CCEdit); }));
    for (const auto& [status, choice] : {std::pair{1, "0"}, std::pair{2, "0"}, std::pair{0, ""}}) {
        mail_.SetStatus("AddressStatus", status);
        mail_.SetText("AddressChoice", choice);
        page.ccSelectClick();
        EXPECT_EQ(page.CCEdit->Text(), "Dave Dunn <dave@example.org>");
        EXPECT_TRUE(Bold(*page.CCEdit));
        EXPECT_EQ(Slot(postrel::SendState().CcRecipient), "Dave Dunn");
    }
    postrel::SendState().CcRecipient.Clear();
    EXPECT_THAT(mail_.BufferFaults(), IsEmpty());
}

TEST_F(Postrel, SaveSettingsStoresFirstAndHandsOverOnlyWithAResolvedRecipient)
{
    SetSetting("DefaultFileType", 1);
    auto& page = Page();
    page.cbPreviewLetter->SetChecked(true);
    page.CCEdit->SetText("bob");
    page_->Notify(nmLostFocus);
    HRESULT result = S_OK;
    {
        ModalAnswer answer;
        ASSERT_EQ(Save(result), S_OK);
        EXPECT_EQ(result, E_FAIL);
        EXPECT_THAT(answer.seen, ElementsAre("E-mail File plugin: Message receiver is not assigned!"));
    }
    EXPECT_EQ(Setting("PreviewLetter"), 1u); // stored all the same
    EXPECT_EQ(Setting("JPEGCompression"), 50u);
    EXPECT_TRUE(postrel::SendState().NoteText.empty());

    page.ToEdit->SetText("alice");
    page.SubjectEdit->SetText("Shot");
    page_->Notify(nmLostFocus);
    ASSERT_EQ(Save(result), S_OK);
    EXPECT_EQ(result, S_OK);
    const postrel::MailSendState& state = postrel::SendState();
    EXPECT_EQ(state.ToRecipient.Entry()->ulRecipClass, static_cast<ULONG>(MAPI_TO));
    EXPECT_EQ(state.CcRecipient.Entry()->ulRecipClass, static_cast<ULONG>(MAPI_CC));
    EXPECT_EQ(state.FileType, 1);
    EXPECT_EQ(state.Subject, "Shot");
    EXPECT_TRUE(state.PreviewLetter);
    EXPECT_EQ(state.NoteText, std::string("\r\n\r\n") + kFooter); // an empty text
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
            dialog->GrayScaleCheck->SetChecked(true);
            dialog->Compression->SetPosition(20);
            (ok ? dialog->Button1 : dialog->Button2)->Click();
        });
        page.SettingsButtonClick();
        EXPECT_EQ(postrel::SendState().Grayscale, ok);
        EXPECT_EQ(postrel::SendState().Compression, ok ? 20 : 65);
        EXPECT_EQ(Setting("JPEGCompression"), 65u);
    }
    HRESULT result = S_OK;
    ModalAnswer answer; // no recipient: stored all the same
    ASSERT_EQ(Save(result), S_OK);
    EXPECT_EQ(Setting("JPEGCompression"), 20u);
    EXPECT_EQ(Setting("JPEGGrayscale"), 1u);
}

// The file-save plug-in's own page, from stowick.dll, loads what this page
// stored and stores what it loaded, which this page then reads.
TEST_F(Postrel, SettingsAreSharedWithTheFileSavePage)
{
    auto& page = Page();
    page.FileTypeCombo->SetItemIndex(1);
    postrel::SendState().Grayscale = true;
    postrel::SendState().Compression = 35;
    HRESULT result = S_OK;
    {
        ModalAnswer answer;
        ASSERT_EQ(Save(result), S_OK);
    }
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
    for (const char* name : {"JPEGGrayscale", "JPEGCompression", "DefaultFileType"})
        SetSetting(name, 0);
    ASSERT_EQ(savePage->SaveSettings(&result), S_OK);
    EXPECT_EQ(Setting("JPEGGrayscale"), 1u);
    EXPECT_EQ(Setting("JPEGCompression"), 35u);
    EXPECT_EQ(Setting("DefaultFileType"), 1u);

    page_.Reset();
    ResetState();
    auto& again = Page();
    EXPECT_EQ(again.FileTypeCombo->ItemIndex(), 1);
    EXPECT_TRUE(postrel::SendState().Grayscale);
    EXPECT_EQ(postrel::SendState().Compression, 35);
}

// ---- The send ---------------------------------------------------------------------------------------

class Send : public Postrel {
protected:
    void SetUp() override
    {
        Postrel::SetUp();
        fw::OleCheck(postrel::TPixwellPostrelObject::CreateInstance(IID_IPixwellPlugin, object_.PutVoid()));
        parent_ = CreateWindowExA(0, "STATIC", "host", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        for (int y = 0; y < image_.Height(); ++y)
            for (int x = 0; x < image_.Width(); ++x)
                image_.SetPixel(x, y, {static_cast<uint8_t>(x * 6), static_cast<uint8_t>(y * 11), 128});
    }
    void TearDown() override
    {
        DestroyWindow(parent_);
        Postrel::TearDown();
    }

    // What a page's SaveSettings leaves.
    static void Capture(const char* to, const char* cc, long fileType, bool preview = false)
    {
        postrel::MailSendState& state = postrel::SendState();
        state.ToRecipient.Take(postrel::MapiResolveName(nullptr, to).entry);
        if (cc)
            state.CcRecipient.Take(postrel::MapiResolveName(nullptr, cc).entry);
        state.FileType = fileType;
        state.NoteText = std::string("Hi\r\n\r\n") + kFooter;
        state.PreviewLetter = preview;
    }
    HRESULT Execute(std::string* error = nullptr, IUnknown* stream = nullptr)
    {
        const fw::ComPtr<IStream> image = pixwell::MakeImageStream(image_);
        HRESULT result = E_UNEXPECTED;
        const HRESULT hr = object_->Execute(stream ? stream : image.Get(),
                                            static_cast<LONG>(reinterpret_cast<LONG_PTR>(parent_)), &result);
        if (SUCCEEDED(hr))
            EXPECT_EQ(result, S_OK);
        else if (error)
            *error = fw::TakeErrorInfoDescription();
        return hr;
    }
    std::vector<fakemail::Call> Letters() const { return mail_.Calls("MAPISendMail"); }

    img::Bitmap image_{37, 21, img::PixelFormat::pf24bit};
    fw::ComPtr<IPixwellPlugin> object_;
    HWND parent_ = nullptr;
};

TEST_F(Send, HandsTheClientTheLetterWithTheImageAttachedAndCleansUp)
{
    fw::BStr name, description, options, topic;
    HRESULT result = E_FAIL;
    ASSERT_EQ(object_->GetPluginInfo(name.Put(), description.Put(), options.Put(), topic.Put(), &result), S_OK);
    EXPECT_EQ(name.ToString() + "|" + description.ToString() + "|" + options.ToString() + "|" + topic.ToString(),
              "E-mail File plugin|Send your picture by e-mail|{D12FCAAD-EE25-44CC-9E4A-07F67426A95B}|"
              "plugin_epostrel.html");

    Capture("alice", nullptr, 1);
    ASSERT_EQ(Execute(), S_OK);
    ASSERT_EQ(Letters().size(), 1u);
    const fakemail::Call jpeg = Letters().at(0);
    EXPECT_EQ(jpeg.Number("ui"), reinterpret_cast<ULONG_PTR>(parent_));
    EXPECT_EQ(jpeg["session"] + " " + jpeg["flags"] + " " + jpeg["reserved"], "0x0 3 0");
    EXPECT_EQ(jpeg["subject"], ""); // empty, not missing
    EXPECT_EQ(jpeg["note"], std::string("Hi\r\n\r\n") + kFooter);
    EXPECT_EQ(jpeg["msg.reserved"] + jpeg["messageType"] + jpeg["dateReceived"] + jpeg["conversationID"] +
                  jpeg["msg.flags"] + jpeg["originator"] + jpeg["recipCount"] + jpeg["fileCount"],
              "0<null><null><null>0<null>11");
    EXPECT_EQ(jpeg["recip0.class"] + " " + jpeg["recip0.name"] + " " + jpeg["recip0.address"] + " " +
                  jpeg["recip0.eid"],
              "1 Alice Archer SMTP:alice@example.org 01000000");
    EXPECT_EQ(jpeg["file0.reserved"] + " " + jpeg["file0.flags"] + " " + jpeg["file0.position"] + " " +
                  jpeg["file0.name"] + " " + jpeg["file0.type"] + " " + jpeg["file0.exists"],
              "0 0 4294967295 <null> <null> 1");
    const std::string path = jpeg["file0.path"];
    EXPECT_EQ(path.rfind(TempPath(""), 0), 0u) << path;
    EXPECT_THAT(path, testing::EndsWith("\\xgr1.jpg"));
    const Decoded decoded = DecodeJpeg(ReadFileBytes(jpeg["file0.copy"]));
    EXPECT_EQ(decoded.width * 1000 + decoded.height, 37021);
    // Afterwards: no file, no recipients, every buffer given back once.
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(postrel::SendState().ToRecipient);
    EXPECT_THAT(mail_.BufferFaults(), IsEmpty());

    // BMP, a Cc recipient, the preview: To then Cc, the image's BMP file,
    // the same path but for the extension.
    Capture("alice", "bob", 0, true);
    ASSERT_EQ(Execute(), S_OK);
    const fakemail::Call bmp = Letters().at(1);
    EXPECT_EQ(bmp["flags"] + " " + bmp["recipCount"], "11 2");
    EXPECT_EQ(bmp["recip0.class"] + bmp["recip0.name"] + bmp["recip1.class"] + bmp["recip1.name"] + bmp["recip1.eid"],
              "1Alice Archer2Bob Brown02000000");
    EXPECT_EQ(bmp["file0.path"], path.substr(0, path.size() - 4) + ".bmp");
    EXPECT_EQ(ReadFileBytes(bmp["file0.copy"]), img::EncodeBmp(image_));
    Capture("bob", nullptr, 0);
    ASSERT_EQ(Execute(), S_OK);
    EXPECT_EQ(Letters().at(2)["file0.path"], bmp["file0.path"]);
    EXPECT_EQ(GetFileAttributesA(bmp["file0.path"].c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_THAT(mail_.BufferFaults(), IsEmpty());
}

TEST_F(Send, ACancelledOrFailedSendCleansUpAndTheHostGoesOn)
{
    for (const DWORD status : {1u, 2u, 26u}) {
        SCOPED_TRACE(status);
        mail_.SetStatus("SendStatus", status);
        Capture("alice", "dave", 1);
        ModalAnswer answer;
        ASSERT_EQ(Execute(), S_OK);
        EXPECT_EQ(answer.seen.size(), status == 1 ? 0u : 1u);
        if (status != 1) {
            EXPECT_EQ(answer.seen.at(0), "E-mail File plugin: Error while executing MAPI function.");
        }
        EXPECT_EQ(GetFileAttributesA(Letters().back()["file0.path"].c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_FALSE(postrel::SendState().ToRecipient || postrel::SendState().CcRecipient);
    }
    EXPECT_THAT(mail_.BufferFaults(), IsEmpty());
}

// The page may resolve a field again while the client's window is up (the
// text it formatted on leaving is due half a second later): what the client
// is reading must stay where it is.
TEST_F(Send, ResolvingAgainDuringTheSendLeavesTheClientsRecipientsAlone)
{
    auto& page = Page();
    page.ToEdit->SetText("alice");
    page_->Notify(nmLostFocus);
    HRESULT result = S_OK;
    ASSERT_EQ(Save(result), S_OK);
    ASSERT_EQ(result, S_OK);
    mail_.SetStatus("SendPumpMs", 1200);
    ASSERT_EQ(Execute(), S_OK);
    // The empty Cc field is resolved on leaving too, to nobody.
    EXPECT_THAT(Resolved(), ElementsAre("alice", " x", "Alice Archer <alice@example.org>"));
    for (const fakemail::Call& call : mail_.Calls("MAPIFreeBuffer"))
        EXPECT_EQ(call["inUse"], "0") << "a recipient of the letter was released during the send";
    EXPECT_FALSE(postrel::SendState().ToRecipient);
    EXPECT_THAT(mail_.BufferFaults(), IsEmpty());
}

TEST_F(Send, EarlyFailuresSendNothingAndKeepTheRecipients)
{
    std::string error;
    EXPECT_TRUE(FAILED(Execute(&error))); // nothing captured
    EXPECT_EQ(error, postrel::kNoRecipientError);

    Capture("alice", "bob", 2);
    EXPECT_TRUE(FAILED(Execute(&error)));
    EXPECT_EQ(error, std::string(postrel::kFileTypeError) + "2");

    postrel::SendState().FileType = 0;
    fw::ComPtr<IStream> empty;
    fw::OleCheck(CreateStreamOnHGlobal(nullptr, TRUE, empty.Put()));
    EXPECT_TRUE(FAILED(Execute(&error, empty.Get()))); // no image in it
    EXPECT_FALSE(error.empty());

    // A temporary folder whose path does not fit the 260-byte buffer.
    char saved[MAX_PATH] = {};
    GetEnvironmentVariableA("TMP", saved, MAX_PATH);
    SetEnvironmentVariableA("TMP", ("C:\\" + std::string(270, 'd')).c_str());
    EXPECT_TRUE(FAILED(Execute(&error)));
    SetEnvironmentVariableA("TMP", saved[0] ? saved : nullptr);
    EXPECT_EQ(error, "Unable to get name of temporary file");

    // The file-save plug-in not registered.
    ASSERT_EQ(Export(FileSavePlugin(), "DllUnregisterServer")(), S_OK);
    const HRESULT unregistered = Execute(&error);
    ASSERT_EQ(Export(FileSavePlugin(), "DllRegisterServer")(), S_OK);
    EXPECT_EQ(unregistered, REGDB_E_CLASSNOTREG);

    EXPECT_THAT(Letters(), IsEmpty());
    EXPECT_EQ(Slot(postrel::SendState().ToRecipient), "Alice Archer");
    EXPECT_EQ(Slot(postrel::SendState().CcRecipient), "Bob Brown");
}

// ---- postrel.dll --------------------------------------------------------------------------------

class Library : public Postrel {
protected:
    void SetUp() override
    {
        Postrel::SetUp();
        module_ = LoadLibraryA(BinPath("postrel.dll").c_str());
        ASSERT_NE(module_, nullptr);
        getClassObject_ = reinterpret_cast<decltype(getClassObject_)>(
            reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
    }
    void TearDown() override
    {
        Postrel::TearDown();
        CoFreeUnusedLibraries();
        FreeLibrary(module_);
    }
    static std::string Text(HKEY root, const std::string& path)
    {
        std::string value;
        const fw::RegKey key = fw::RegKey::TryOpen(root, path.c_str());
        return key && key.ReadString(nullptr, value) == ERROR_SUCCESS ? value : "<missing>";
    }

    HMODULE module_ = nullptr;
    HRESULT(STDAPICALLTYPE* getClassObject_)(REFCLSID, REFIID, void**) = nullptr;
};

TEST_F(Library, RegistersAsAPluginAndLeavesTheSharedSettingsWhenItGoes)
{
    fw::RegKey::DeleteKey(HKEY_CURRENT_USER, pixwell::kPostrelPluginKey, true);
    ASSERT_EQ(Export(module_, "DllRegisterServer")(), S_OK);
    EXPECT_EQ(Text(HKEY_CURRENT_USER, pixwell::kPostrelPluginKey), "E-mail File plugin");
    const std::string object = std::string("CLSID\\") + pixwell::kPostrelObjectClsid;
    const std::string options = std::string("CLSID\\") + pixwell::kPostrelOptionsClsid;
    EXPECT_EQ(Text(HKEY_CLASSES_ROOT, object), "PixwellPostrelObject Object");
    EXPECT_EQ(Text(HKEY_CLASSES_ROOT, object + "\\ProgID"), "postrel.PixwellPostrelObject");
    EXPECT_EQ(Text(HKEY_CLASSES_ROOT, options + "\\ProgID"), "postrel.PostrelOptions");
    EXPECT_EQ(Text(HKEY_CLASSES_ROOT, options + "\\MiscStatus\\1"), "73728");

    // The host creates both by their identifiers; the page takes only its object.
    fw::ComPtr<IPixwellPlugin> plugin, foreign;
    fw::ComPtr<IPixwellPluginOptions> page;
    ASSERT_EQ(CoCreateInstance(fw::StringToGUID(pixwell::kPostrelObjectClsid), nullptr, CLSCTX_INPROC_SERVER,
                               IID_IPixwellPlugin, plugin.PutVoid()),
              S_OK);
    ASSERT_EQ(CoCreateInstance(fw::StringToGUID(pixwell::kPostrelOptionsClsid), nullptr, CLSCTX_INPROC_SERVER,
                               IID_IPixwellPluginOptions, page.PutVoid()),
              S_OK);
    ASSERT_EQ(CoCreateInstance(fw::StringToGUID(pixwell::kStowickObjectClsid), nullptr, CLSCTX_INPROC_SERVER,
                               IID_IPixwellPlugin, foreign.PutVoid()),
              S_OK);
    EXPECT_EQ(page->SetPlugin(plugin.Get()), S_OK);
    EXPECT_EQ(page->SetPlugin(foreign.Get()), E_NOINTERFACE);
    page.Reset();

    SetSetting("JPEGCompression", 70);
    EXPECT_EQ(Export(module_, "DllUnregisterServer")(), S_OK);
    EXPECT_FALSE(fw::RegKey::TryOpen(HKEY_CURRENT_USER, pixwell::kPostrelPluginKey));
    EXPECT_EQ(Text(HKEY_CLASSES_ROOT, object), "<missing>");
    EXPECT_EQ(Setting("JPEGCompression"), 70u);
    EXPECT_EQ(Export(module_, "DllUnregisterServer")(), S_OK);
}

// A recipient the library keeps for the next page keeps the library loaded;
// that page releases it.
TEST_F(Library, StaysLoadedWhileItHoldsARecipientForTheNextPage)
{
    const Entry canUnloadNow = Export(module_, "DllCanUnloadNow");
    const GUID pageClass = fw::StringToGUID(pixwell::kPostrelOptionsClsid);
    auto page = [&] {
        fw::ComPtr<IClassFactory> factory;
        fw::ComPtr<IPixwellPluginOptions> created;
        EXPECT_EQ(getClassObject_(pageClass, IID_IClassFactory, factory.PutVoid()), S_OK);
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IPixwellPluginOptions, created.PutVoid()), S_OK);
        return created;
    };
    mail_.SetStatus("ResolveStatus", SUCCESS_SUCCESS); // the empty fields resolve, to a blank entry
    page()->Notify(nmLostFocus);
    EXPECT_EQ(canUnloadNow(), S_FALSE);
    EXPECT_FALSE(mail_.BufferFaults().empty());
    page();
    EXPECT_THAT(mail_.BufferFaults(), IsEmpty());
    EXPECT_EQ(canUnloadNow(), S_OK);
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
    EXPECT_EQ(fw::GUIDToString(attr->guid) + " " + std::to_string(attr->wMajorVerNum) + "." +
                  std::to_string(attr->wMinorVerNum),
              "{F46D8022-197E-451D-9400-46EB95377EA9} 1.0");
    lib->ReleaseTLibAttr(attr);
    auto doc = [&](const GUID& guid, UINT impl = 0) {
        fw::ComPtr<ITypeInfo> info;
        if (FAILED(lib->GetTypeInfoOfGuid(guid, info.Put())))
            return std::string("<missing>");
        std::string text;
        for (UINT i = 0; i <= impl; ++i) { // the coclass's implemented interfaces
            fw::ComPtr<ITypeInfo> described = info;
            HREFTYPE ref = 0;
            if (i > 0 && (FAILED(info->GetRefTypeOfImplType(i - 1, &ref)) ||
                          FAILED(info->GetRefTypeInfo(ref, described.Put()))))
                return text + "<no interface " + std::to_string(i) + ">";
            fw::BStr name, help;
            described->GetDocumentation(MEMBERID_NIL, name.Put(), help.Put(), nullptr, nullptr);
            text += (i ? ", " : "") + name.ToString() + (i ? "" : ": " + help.ToString());
        }
        return text;
    };
    fw::BStr name, help;
    lib->GetDocumentation(-1, name.Put(), help.Put(), nullptr, nullptr);
    EXPECT_EQ(name.ToString() + ": " + help.ToString(), "postrel: postrel Library");
    EXPECT_EQ(doc(IID_IPixwellPostrelObject), "IPixwellPostrelObject: Dispatch interface for PixwellPostrelObject Object");
    EXPECT_EQ(doc(CLSID_PixwellPostrelObject, 2),
              "PixwellPostrelObject: PixwellPostrelObject Object, IPixwellPostrelObject, IPixwellPlugin");
    EXPECT_EQ(doc(CLSID_PostrelOptions, 2),
              "PostrelOptions: PostrelOptions Control, IPostrelOptions, IPostrelOptionsEvents");
    EXPECT_EQ(doc(IID_IPostrelOptions), "IPostrelOptions: Dispatch interface for PostrelOptions Control");
    EXPECT_EQ(doc(DIID_IPostrelOptionsEvents), "IPostrelOptionsEvents: Events interface for PostrelOptions Control");
}

} // namespace
