#include "platform/ui/dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>
#include <span>
#include <vector>

#include "platform/ui/dialog_responder.h"

namespace ui {

namespace {

DialogResponder* g_responder = nullptr;

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The buttons of each button set, in the order the default-button flags count them.
constexpr int kOkOnly[] = {vbOK};
constexpr int kOkCancel[] = {vbOK, vbCancel};
constexpr int kAbortRetryIgnore[] = {vbAbort, vbRetry, vbIgnore};
constexpr int kYesNoCancel[] = {vbYes, vbNo, vbCancel};
constexpr int kYesNo[] = {vbYes, vbNo};
constexpr int kRetryCancel[] = {vbRetry, vbCancel};
constexpr std::span<const int> kButtonSets[] = {kOkOnly,      kOkCancel, kAbortRetryIgnore,
                                                kYesNoCancel, kYesNo,    kRetryCancel};

struct ButtonPair {
    int code;
    QMessageBox::StandardButton qt;
};
constexpr ButtonPair kQtButtons[] = {
    {vbOK, QMessageBox::Ok},       {vbCancel, QMessageBox::Cancel}, {vbAbort, QMessageBox::Abort},
    {vbRetry, QMessageBox::Retry}, {vbIgnore, QMessageBox::Ignore}, {vbYes, QMessageBox::Yes},
    {vbNo, QMessageBox::No},
};

std::span<const int> buttonsOf(int flags) {
    const int set = flags & kButtonsMask;
    if (set >= static_cast<int>(std::size(kButtonSets)))
        return {};
    return kButtonSets[set];
}

QMessageBox::StandardButton qtButtonOf(int code) {
    for (const ButtonPair& pair : kQtButtons) {
        if (pair.code == code)
            return pair.qt;
    }
    return QMessageBox::NoButton;
}

int codeOf(QMessageBox::StandardButton button) {
    for (const ButtonPair& pair : kQtButtons) {
        if (pair.qt == button)
            return pair.code;
    }
    return 0;
}

QMessageBox::Icon qtIconOf(int flags) {
    switch (flags & kIconMask) {
        case vbCritical:
            return QMessageBox::Critical;
        case vbQuestion:
            return QMessageBox::Question;
        case vbExclamation:
            return QMessageBox::Warning;
        case vbInformation:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

// Windows lets Escape and the close box end a message box only when it has a Cancel button or is
// a plain OK box. Qt always lets a box be closed, so the boxes without Cancel answer their negative
// button (No, Abort): the answer that leaves things as they are.
int escapeAnswerOf(int flags) {
    const std::span<const int> buttons = buttonsOf(flags);
    if (std::find(buttons.begin(), buttons.end(), vbCancel) != buttons.end())
        return vbCancel;
    if (std::find(buttons.begin(), buttons.end(), vbNo) != buttons.end())
        return vbNo;
    if (std::find(buttons.begin(), buttons.end(), vbAbort) != buttons.end())
        return vbAbort;
    return vbOK;
}

std::string resolvedTitle(std::string_view title) {
    return title.empty() ? applicationTitle() : std::string(title);
}

QWidget* ownerWindow() {
    return QApplication::activeWindow();
}

// Runs a file dialog set up from `options`; the chosen paths, or none when cancelled.
QStringList execFileDialog(const FileDialogOptions& options, QFileDialog::AcceptMode mode,
                           QFileDialog::FileMode fileMode) {
    QString folder = qs(options.initialDir);
    if (folder.isEmpty() && !options.fileName.empty()) {
        folder = QFileInfo(qs(options.fileName)).path();
    }
    QFileDialog dialog(ownerWindow(), qs(options.title), folder);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(fileMode);
    // VB's save dialog asks before overwriting only when told to; the callers here never do.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    const QString filters = qs(qtNameFilters(options.filter));
    if (!filters.isEmpty())
        dialog.setNameFilters(filters.split(QStringLiteral(";;")));
    if (!options.fileName.empty())
        dialog.selectFile(QFileInfo(qs(options.fileName)).fileName());
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

std::optional<std::string> runFileDialog(const ShownDialog& shown, QFileDialog::AcceptMode mode) {
    if (g_responder)
        return g_responder->respondToFileDialog(shown);
    const QStringList chosen = execFileDialog(
        shown.fileOptions, mode,
        mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen.constFirst().toStdString();
}

std::string_view trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
        if (end == std::string_view::npos)
            return parts;
        start = end + 1;
    }
}

// Adds a non-empty `part` to `joined`, after `separator` when something came before.
void appendJoined(std::string& joined, std::string_view part, std::string_view separator) {
    if (part.empty())
        return;
    if (!joined.empty())
        joined += separator;
    joined += part;
}

// "*.bmp;*.gif" -> "*.bmp *.gif"
std::string qtPatterns(std::string_view vbPatterns) {
    std::string patterns;
    for (std::string_view pattern : split(vbPatterns, ';'))
        appendJoined(patterns, trimmed(pattern), " ");
    return patterns;
}

// "Text (*.txt)" -> "Text": the patterns are appended anew from the filter's pattern part.
std::string_view descriptionWithoutPatterns(std::string_view description) {
    description = trimmed(description);
    const auto open = description.rfind('(');
    if (!description.empty() && description.back() == ')' && open != std::string_view::npos) {
        description = trimmed(description.substr(0, open));
    }
    return description;
}

}  // namespace

DialogResponder* setDialogResponder(DialogResponder* responder) {
    DialogResponder* previous = g_responder;
    g_responder = responder;
    return previous;
}

std::string applicationTitle() {
    if (!QCoreApplication::instance())
        return {};
    return QGuiApplication::applicationDisplayName().toStdString();
}

int msgBoxDefaultAnswer(int flags) {
    const std::span<const int> buttons = buttonsOf(flags);
    if (buttons.empty())
        return 0;
    const std::size_t index = static_cast<std::size_t>((flags & kDefaultButtonMask) >> 8);
    // Windows falls back to the first button when the default names one the box lacks.
    return index < buttons.size() ? buttons[index] : buttons.front();
}

int MsgBox(std::string_view prompt, int flags, std::string_view title) {
    const std::span<const int> buttons = buttonsOf(flags);
    if (buttons.empty())
        return 0;
    ShownDialog shown;
    shown.kind = DialogKind::MsgBox;
    shown.title = resolvedTitle(title);
    shown.text = std::string(prompt);
    shown.flags = flags;
    if (g_responder)
        return g_responder->respondToMsgBox(shown);

    QMessageBox box(qtIconOf(flags), qs(shown.title), qs(prompt), QMessageBox::NoButton,
                    ownerWindow());
    for (int code : buttons)
        box.addButton(qtButtonOf(code));
    box.setDefaultButton(qtButtonOf(msgBoxDefaultAnswer(flags)));
    const int escape = escapeAnswerOf(flags);
    box.setEscapeButton(qtButtonOf(escape));
    box.setWindowModality(Qt::ApplicationModal);
    if (flags & (vbSystemModal | vbMsgBoxSetForeground)) {
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    }
    if (flags & vbMsgBoxRtlReading)
        box.setLayoutDirection(Qt::RightToLeft);
    box.exec();
    // Only the clicked button tells the truth: exec()'s result is not a button when the box was
    // ended any other way.
    QAbstractButton* clicked = box.clickedButton();
    if (clicked)
        return codeOf(box.standardButton(clicked));
    return escape;
}

std::optional<std::string> InputBox(std::string_view prompt, std::string_view title,
                                    std::string_view defaultText) {
    ShownDialog shown;
    shown.kind = DialogKind::InputBox;
    shown.title = resolvedTitle(title);
    shown.text = std::string(prompt);
    shown.defaultText = std::string(defaultText);
    if (g_responder)
        return g_responder->respondToInputBox(shown);

    QInputDialog dialog(ownerWindow());
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(qs(shown.title));
    dialog.setLabelText(qs(prompt));
    dialog.setTextValue(qs(defaultText));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue().toStdString();
}

std::optional<std::string> ShowOpen(const FileDialogOptions& options) {
    ShownDialog shown;
    shown.kind = DialogKind::OpenFile;
    shown.title = options.title;
    shown.text = options.fileName;
    shown.fileOptions = options;
    return runFileDialog(shown, QFileDialog::AcceptOpen);
}

std::optional<std::string> ShowSave(const FileDialogOptions& options) {
    ShownDialog shown;
    shown.kind = DialogKind::SaveFile;
    shown.title = options.title;
    shown.text = options.fileName;
    shown.fileOptions = options;
    return runFileDialog(shown, QFileDialog::AcceptSave);
}

std::optional<std::vector<std::string>> ShowOpenFiles(const FileDialogOptions& options) {
    ShownDialog shown;
    shown.kind = DialogKind::OpenFiles;
    shown.title = options.title;
    shown.text = options.fileName;
    shown.fileOptions = options;
    if (g_responder)
        return g_responder->respondToOpenFiles(shown);
    const QStringList chosen =
        execFileDialog(options, QFileDialog::AcceptOpen, QFileDialog::ExistingFiles);
    if (chosen.isEmpty())
        return std::nullopt;
    std::vector<std::string> paths;
    for (const QString& path : chosen)
        paths.push_back(path.toStdString());
    return paths;
}

std::string qtNameFilters(std::string_view vbFilter) {
    const std::vector<std::string_view> parts = split(vbFilter, '|');
    std::string filters;
    for (std::size_t i = 0; i < parts.size(); i += 2) {
        std::string filter;
        if (i + 1 < parts.size()) {
            const std::string_view description = descriptionWithoutPatterns(parts[i]);
            const std::string patterns = qtPatterns(parts[i + 1]);
            filter =
                description.empty() ? patterns : std::string(description) + " (" + patterns + ")";
        } else {
            filter = qtPatterns(parts[i]);
        }
        appendJoined(filters, filter, ";;");
    }
    return filters;
}

}  // namespace ui
