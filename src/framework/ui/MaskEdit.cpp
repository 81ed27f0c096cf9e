#include "ui/MaskEdit.h"
#include "base/Text.h"

#include <cctype>

namespace fw {

namespace {

constexpr char kPositionKinds[] = "09#LlAaCc";

bool IsPositionKind(char c) noexcept
{
    for (const char* k = kPositionKinds; *k; ++k)
        if (*k == c)
            return true;
    return false;
}

// Holds the clipboard open for one read.
class OpenClipboardGuard {
public:
    explicit OpenClipboardGuard(HWND owner) : open_(OpenClipboard(owner) != FALSE) {}
    ~OpenClipboardGuard()
    {
        if (open_)
            CloseClipboard();
    }
    OpenClipboardGuard(const OpenClipboardGuard&) = delete;
    OpenClipboardGuard& operator=(const OpenClipboardGuard&) = delete;
    bool IsOpen() const noexcept { return open_; }

private:
    bool open_;
};

std::string ClipboardText(HWND owner)
{
    OpenClipboardGuard clipboard(owner);
    if (!clipboard.IsOpen())
        return {};
    HANDLE data = GetClipboardData(CF_TEXT);
    if (!data)
        return {};
    const auto* text = static_cast<const char*>(GlobalLock(data));
    if (!text)
        return {};
    // The block may lack a terminator: stop at its end.
    const std::size_t size = GlobalSize(data);
    std::size_t length = 0;
    while (length < size && text[length])
        ++length;
    std::string result(text, length);
    GlobalUnlock(data);
    return result;
}

} // namespace

// --- EditMask ----------------------------------------------------------------

EditMask::EditMask(std::string_view mask)
{
    std::string_view positions = mask;
    const std::size_t first = mask.find(';');
    if (first != std::string_view::npos) {
        positions = mask.substr(0, first);
        const std::string_view rest = mask.substr(first + 1);
        if (!rest.empty())
            saveLiterals_ = rest[0] != '0';
        const std::size_t second = rest.find(';');
        if (second != std::string_view::npos && second + 1 < rest.size())
            blank_ = rest[second + 1];
    }
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const char c = positions[i];
        if (c == '!' && i == 0) {
            leadingBlanks_ = true;
        } else if (c == '\\' && i + 1 < positions.size()) {
            positions_.push_back({0, positions[++i]});
        } else if (IsPositionKind(c)) {
            positions_.push_back({c, 0});
        } else {
            positions_.push_back({0, c});
        }
    }
}

bool EditMask::IsLiteral(std::size_t index) const noexcept
{
    return index < positions_.size() && positions_[index].kind == 0;
}

bool EditMask::IsOptional(std::size_t index) const noexcept
{
    if (index >= positions_.size())
        return false;
    const char kind = positions_[index].kind;
    return kind == '9' || kind == '#' || kind == 'l' || kind == 'a' || kind == 'c';
}

bool EditMask::Accepts(std::size_t index, char c) const noexcept
{
    if (index >= positions_.size() || IsLiteral(index))
        return false;
    const auto u = static_cast<unsigned char>(c);
    switch (positions_[index].kind) {
    case '0':
    case '9': return std::isdigit(u) != 0;
    case '#': return std::isdigit(u) || c == '+' || c == '-';
    case 'L':
    case 'l': return std::isalpha(u) != 0;
    case 'A':
    case 'a': return std::isalnum(u) != 0;
    default: return u >= 32;
    }
}

std::string EditMask::Empty() const
{
    std::string text;
    for (const Position& p : positions_)
        text += p.kind ? blank_ : p.literal;
    return text;
}

bool EditMask::IsFormatted(std::string_view text) const noexcept
{
    if (text.size() != positions_.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (IsLiteral(i) && text[i] != positions_[i].literal)
            return false;
    return true;
}

std::string EditMask::Format(std::string_view text) const
{
    std::string result = Empty();
    if (IsFormatted(text)) {
        for (std::size_t i = 0; i < text.size(); ++i)
            if (!IsLiteral(i) && Accepts(i, text[i]))
                result[i] = text[i];
        return result;
    }
    std::vector<std::size_t> inputs;
    for (std::size_t i = 0; i < positions_.size(); ++i)
        if (!IsLiteral(i))
            inputs.push_back(i);
    std::string chars;
    for (const char c : text)
        chars += (c == ' ' || c == blank_) ? '\0' : c;
    if (chars.size() > inputs.size())
        chars.resize(inputs.size());
    const std::size_t offset = leadingBlanks_ ? inputs.size() - chars.size() : 0;
    for (std::size_t k = 0; k < chars.size(); ++k) {
        const std::size_t index = inputs[offset + k];
        if (chars[k] && Accepts(index, chars[k]))
            result[index] = chars[k];
    }
    return result;
}

std::size_t EditMask::NextInput(std::size_t index) const noexcept
{
    while (index < positions_.size() && IsLiteral(index))
        ++index;
    return index;
}

std::size_t EditMask::PreviousInput(std::size_t index) const noexcept
{
    while (index > 0) {
        --index;
        if (!IsLiteral(index))
            return index;
    }
    return std::string::npos;
}

// --- MaskEdit ----------------------------------------------------------------

MaskEdit::MaskEdit(Window& parent, const Bounds& bounds, std::string_view mask)
    : Edit(parent, bounds), mask_(mask)
{
    SetMaxLength(static_cast<int>(mask_.Size()));
    SetText(mask_.Empty());
}

void MaskEdit::Selection(std::size_t& start, std::size_t& end) const
{
    DWORD s = 0, e = 0;
    SendMessageA(Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
    start = s;
    end = e;
}

void MaskEdit::Apply(const std::string& text, std::size_t caret)
{
    if (text != Text())
        SetText(text);
    SendMessageA(Handle(), EM_SETSEL, caret, static_cast<LPARAM>(caret));
}

std::string MaskEdit::BlankedText(std::size_t start, std::size_t end) const
{
    std::string text = Text();
    for (std::size_t i = start; i < end && i < text.size(); ++i)
        if (!mask_.IsLiteral(i))
            text[i] = mask_.BlankChar();
    return text;
}

void MaskEdit::ClearSelection()
{
    std::size_t start = 0, end = 0;
    Selection(start, end);
    Apply(BlankedText(start, end), start);
}

void MaskEdit::Cut()
{
    SendMessageA(Handle(), WM_COPY, 0, 0);
    ClearSelection();
}

bool MaskEdit::TypeChar(char c)
{
    std::size_t start = 0, end = 0;
    Selection(start, end);
    std::string text = BlankedText(start, end);
    const std::size_t index = mask_.NextInput(start);
    if (index >= mask_.Size())
        return false;
    if (c == ' ' && mask_.IsOptional(index)) {
        text[index] = mask_.BlankChar();
    } else if (mask_.Accepts(index, c)) {
        text[index] = c;
    } else {
        return false;
    }
    Apply(text, mask_.NextInput(index + 1));
    return true;
}

void MaskEdit::DeleteBack()
{
    std::size_t start = 0, end = 0;
    Selection(start, end);
    if (start != end) {
        Apply(BlankedText(start, end), start);
        return;
    }
    const std::size_t index = mask_.PreviousInput(start);
    if (index == std::string::npos)
        return;
    std::string text = Text();
    text[index] = mask_.BlankChar();
    Apply(text, index);
}

void MaskEdit::DeleteForward()
{
    std::size_t start = 0, end = 0;
    Selection(start, end);
    if (start != end) {
        Apply(BlankedText(start, end), start);
        return;
    }
    const std::size_t index = mask_.NextInput(start);
    if (index >= mask_.Size())
        return;
    std::string text = Text();
    text[index] = mask_.BlankChar();
    Apply(text, start);
}

void MaskEdit::Paste()
{
    for (const char c : ClipboardText(Handle()))
        if (!TypeChar(c))
            break;
}

LRESULT MaskEdit::WndProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_SETTEXT: {
        // Version 6 of the common controls makes the edit a Unicode window:
        // a subclass then sees WM_SETTEXT's text as wide characters, even
        // when it was sent with SendMessageA.
        if (IsWindowUnicode(Handle())) {
            const std::wstring text = AnsiToWide(
                mask_.Format(lParam ? WideToAnsi(reinterpret_cast<const wchar_t*>(lParam)) : std::string()));
            return Edit::WndProc(msg, wParam, reinterpret_cast<LPARAM>(text.c_str()));
        }
        const std::string text = mask_.Format(lParam ? reinterpret_cast<const char*>(lParam) : "");
        return Edit::WndProc(msg, wParam, reinterpret_cast<LPARAM>(text.c_str()));
    }
    case WM_CHAR: {
        if (!PassKeyPress(OnKeyPress, wParam))
            return 0;
        if (ReadOnly())
            return DefaultHandler(msg, wParam, lParam);
        const auto c = static_cast<unsigned char>(wParam);
        switch (c) {
        case 8: DeleteBack(); return 0;              // Backspace
        case 22: Paste(); return 0;                  // Ctrl+V
        case 24: Cut(); return 0;                    // Ctrl+X
        case 1: SelectAll(); return 0;               // Ctrl+A
        default: break;
        }
        if (c < 32)
            return DefaultHandler(msg, wParam, lParam);
        if (!TypeChar(static_cast<char>(c)))
            MessageBeep(MB_OK);
        return 0;
    }
    case WM_KEYDOWN:
        if (wParam == VK_DELETE && !ReadOnly()) {
            if (PassKey(OnKeyDown, wParam))
                DeleteForward();
            return 0;
        }
        break;
    case WM_PASTE:
        if (!ReadOnly())
            Paste();
        return 0;
    case WM_CUT:
        if (!ReadOnly())
            Cut();
        return 0;
    case WM_CLEAR:
        if (!ReadOnly())
            ClearSelection();
        return 0;
    default: break;
    }
    return Edit::WndProc(msg, wParam, lParam);
}

} // namespace fw
