// The seam through which tests answer dialogs instead of the user. Production code never installs a
// responder; platform/ui/testing/scripted_dialogs.h is the one implementation.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/ui/dialogs.h"

namespace ui {

enum class DialogKind { MsgBox, InputBox, OpenFile, SaveFile, OpenFiles };

// What a dialog showed, as the user would have seen it (the title already resolved).
struct ShownDialog {
    DialogKind kind = DialogKind::MsgBox;
    std::string title;
    std::string text;               // prompt; for a file dialog, the file name offered
    int flags = 0;                  // MsgBox only
    std::string defaultText;        // InputBox only
    FileDialogOptions fileOptions;  // file dialogs only
};

class DialogResponder {
  public:
    virtual int respondToMsgBox(const ShownDialog& shown) = 0;
    virtual std::optional<std::string> respondToInputBox(const ShownDialog& shown) = 0;
    virtual std::optional<std::string> respondToFileDialog(const ShownDialog& shown) = 0;
    // A dialog for several files; a responder that does not answer them cancels it.
    virtual std::optional<std::vector<std::string>> respondToOpenFiles(
        const ShownDialog& /*shown*/) {
        return std::nullopt;
    }

  protected:
    ~DialogResponder() = default;
};

// Installs `responder` (nullptr: real dialogs again). Returns the one it replaces.
DialogResponder* setDialogResponder(DialogResponder* responder);

}  // namespace ui
