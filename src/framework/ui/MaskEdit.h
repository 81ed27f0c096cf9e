// A single-line edit whose text follows an edit mask: a fixed number of
// character positions, each taking one kind of character, and literal
// characters between them. Typing overwrites the position at the caret and
// moves on; Backspace and Delete blank positions; pasted text goes in as if
// typed. Blank positions show the mask's blank character.
//
// Masks: "<positions>[;<save literals 0|1>[;<blank character>]]", for
// example "!999;1;_" (three optional digits, blanks at the front, "_"
// shown for a blank). Position characters:
//   0 digit   9 digit or blank   # digit, sign or blank
//   L letter  l letter or blank  A letter or digit  a letter, digit or blank
//   C any character  c any character or blank
//   \x  the literal x;  any other character is a literal.
// A leading "!" puts the blanks of a shorter text at the front when the
// text is set by the program (right-aligned), instead of at the end.
#pragma once
#include "ui/Controls.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace fw {

// The rules of a mask, apart from any window.
class EditMask {
public:
    explicit EditMask(std::string_view mask);

    // Characters of the edit text, literals included.
    std::size_t Size() const noexcept { return positions_.size(); }
    bool IsLiteral(std::size_t index) const noexcept;
    bool Accepts(std::size_t index, char c) const noexcept;
    // Whether the position may stay blank.
    bool IsOptional(std::size_t index) const noexcept;
    char BlankChar() const noexcept { return blank_; }
    bool SaveLiterals() const noexcept { return saveLiterals_; }
    bool LeadingBlanks() const noexcept { return leadingBlanks_; }

    // All positions blank, literals in place.
    std::string Empty() const;
    // The edit text for `text`: a text already in the mask's form is kept
    // (characters a position refuses become blanks); any other fills the
    // positions with its characters in order (spaces and blank characters
    // count as blanks), right-aligned with a leading "!".
    std::string Format(std::string_view text) const;

    // The first position at or after `index` that is not a literal (Size()
    // when there is none), and the last one before `index` (npos if none).
    std::size_t NextInput(std::size_t index) const noexcept;
    std::size_t PreviousInput(std::size_t index) const noexcept;

private:
    struct Position {
        char kind;    // one of "09#LlAaCc", or 0 for a literal
        char literal; // the literal character
    };
    bool IsFormatted(std::string_view text) const noexcept;

    std::vector<Position> positions_;
    bool leadingBlanks_ = false;
    bool saveLiterals_ = true;
    char blank_ = '_';
};

class MaskEdit : public Edit {
public:
    MaskEdit(Window& parent, const Bounds& bounds, std::string_view mask);

    const EditMask& Mask() const noexcept { return mask_; }
    // The text as shown, blanks included. Setting the text (also through
    // WM_SETTEXT) puts it into the mask's form.

    // What one typed character does at the caret: true when it was taken.
    bool TypeChar(char c);

protected:
    LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Selection(std::size_t& start, std::size_t& end) const;
    // Sets the edit text (when it changed) and puts the caret at `caret`.
    void Apply(const std::string& text, std::size_t caret);
    // The text with the input positions in [start, end) blanked.
    std::string BlankedText(std::size_t start, std::size_t end) const;
    void ClearSelection();
    // WM_COPY, then the selection is blanked.
    void Cut();
    void DeleteBack();
    void DeleteForward();
    void Paste();

    EditMask mask_;
};

} // namespace fw
