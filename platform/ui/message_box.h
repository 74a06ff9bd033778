#pragma once
// Message boxes with the style flags and results the dialog code is written against.
#include <string>

class QWidget;

namespace platform::ui {

// Buttons (low nibble).
inline constexpr unsigned MB_OK = 0x00000000;
inline constexpr unsigned MB_OKCANCEL = 0x00000001;
inline constexpr unsigned MB_YESNOCANCEL = 0x00000003;
inline constexpr unsigned MB_YESNO = 0x00000004;
inline constexpr unsigned MB_TYPEMASK = 0x0000000F;
// Icons (second nibble).
inline constexpr unsigned MB_ICONSTOP = 0x00000010;
inline constexpr unsigned MB_ICONQUESTION = 0x00000020;
inline constexpr unsigned MB_ICONEXCLAMATION = 0x00000030;
inline constexpr unsigned MB_ICONINFORMATION = 0x00000040;
inline constexpr unsigned MB_ICONMASK = 0x000000F0;

// Results.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Shows a modal message box through the current modal seam. text and caption are CP932.
// Returns the IDxxx of the button pressed; closing the box counts as Cancel where there is one,
// as No for Yes/No and as OK for a lone OK.
int ShowMessageBox(QWidget* owner, const std::string& text, const std::string& caption, unsigned style = MB_OK);

}  // namespace platform::ui
