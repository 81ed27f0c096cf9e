// Sending a screen shot by e-mail, from the outside: both plug-in libraries
// registered from the build, the fake mail client as the prefix's default
// client, a selection dragged with the real mouse, the e-mail plug-in
// checked and its page filled in with real clicks and typing, then what the
// client received.
#include "E2eDriver.h"
#include "FakeMailTesting.h"
#include "PluginE2e.h"
#include "VistrelE2e.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "common/PixwellInc.h"

using namespace e2e;

namespace {

constexpr char kCloseCaption[] = "Close";
constexpr char kMailPlugin[] = "E-mail File plugin";
constexpr char kFooter[] = "This screen-shot created with Vistrel (https://vistrel.org)";
// Mean difference per channel between the attachment and the selected
// pixels; the pattern's fine detail costs about 12 at the default quality.
constexpr double kMostMeanDifference = 16;
constexpr int kMessageTextId = 0xFFFF;

void WriteUserDword(const char* keyPath, const char* name, DWORD value)
{
    RegSetKeyValueA(HKEY_CURRENT_USER, keyPath, name, REG_DWORD, &value, sizeof value);
}

std::vector<unsigned char> ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The page's edit boxes top to bottom: To, Cc, Subject, then the message.
std::vector<HWND> PageEdits(HWND wizard)
{
    std::vector<HWND> edits = ChildrenOfClass(wizard, "Edit");
    std::sort(edits.begin(), edits.end(), [](HWND a, HWND b) { return ScreenRect(a).top < ScreenRect(b).top; });
    return edits;
}

} // namespace

TEST(PostrelE2e, SelectionSentAsAJpegAttachmentToARecipientTypedOnThePage)
{
    ComApartment com;
    PluginRegistration fileSave("stowick.dll");
    PluginRegistration mailPlugin("postrel.dll");
    ASSERT_EQ(fileSave.Result(), S_OK);
    ASSERT_EQ(mailPlugin.Result(), S_OK);
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    fakemail::FakeMailClient mail(BinDir() + "\\fakemail.dll", std::string(temp) + "postrel_e2e_mail.log");
    ASSERT_TRUE(mail.Registered());
    WriteUserDword(pixwell::kStowickPluginKey, "DefaultFileType", 1);
    WriteUserDword(pixwell::kStowickPluginKey, "PreviewLetter", 0);
    CheckedPluginsAside nothingChecked;

    Process program(BinDir() + "\\" + pixwell::kHostFileName);
    const OrderlyEnd orderlyEnd(program);
    std::string why;
    const HWND surface = StartCaptureOnPattern(program.Id(), why);
    ASSERT_NE(surface, nullptr) << why;
    const POINT from{120, 140}, to{361, 323};
    Drag(from, to);
    HWND wizard = WaitForWizard(program.Id());
    ASSERT_NE(wizard, nullptr) << "no wizard after the drag";

    Click(WaitForChild(wizard, kNextCaption));
    HWND plugins = WaitForChildOfClass(wizard, kListViewClass);
    ASSERT_NE(plugins, nullptr) << "the plug-in page did not show";
    const std::string checked = CheckPluginRow(plugins, kMailPlugin);
    ASSERT_EQ(checked, "");

    Click(WaitForChild(wizard, kNextCaption));
    std::vector<HWND> edits;
    WaitFor([&] { return (edits = PageEdits(wizard)).size() == 4; }, 15s);
    ASSERT_EQ(edits.size(), 4u) << "the options page did not show";
    const HWND toEdit = edits[0], subjectEdit = edits[2], messageText = edits[3];
    HWND fileType = WaitForChildOfClass(wizard, "ComboBox");
    ASSERT_TRUE(WaitFor([&] { return SendMessageA(fileType, CB_GETCURSEL, 0, 0) == 1; }, 5s))
        << "the settings did not load";

    // Tab out of the field: it shows the entry the client resolved.
    Click(toEdit);
    TypeText("alice");
    KeyPress(VK_TAB);
    EXPECT_TRUE(WaitFor([&] { return WindowText(toEdit) == "Alice Archer <alice@example.org>"; }, 3s))
        << WindowText(toEdit);
    Click(subjectEdit);
    TypeText("Screen shot");
    // Enter starts a new line of the message; it does not press Next.
    Click(messageText);
    TypeText("Line one");
    KeyPress(VK_RETURN);
    TypeText("Line two");
    WaitFor([&] { return WindowText(messageText) == "Line one\r\nLine two"; }, 3s);
    ASSERT_EQ(WindowText(messageText), "Line one\r\nLine two");
    EXPECT_EQ(FindChild(wizard, kCloseCaption), nullptr);

    Click(WaitForChild(wizard, kNextCaption));
    HWND complaint = nullptr;
    HWND close = nullptr;
    WaitFor([&] {
        complaint = WaitForWindowOfClass(program.Id(), kDialogClass, 0ms);
        close = FindChild(wizard, kCloseCaption);
        return complaint || close;
    }, 20s);
    ASSERT_EQ(complaint, nullptr) << "the run failed: " << WindowText(GetDlgItem(complaint, kMessageTextId));
    ASSERT_NE(close, nullptr) << "the report page did not show";

    const std::vector<fakemail::Call> letters = mail.Calls("MAPISendMail");
    ASSERT_EQ(letters.size(), 1u);
    const fakemail::Call& letter = letters.front();
    EXPECT_EQ(letter.Number("ui"), reinterpret_cast<ULONG_PTR>(wizard));
    EXPECT_EQ(letter["flags"], "3");
    EXPECT_EQ(letter["recipCount"], "1");
    EXPECT_EQ(letter["recip0.class"] + " " + letter["recip0.name"] + " " + letter["recip0.address"],
              "1 Alice Archer SMTP:alice@example.org");
    EXPECT_EQ(letter["subject"], "Screen shot");
    EXPECT_EQ(letter["note"], std::string("Line one\r\nLine two\r\n\r\n") + kFooter);
    EXPECT_THAT(letter["file0.path"], testing::EndsWith("\\xgr1.jpg"));
    EXPECT_EQ(GetFileAttributesA(letter["file0.path"].c_str()), INVALID_FILE_ATTRIBUTES)
        << "the attachment file was left behind";

    const std::vector<unsigned char> bytes = ReadFileBytes(letter["file0.copy"]);
    std::remove(letter["file0.copy"].c_str());
    const DecodedJpeg image = DecodeJpeg(bytes);
    ASSERT_TRUE(image.valid) << "the attachment is no JPEG file";
    EXPECT_EQ(image.width, to.x - from.x);
    EXPECT_EQ(image.height, to.y - from.y);
    // Lossy, but it matches the selected pixels better than the same pattern
    // taken a pixel off in any direction.
    const double difference = MeanDifferenceFromPattern(image, from);
    std::printf("mean difference from the selection: %.2f\n", difference);
    EXPECT_LT(difference, kMostMeanDifference);
    for (const POINT off : {POINT{1, 0}, POINT{-1, 0}, POINT{0, 1}, POINT{0, -1}})
        EXPECT_LT(difference, MeanDifferenceFromPattern(image, POINT{from.x + off.x, from.y + off.y}));

    Click(close);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(wizard); }, 10s)) << "the wizard did not close";
    PostMessageA(surface, WM_CLOSE, 0, 0);
    DWORD code = 99;
    ASSERT_TRUE(program.WaitExit(15s, &code)) << "WM_CLOSE did not end the program";
    EXPECT_EQ(code, 0u);
}
