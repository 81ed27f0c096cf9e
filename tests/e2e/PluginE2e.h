// Helpers shared by the end-to-end tests of the plug-ins (beside those of
// VistrelE2e.h): checking a plug-in on the choose page, and decoding a JPEG
// file to compare it with the captured pattern.
#pragma once
#include "E2eDriver.h"
#include "VistrelE2e.h"

#include <commctrl.h>

#include <csetjmp>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace e2e {

inline constexpr char kDialogClass[] = "#32770";

// Checks the plug-in's row on the choose page with a real click on its check
// box. Empty, or what went wrong.
inline std::string CheckPluginRow(HWND plugins, const char* caption)
{
    int row = -1;
    WaitFor([&] { return (row = RowWithCaption(plugins, caption)) >= 0; }, 5s);
    if (row < 0)
        return "the registered plug-in is not listed";
    if (ListViewItemState(plugins, row, LVIS_STATEIMAGEMASK) == kCheckedState)
        return "the plug-in is checked already";
    // The check box sits just left of the item's icon place.
    const RECT icon = ListViewItemRect(plugins, row, LVIR_ICON);
    ClickAt(icon.left - GetSystemMetrics(SM_CXSMICON) / 2, (icon.top + icon.bottom) / 2);
    if (!WaitFor([&] { return ListViewItemState(plugins, row, LVIS_STATEIMAGEMASK) == kCheckedState; }, 3s))
        return "a click on the row's check box did not check it";
    return {};
}

// A JPEG file decoded by libjpeg into 8-bit RGB, top-down.
struct DecodedJpeg {
    bool valid = false;
    int width = 0, height = 0, components = 0;
    std::vector<unsigned char> rgb;
};

namespace detail {

struct JpegErrorExit {
    jpeg_error_mgr manager;
    std::jmp_buf back;
};

inline void LeaveDecoding(j_common_ptr info)
{
    std::longjmp(reinterpret_cast<JpegErrorExit*>(info->err)->back, 1);
}

} // namespace detail

inline DecodedJpeg DecodeJpeg(const std::vector<unsigned char>& bytes)
{
    DecodedJpeg image;
    jpeg_decompress_struct info{};
    detail::JpegErrorExit error{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = detail::LeaveDecoding;
    if (setjmp(error.back)) {
        jpeg_destroy_decompress(&info);
        return DecodedJpeg{};
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    image.components = info.num_components;
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    image.width = static_cast<int>(info.output_width);
    image.height = static_cast<int>(info.output_height);
    image.rgb.resize(static_cast<size_t>(image.width) * image.height * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.rgb.data() + static_cast<size_t>(info.output_scanline) * image.width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    image.valid = true;
    return image;
}

// Mean absolute difference, over all channels, between the decoded image and
// the pattern of the screen rectangle whose top-left corner is `origin`.
inline double MeanDifferenceFromPattern(const DecodedJpeg& image, POINT origin)
{
    double total = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const COLORREF want = PatternWindow::PatternColour(origin.x + x, origin.y + y);
            const unsigned char* got = &image.rgb[(static_cast<size_t>(y) * image.width + x) * 3];
            total += std::abs(got[0] - GetRValue(want)) + std::abs(got[1] - GetGValue(want)) +
                     std::abs(got[2] - GetBValue(want));
        }
    return total / (3.0 * image.width * image.height);
}

} // namespace e2e
