// The version reader against version resources of several shapes, the
// deliverables' own version, and the about box on the virtual display. This
// test program carries the program's version resource and banner, so the
// about box shows what it shows inside vistrel.exe.
#include "settings/AboutUnit.h"
#include "settings/VerInfo.h"
#include "FormScript.h"
#include "common/PixwellInc.h"
#include "common/VistrelVersion.h"
#include "com/ComServer.h"
#include "ui/Application.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace fw {
void PrintTo(const Bounds& b, std::ostream* out)
{
    *out << "{" << b.left << ", " << b.top << ", " << b.width << " x " << b.height << "}";
}
} // namespace fw

namespace {

using form_test::FormScript;
using form_test::Press;
using ::testing::ElementsAre;

std::string Folder(const std::string& path)
{
    return path.substr(0, path.find_last_of("\\/") + 1);
}

// A library of resources only, beside this program.
std::string TestLibrary(const char* name)
{
    return Folder(fw::ModuleFileName()) + name + ".dll";
}

// A deliverable of this build.
std::string Deliverable(const char* name)
{
    std::string relative = DELIVERABLES_RELATIVE_DIR;
    for (char& c : relative)
        if (c == '/')
            c = '\\';
    return Folder(fw::ModuleFileName()) + relative + "\\" + name;
}

// ---- The version reader ---------------------------------------------------------------------

TEST(VersionInfo, OnlyTheFirstOfSeveralTranslationsIsConsulted)
{
    const TVersionInfo info(TestLibrary("verinfo_several_translations"));
    EXPECT_TRUE(info.Valid());
    ASSERT_NE(info.GetTranslation(), nullptr);
    EXPECT_EQ(*info.GetTranslation() & 0xFFFF, 0x0407u);
    EXPECT_EQ(*info.GetTranslation() >> 16, 1252u);
    EXPECT_EQ(info.GetTranslationText(), "040704E4");
    // Exactly as stored, blanks and all.
    EXPECT_EQ(info.GetFileVersion(), " 2.0  (Ausgabe 7) ");
    EXPECT_EQ(info.GetStringValue("ProductName"), "Zweisprachig");
    // A value of the second translation only is not found.
    EXPECT_EQ(info.GetStringValue("Comments"), "");
    EXPECT_EQ(info.GetStringValue("NoSuchValue"), "");
}

TEST(VersionInfo, WithoutATranslationTableEveryValueIsEmpty)
{
    const TVersionInfo info(TestLibrary("verinfo_no_translation"));
    EXPECT_TRUE(info.Valid());
    EXPECT_EQ(info.GetTranslation(), nullptr);
    EXPECT_EQ(info.GetTranslationText(), "");
    EXPECT_EQ(info.GetFileVersion(), "") << "the strings are there, but nothing leads to them";
}

TEST(VersionInfo, AFirstTranslationWithoutFileVersionGivesAnEmptyVersion)
{
    const TVersionInfo info(TestLibrary("verinfo_no_file_version"));
    EXPECT_EQ(info.GetTranslationText(), "041104B0");
    EXPECT_EQ(info.GetStringValue("ProductName"), "No file version here");
    EXPECT_EQ(info.GetFileVersion(), "");
}

TEST(VersionInfo, AFileWithoutVersionDataGivesEmptyValues)
{
    for (const std::string& file :
         {TestLibrary("verinfo_no_version"), Folder(fw::ModuleFileName()) + "no such file.dll"}) {
        const TVersionInfo info(file);
        EXPECT_FALSE(info.Valid()) << file;
        EXPECT_EQ(info.GetTranslation(), nullptr) << file;
        EXPECT_EQ(info.GetTranslationText(), "") << file;
        EXPECT_EQ(info.GetFileVersion(), "") << file;
    }
}

TEST(VersionInfo, TheDeliverablesCarryTheProjectsVersion)
{
    // One number, from the CMake project's version.
    EXPECT_STREQ(VISTREL_VERSION_TEXT, "1.0.1.37");
    for (const char* file : {pixwell::kHostFileName, "stowick.dll"}) {
        const TVersionInfo info(Deliverable(file));
        EXPECT_EQ(info.GetTranslationText(), "040904E4") << file;
        EXPECT_EQ(info.GetFileVersion(), VISTREL_VERSION_TEXT) << file;
        EXPECT_EQ(info.GetStringValue("ProductVersion"), VISTREL_VERSION_TEXT) << file;
        EXPECT_EQ(info.GetStringValue("OriginalFilename"), file);
    }
    // The four numbers of the fixed part as well.
    DWORD handle = 0;
    const std::string host = Deliverable(pixwell::kHostFileName);
    std::vector<BYTE> data(GetFileVersionInfoSizeA(host.c_str(), &handle));
    ASSERT_FALSE(data.empty());
    ASSERT_TRUE(GetFileVersionInfoA(host.c_str(), handle, static_cast<DWORD>(data.size()), data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, (1u << 16) | 0u);
    EXPECT_EQ(fixed->dwFileVersionLS, (1u << 16) | 37u);
}

// ---- The about box ------------------------------------------------------------------------------

class AboutBox : public ::testing::Test {
protected:
    fw::FormPtr<TAboutWindow> NewAbout(std::string versionFile = {})
    {
        return fw::CreateForm<TAboutWindow>(std::move(versionFile), [this](HWND owner, const std::string& address) {
            opened.emplace_back(owner, address);
        });
    }
    std::vector<std::pair<HWND, std::string>> opened;
};

TEST_F(AboutBox, ShowsItsOwnBannerAndNoTextCoversAnother)
{
    auto a = NewAbout();
    EXPECT_EQ(a->Image->GetBounds(), (fw::Bounds{0, 0, 360, 90})) << "the program's own banner, at full width";
    EXPECT_EQ(a->Image->Picture().Width(), 360);
    EXPECT_EQ(a->Image->Picture().Height(), 90);
    // The version and the link follow their labels, even where the font
    // runs wider than designed, and the link stays inside the box.
    for (const auto& [label, next] : {std::pair<fw::Window*, fw::Window*>{a->Label1.get(), a->lbVersion.get()},
                                      std::pair<fw::Window*, fw::Window*>{a->Label2.get(), a->Label3.get()}}) {
        EXPECT_EQ(next->Top(), label->Top());
        EXPECT_GT(next->Left(), label->Left() + label->Width()) << next->Text();
    }
    EXPECT_LE(a->Label3->Left() + a->Label3->Width(), a->ClientWidth());
    EXPECT_LT(a->Label2->Top() + a->Label2->Height(), a->btnClose->Top());
}

TEST_F(AboutBox, ShowsTheProgramsFileVersionAsStored)
{
    auto a = NewAbout();
    EXPECT_EQ(a->lbVersion->Caption(), "1.0.1.37");
    EXPECT_EQ(a->lbVersion->Caption(), TVersionInfo(fw::ModuleFileName()).GetFileVersion());

    // Another file's version, exactly as stored; none at all leaves nothing
    // after "Version:".
    EXPECT_EQ(NewAbout(TestLibrary("verinfo_several_translations"))->lbVersion->Caption(), " 2.0  (Ausgabe 7) ");
    EXPECT_EQ(NewAbout(TestLibrary("verinfo_no_translation"))->lbVersion->Caption(), "");
    EXPECT_EQ(NewAbout(TestLibrary("verinfo_no_version"))->lbVersion->Caption(), "");
}

TEST_F(AboutBox, TheLinkOpensTheFullAddress)
{
    auto a = NewAbout();
    SendMessageA(a->Label3->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    SendMessageA(a->Label3->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    EXPECT_THAT(opened, ElementsAre(std::make_pair(a->Handle(), std::string("https://vistrel.org/plugins"))));
    // The caption is the address's bare host name.
    EXPECT_EQ(a->Label3->Caption(), "vistrel.org");
}

TEST_F(AboutBox, CloseEnterEscapeAndTheCloseBoxEndIt)
{
    enum Way { button, enter, escape, closeBox };
    for (const Way way : {button, enter, escape, closeBox}) {
        auto a = NewAbout();
        FormScript script(*a);
        fw::Bounds shown;
        script.Then([&] {
            shown = a->GetBounds();
            switch (way) {
            case button: Press(*a->btnClose); break;
            case enter: PostMessageA(a->btnClose->Handle(), WM_KEYDOWN, VK_RETURN, 1); break;
            case escape: PostMessageA(a->btnClose->Handle(), WM_KEYDOWN, VK_ESCAPE, 1); break;
            case closeBox: PostMessageA(a->Handle(), WM_CLOSE, 0, 0); break;
            }
        });
        EXPECT_EQ(a->ShowModal(), way == closeBox ? fw::mrCancel : fw::mrOk) << way;
        EXPECT_TRUE(script.Finished()) << way;
        EXPECT_FALSE(a->Visible());
        // Centred on the screen.
        EXPECT_EQ(shown.left, (GetSystemMetrics(SM_CXSCREEN) - shown.width) / 2) << way;
        EXPECT_EQ(shown.top, (GetSystemMetrics(SM_CYSCREEN) - shown.height) / 2) << way;
    }
}

} // namespace
