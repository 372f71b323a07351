#pragma once
// Window utilities: topmost placement, filling a list or combo box in one
// batch, and opening the HTML Help file.
#include <windows.h>

#include <htmlhelp.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qb {

// Puts the window into the topmost band (or takes it out), keeping its place and
// size, and shows it. The handle is given as a 32-bit integer, as window handles
// are exchanged between programs.
void SetAlwaysOnTopMode(std::int32_t hWndOrForm, bool OnTop);

// Appends arr[First..Last] (by default the whole array) to a list box or a combo
// box, emptying it first when clearIt; drawing is suspended during the fill.
// Any other kind of control: no effect. Bounds outside the array are clipped to it.
// A list box is left able to scroll sideways as far as its widest row.
void ArrayToListBox(HWND ctrl, const std::vector<std::string>& arr, bool clearIt,
                    std::optional<long> First = std::nullopt, std::optional<long> Last = std::nullopt);

// How the texts given to ArrayToListBox are encoded: the system's ANSI code
// page (the account rows, as the registry gives them) or UTF-8 (the presets).
enum class TextCoding { Ansi, Utf8 };

// The same, for texts in the given coding; UTF-8 rows are shown with all their
// letters, whatever the system's code page.
void ArrayToListBox(HWND ctrl, const std::vector<std::string>& arr, TextCoding coding, bool clearIt,
                    std::optional<long> First = std::nullopt, std::optional<long> Last = std::nullopt);

// The same, for wide texts (the account rows, with all their letters).
void ArrayToListBox(HWND ctrl, const std::vector<std::wstring>& arr, bool clearIt,
                    std::optional<long> First = std::nullopt, std::optional<long> Last = std::nullopt);

// The folder of a module's path: everything before its last backslash, or the
// drive's root itself ("C:\") for a module at the root.
std::wstring FolderOfModulePath(const std::wstring& modulePath);
// The folder of the program's executable, as FolderOfModulePath gives it.
std::wstring ExecutableFolder();
// The folder followed directly by "\Quillbeck.chm" (at a drive's root, two
// backslashes in a row, which HTML Help opens).
std::wstring HelpFilePathFor(const std::wstring& exeFolder);

inline constexpr wchar_t kHelpFileName[] = L"\\Quillbeck.chm";
inline constexpr wchar_t kMenuHelpTopic[] = L"html/Quillbeck.htm";

// Calls HtmlHelpW from hhctrl.ocx, loaded on first use (a command is one of
// <htmlhelp.h>'s HH_*; the program imports nothing from the component); the wide form, so that
// a help file in a folder of any name opens. A missing component or entry
// point, or any other error, is ignored: help never stops the program.
void CallHtmlHelp(HWND owner, const std::wstring& file, UINT command, DWORD_PTR data,
                  const wchar_t* component = L"hhctrl.ocx");

}  // namespace qb
