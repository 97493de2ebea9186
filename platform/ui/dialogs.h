// Message boxes, input boxes and file dialogs with Visual Basic's flags and results.
//
// Each call shows a real, application-modal Qt dialog and returns what the user chose. A test
// installs a scripted responder (platform/ui/testing/scripted_dialogs.h) instead: it answers in
// advance and records what would have been shown. UI thread only; the modal loop keeps timers and
// posted messages running, as VB's modal boxes did.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

// MsgBox buttons (the low four bits of the flags).
inline constexpr int vbOKOnly = 0;
inline constexpr int vbOKCancel = 1;
inline constexpr int vbAbortRetryIgnore = 2;
inline constexpr int vbYesNoCancel = 3;
inline constexpr int vbYesNo = 4;
inline constexpr int vbRetryCancel = 5;
// MsgBox icons.
inline constexpr int vbCritical = 16;
inline constexpr int vbQuestion = 32;
inline constexpr int vbExclamation = 48;
inline constexpr int vbInformation = 64;
// MsgBox default button, counted in the order the buttons are listed above.
inline constexpr int vbDefaultButton1 = 0;
inline constexpr int vbDefaultButton2 = 256;
inline constexpr int vbDefaultButton3 = 512;
inline constexpr int vbDefaultButton4 = 768;
// MsgBox modality and placement.
inline constexpr int vbApplicationModal = 0;
inline constexpr int vbSystemModal = 4096;
inline constexpr int vbMsgBoxHelpButton = 16384;
inline constexpr int vbMsgBoxSetForeground = 65536;
inline constexpr int vbMsgBoxRight = 524288;
inline constexpr int vbMsgBoxRtlReading = 1048576;

// MsgBox results: the button the user chose.
inline constexpr int vbOK = 1;
inline constexpr int vbCancel = 2;
inline constexpr int vbAbort = 3;
inline constexpr int vbRetry = 4;
inline constexpr int vbIgnore = 5;
inline constexpr int vbYes = 6;
inline constexpr int vbNo = 7;

inline constexpr int kButtonsMask = 0x0F;
inline constexpr int kIconMask = 0xF0;
inline constexpr int kDefaultButtonMask = 0xF00;

// The title a box without its own title shows: the application's display name.
std::string applicationTitle();

// Shows `prompt` with the buttons, icon and default button of `flags`; an empty `title` stands
// for the application's title. Returns the chosen button (vbOK ... vbNo). A box closed without a
// button answers as Escape does: Cancel where there is one, else No, Abort or OK.
// Flags naming no known button set (6 to 15) show nothing and return 0.
int MsgBox(std::string_view prompt, int flags = vbOKOnly, std::string_view title = {});
// The button Enter would choose in a box of these flags; 0 for flags naming no button set.
int msgBoxDefaultAnswer(int flags);

// Asks for a line of text. Returns the text on OK (possibly empty) and nothing on Cancel, so the
// caller can tell the two apart; VB's own InputBox answered "" for both.
std::optional<std::string> InputBox(std::string_view prompt, std::string_view title = {},
                                    std::string_view defaultText = {});

// What the common dialog is set up with before ShowOpen or ShowSave.
struct FileDialogOptions {
    std::string title;       // DialogTitle; empty: the platform's own
    std::string filter;      // Filter in VB form: "Text (*.txt)|*.txt|All files (*.*)|*.*"
    std::string initialDir;  // InitDir; empty: the folder of `fileName`, else the current one
    std::string fileName;    // FileName offered at first
};

// Open dialog for an existing file. Returns the chosen path, or nothing when cancelled.
std::optional<std::string> ShowOpen(const FileDialogOptions& options);
// Save dialog. Returns the chosen path, or nothing when cancelled.
std::optional<std::string> ShowSave(const FileDialogOptions& options);
// Open dialog for one or more existing files. Returns the chosen paths in the dialog's order, or
// nothing when cancelled.
std::optional<std::vector<std::string>> ShowOpenFiles(const FileDialogOptions& options);

// Translates a VB filter ("Description|*.a;*.b|...") into Qt's name filters joined by ";;"
// ("Description (*.a *.b);;..."). A description that already ends in a parenthesised pattern has it
// replaced, so the patterns are shown once. A pattern without a description is kept whole.
std::string qtNameFilters(std::string_view vbFilter);

}  // namespace ui
