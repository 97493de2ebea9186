// Answers message boxes, input boxes and file dialogs in tests, and records what they showed.
//
// While a ScriptedDialogs exists no real dialog opens: each one takes the next answer queued for
// its kind. A dialog that finds none answers as Enter would (the default button; Cancel for input
// boxes and file dialogs) and is counted in unanswered(), so a test can insist every box was
// expected. Destroying it restores the responder that was installed before.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui/dialog_responder.h"

namespace ui {

class ScriptedDialogs final : private DialogResponder {
  public:
    ScriptedDialogs();
    ~ScriptedDialogs();
    ScriptedDialogs(const ScriptedDialogs&) = delete;
    ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

    void answerMsgBox(int button);          // vbOK ... vbNo
    void answerInputBox(std::string text);  // OK with this text (may be empty)
    void cancelInputBox();
    void answerFileDialog(std::string path);
    void cancelFileDialog();
    // A dialog for several files: OK with these paths, in this order; or Cancel.
    void answerOpenFiles(std::vector<std::string> paths);
    void cancelOpenFiles();

    // Every dialog shown so far, oldest first.
    const std::vector<ShownDialog>& shown() const { return m_shown; }
    int unanswered() const { return m_unanswered; }
    // Forgets queued answers and what was shown.
    void reset();

  private:
    int respondToMsgBox(const ShownDialog& shown) override;
    std::optional<std::string> respondToInputBox(const ShownDialog& shown) override;
    std::optional<std::string> respondToFileDialog(const ShownDialog& shown) override;
    std::optional<std::vector<std::string>> respondToOpenFiles(const ShownDialog& shown) override;

    template <class Answer>
    Answer next(std::deque<Answer>& queue, const ShownDialog& shown, Answer unanswered);

    DialogResponder* m_previous;
    std::deque<int> m_msgBoxAnswers;
    std::deque<std::optional<std::string>> m_textAnswers;
    std::deque<std::optional<std::string>> m_fileAnswers;
    struct FilesAnswer {
        bool chosen = false;
        std::vector<std::string> paths;
    };
    std::deque<FilesAnswer> m_filesAnswers;
    std::vector<ShownDialog> m_shown;
    int m_unanswered = 0;
};

}  // namespace ui
