#include "platform/ui/testing/scripted_dialogs.h"

namespace ui {

ScriptedDialogs::ScriptedDialogs() : m_previous(setDialogResponder(this)) {}

ScriptedDialogs::~ScriptedDialogs() {
    setDialogResponder(m_previous);
}

void ScriptedDialogs::answerMsgBox(int button) {
    m_msgBoxAnswers.push_back(button);
}
void ScriptedDialogs::answerInputBox(std::string text) {
    m_textAnswers.emplace_back(std::move(text));
}
void ScriptedDialogs::cancelInputBox() {
    m_textAnswers.emplace_back(std::nullopt);
}
void ScriptedDialogs::answerFileDialog(std::string path) {
    m_fileAnswers.emplace_back(std::move(path));
}
void ScriptedDialogs::cancelFileDialog() {
    m_fileAnswers.emplace_back(std::nullopt);
}
void ScriptedDialogs::answerOpenFiles(std::vector<std::string> paths) {
    m_filesAnswers.push_back({true, std::move(paths)});
}
void ScriptedDialogs::cancelOpenFiles() {
    m_filesAnswers.push_back({});
}

void ScriptedDialogs::reset() {
    m_msgBoxAnswers.clear();
    m_textAnswers.clear();
    m_fileAnswers.clear();
    m_filesAnswers.clear();
    m_shown.clear();
    m_unanswered = 0;
}

template <class Answer>
Answer ScriptedDialogs::next(std::deque<Answer>& queue, const ShownDialog& shown,
                             Answer unanswered) {
    m_shown.push_back(shown);
    if (queue.empty()) {
        ++m_unanswered;
        return unanswered;
    }
    Answer answer = std::move(queue.front());
    queue.pop_front();
    return answer;
}

int ScriptedDialogs::respondToMsgBox(const ShownDialog& shown) {
    return next(m_msgBoxAnswers, shown, msgBoxDefaultAnswer(shown.flags));
}

std::optional<std::string> ScriptedDialogs::respondToInputBox(const ShownDialog& shown) {
    return next<std::optional<std::string>>(m_textAnswers, shown, std::nullopt);
}

std::optional<std::string> ScriptedDialogs::respondToFileDialog(const ShownDialog& shown) {
    return next<std::optional<std::string>>(m_fileAnswers, shown, std::nullopt);
}

std::optional<std::vector<std::string>> ScriptedDialogs::respondToOpenFiles(
    const ShownDialog& shown) {
    FilesAnswer answer = next(m_filesAnswers, shown, FilesAnswer{});
    if (!answer.chosen)
        return std::nullopt;
    return std::move(answer.paths);
}

}  // namespace ui
