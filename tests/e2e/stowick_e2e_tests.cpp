// Saving a screen shot to a JPEG file, from the outside: the file-save
// plug-in registered from the build, a selection dragged with the real
// mouse, the plug-in checked and its options page filled in inside the
// wizard with real clicks and typing, then the file, the report page and the
// remembered folder checked.
#include "E2eDriver.h"
#include "PluginE2e.h"
#include "VistrelE2e.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "common/PixwellInc.h"

using namespace e2e;

namespace {

constexpr char kCloseCaption[] = "Close";
constexpr char kJpegOptionsCaption[] = "Options...";
constexpr char kDropDownListClass[] = "ComboLBox";
constexpr char kRecentKey[] =
    "Software\\Orvane\\Pixwell\\Plugins\\{04E83EA8-4C59-4F35-8720-B6B5DDDB83FE}\\Recent";
constexpr char kFirstRecentValue[] = "Directory_0";
constexpr char kFileTypeValue[] = "DefaultFileType";
constexpr char kShotName[] = "shot.jpg";
constexpr int kJpgItem = 1;
// Mean difference per channel between the decoded file and the selected
// pixels; the pattern's fine detail costs about 12 at the plug-in's quality.
constexpr double kMostMeanDifference = 16;
// A message box's text is its static control with this id.
constexpr int kMessageTextId = 0xFFFF;

std::string ReadUserString(const char* keyPath, const char* name)
{
    char value[MAX_PATH * 2] = {};
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CURRENT_USER, keyPath, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return {};
    return value;
}

void WriteUserDword(const char* keyPath, const char* name, DWORD value)
{
    RegSetKeyValueA(HKEY_CURRENT_USER, keyPath, name, REG_DWORD, &value, sizeof value);
}

std::vector<unsigned char> ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

TEST(StowickE2e, SelectionSavedAsJpegThroughTheWizardAndItsFolderRemembered)
{
    ComApartment com;
    PluginRegistration registration(kFileSavePluginLibrary);
    ASSERT_EQ(registration.Result(), S_OK) << "the plug-in library did not register";
    // The page starts on BMP, so that JPG is a choice the test makes.
    WriteUserDword(pixwell::kStowickPluginKey, kFileTypeValue, 0);
    CheckedPluginsAside nothingChecked;
    TempFolder folder;
    ASSERT_TRUE(folder.Created());
    const std::string target = folder.Path() + kShotName;

    Process program(BinDir() + "\\" + pixwell::kHostFileName);
    const OrderlyEnd orderlyEnd(program);
    std::string why;
    const HWND surface = StartCaptureOnPattern(program.Id(), why);
    ASSERT_NE(surface, nullptr) << why;

    // Odd sizes: the BMP rows the plug-in receives carry padding.
    const POINT from{150, 120}, to{391, 303};
    Drag(from, to);
    HWND wizard = WaitForWizard(program.Id());
    ASSERT_NE(wizard, nullptr) << "no wizard after the drag";

    Click(WaitForChild(wizard, kNextCaption));
    HWND plugins = WaitForChildOfClass(wizard, kListViewClass);
    ASSERT_NE(plugins, nullptr) << "the plug-in page did not show";
    int row = -1;
    WaitFor([&] { return (row = RowWithCaption(plugins, kSaveToFilePlugin)) >= 0; }, 5s);
    ASSERT_GE(row, 0) << "the registered plug-in is not listed";
    ASSERT_NE(ListViewItemState(plugins, row, LVIS_STATEIMAGEMASK), kCheckedState);
    // The check box sits just left of the item's icon place.
    const RECT icon = ListViewItemRect(plugins, row, LVIR_ICON);
    ClickAt(icon.left - GetSystemMetrics(SM_CXSMICON) / 2, (icon.top + icon.bottom) / 2);
    ASSERT_TRUE(WaitFor([&] { return ListViewItemState(plugins, row, LVIS_STATEIMAGEMASK) == kCheckedState; },
                        3s))
        << "a click on the row's check box did not check it";

    Click(WaitForChild(wizard, kNextCaption));
    HWND fileName = WaitForChildOfClass(wizard, "Edit", 15s);
    HWND fileType = WaitForChildOfClass(wizard, "ComboBox");
    ASSERT_NE(fileName, nullptr) << "the options page did not show";
    ASSERT_NE(fileType, nullptr);
    // The settings arrive a moment after the page and set the name's extension.
    ASSERT_TRUE(WaitFor([&] { return ComboSelection(fileType) == 0; }, 5s)) << "the settings did not load";
    EXPECT_THAT(WindowText(fileName), testing::EndsWith(".bmp"));

    Click(fileName);
    KeyPress(VK_END);
    KeyChord({VK_SHIFT, VK_HOME});
    TypeText(target);
    WaitFor([&] { return WindowText(fileName) == target; }, 3s);
    ASSERT_EQ(WindowText(fileName), target);

    // Drop the list down and click its second item.
    Click(fileType);
    HWND dropDown = WaitForWindowOfClass(program.Id(), kDropDownListClass);
    ASSERT_NE(dropDown, nullptr) << "the file-type list did not drop down";
    const int itemHeight = static_cast<int>(SendMessageA(dropDown, LB_GETITEMHEIGHT, 0, 0));
    const int topItem = static_cast<int>(SendMessageA(dropDown, LB_GETTOPINDEX, 0, 0));
    POINT item{itemHeight, (kJpgItem - topItem) * itemHeight + itemHeight / 2};
    ClientToScreen(dropDown, &item);
    ClickAt(item.x, item.y);
    ASSERT_TRUE(WaitFor([&] { return ComboSelection(fileType) == kJpgItem; }, 3s)) << "JPG was not chosen";
    EXPECT_EQ(WindowText(fileName), target);
    HWND jpegOptions = FindChild(wizard, kJpegOptionsCaption);
    ASSERT_NE(jpegOptions, nullptr);
    EXPECT_TRUE(IsWindowEnabled(jpegOptions));

    Click(WaitForChild(wizard, kNextCaption));
    HWND complaint = nullptr;
    HWND close = nullptr;
    WaitFor([&] {
        complaint = WaitForWindowOfClass(program.Id(), kDialogClass, 0ms);
        close = FindChild(wizard, kCloseCaption);
        return complaint || close;
    }, 15s);
    ASSERT_EQ(complaint, nullptr) << "the run failed: " << WindowText(GetDlgItem(complaint, kMessageTextId));
    ASSERT_NE(close, nullptr) << "the report page did not show";

    const std::vector<unsigned char> bytes = ReadFileBytes(target);
    ASSERT_GT(bytes.size(), 20u) << "no file at " << target;
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xD8);
    EXPECT_EQ(bytes[2], 0xFF);
    EXPECT_EQ(bytes[3], 0xE0) << "no APP0 segment after the start of image";
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[6]), 5), std::string("JFIF", 5));
    const DecodedJpeg image = DecodeJpeg(bytes);
    ASSERT_TRUE(image.valid) << "libjpeg cannot decode the file";
    EXPECT_EQ(image.width, to.x - from.x);
    EXPECT_EQ(image.height, to.y - from.y);
    EXPECT_EQ(image.components, 3);
    // Lossy, but it matches the selected pixels better than the same pattern
    // taken a pixel or two off in any direction.
    const double difference = MeanDifferenceFromPattern(image, from);
    std::printf("mean difference from the selection: %.2f\n", difference);
    EXPECT_LT(difference, kMostMeanDifference);
    for (int dy = -2; dy <= 2; ++dy)
        for (int dx = -2; dx <= 2; ++dx)
            if (dx || dy) {
                EXPECT_LT(difference, MeanDifferenceFromPattern(image, POINT{from.x + dx, from.y + dy}))
                    << "the file matches the selection moved by (" << dx << ", " << dy << ") better";
            }

    EXPECT_EQ(ReadUserString(kRecentKey, kFirstRecentValue), folder.Path());

    Click(close);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(wizard); }, 10s)) << "the wizard did not close";
    // The program's main window ends it the orderly way.
    PostMessageA(surface, WM_CLOSE, 0, 0);
    DWORD code = 99;
    ASSERT_TRUE(program.WaitExit(15s, &code)) << "WM_CLOSE did not end the program";
    EXPECT_EQ(code, 0u);
}
