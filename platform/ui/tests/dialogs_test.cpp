#include "platform/ui/dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <functional>

#include "platform/core/messages.h"
#include "platform/ui/testing/scripted_dialogs.h"

namespace ui {
namespace {

// Acts on the modal dialog once it is up, from inside its own event loop, as a user would.
template <class Dialog>
void actOnModal(std::function<void(Dialog*)> act) {
    core::post([act = std::move(act)]() mutable {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        if (dialog) {
            act(dialog);
        } else {
            actOnModal<Dialog>(std::move(act));  // not up yet: look again on the next pump
        }
    });
}

TEST(MsgBoxFlags, DefaultAnswerFollowsTheDefaultButtonFlag) {
    struct Case {
        int flags;
        int answer;
    };
    static constexpr Case cases[] = {
        {vbOKOnly, vbOK},
        {vbOKCancel | vbDefaultButton2, vbCancel},
        {vbAbortRetryIgnore | vbDefaultButton3, vbIgnore},
        {vbYesNoCancel | vbQuestion | vbDefaultButton2, vbNo},
        {vbYesNo | vbCritical, vbYes},
        {vbRetryCancel | vbDefaultButton2 | vbSystemModal, vbCancel},
        {vbOKOnly | vbDefaultButton2, vbOK},  // a default the box lacks falls back to the first
        {vbYesNo | vbDefaultButton4, vbYes},
        {6, 0},  // no such button set
        {15 | vbInformation, 0},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.flags);
        EXPECT_EQ(msgBoxDefaultAnswer(row.flags), row.answer);
    }
}

TEST(ScriptedDialogs, AnswersMessageBoxesInOrderAndRecordsThem) {
    ScriptedDialogs dialogs;
    dialogs.answerMsgBox(vbNo);
    dialogs.answerMsgBox(vbYes);

    EXPECT_EQ(MsgBox("Are you sure?", vbYesNo | vbQuestion, "Warning!"), vbNo);
    EXPECT_EQ(MsgBox("Again?", vbYesNo), vbYes);
    EXPECT_EQ(MsgBox("Done", vbInformation), vbOK);  // nothing queued: Enter's answer

    ASSERT_EQ(dialogs.shown().size(), 3u);
    const ShownDialog& first = dialogs.shown()[0];
    EXPECT_EQ(first.kind, DialogKind::MsgBox);
    EXPECT_EQ(first.title, "Warning!");
    EXPECT_EQ(first.text, "Are you sure?");
    EXPECT_EQ(first.flags, vbYesNo | vbQuestion);
    EXPECT_EQ(dialogs.shown()[1].title, applicationTitle());  // no title: the application's
    EXPECT_EQ(dialogs.unanswered(), 1);
}

TEST(ScriptedDialogs, InputBoxCancelDiffersFromEmptyOk) {
    ScriptedDialogs dialogs;
    dialogs.answerInputBox("");
    dialogs.cancelInputBox();
    dialogs.answerInputBox("smtp.example.com");

    const std::optional<std::string> emptyOk = InputBox("Name needed", "Add");
    const std::optional<std::string> cancelled = InputBox("Name needed", "Add");
    const std::optional<std::string> server =
        InputBox("What is your SMTP server address?", "Send mail error!", "mail");
    const std::optional<std::string> unanswered = InputBox("Number needed");

    ASSERT_TRUE(emptyOk.has_value());
    EXPECT_EQ(*emptyOk, "");
    EXPECT_FALSE(cancelled.has_value());
    EXPECT_EQ(server, "smtp.example.com");
    EXPECT_FALSE(unanswered.has_value());
    EXPECT_EQ(dialogs.unanswered(), 1);
    ASSERT_EQ(dialogs.shown().size(), 4u);
    EXPECT_EQ(dialogs.shown()[2].kind, DialogKind::InputBox);
    EXPECT_EQ(dialogs.shown()[2].title, "Send mail error!");
    EXPECT_EQ(dialogs.shown()[2].defaultText, "mail");
}

TEST(ScriptedDialogs, AnswersFileDialogs) {
    ScriptedDialogs dialogs;
    dialogs.answerFileDialog("/tmp/book.wca");
    dialogs.cancelFileDialog();

    const FileDialogOptions exportTo{"Where do you want to export the file to?",
                                     "Belltale address book *.wca|*.wca", "",
                                     "c:\\AddressBook.wca"};
    EXPECT_EQ(ShowSave(exportTo), "/tmp/book.wca");
    EXPECT_FALSE(ShowOpen({"Where do you want to import the file from?", "", "", ""}));

    ASSERT_EQ(dialogs.shown().size(), 2u);
    EXPECT_EQ(dialogs.shown()[0].kind, DialogKind::SaveFile);
    EXPECT_EQ(dialogs.shown()[0].title, exportTo.title);
    EXPECT_EQ(dialogs.shown()[0].text, "c:\\AddressBook.wca");
    EXPECT_EQ(dialogs.shown()[0].fileOptions.filter, exportTo.filter);
    EXPECT_EQ(dialogs.shown()[1].kind, DialogKind::OpenFile);
    EXPECT_EQ(dialogs.unanswered(), 0);
}

TEST(ScriptedDialogs, AnswersDialogsForSeveralFiles) {
    ScriptedDialogs dialogs;
    dialogs.answerOpenFiles({"/tmp/b.wav", "/tmp/a.wav"});
    dialogs.cancelOpenFiles();
    const FileDialogOptions options{"Select wave file(s)", "Sounds (*.wav)|*.wav", "/tmp", "a.wav"};
    EXPECT_EQ(ShowOpenFiles(options), (std::vector<std::string>{"/tmp/b.wav", "/tmp/a.wav"}));
    EXPECT_FALSE(ShowOpenFiles(options));
    EXPECT_FALSE(ShowOpenFiles(options));  // nothing queued: cancelled, and counted
    ASSERT_EQ(dialogs.shown().size(), 3u);
    EXPECT_EQ(dialogs.shown()[0].kind, DialogKind::OpenFiles);
    EXPECT_EQ(dialogs.shown()[0].fileOptions.initialDir, "/tmp");
    EXPECT_EQ(dialogs.unanswered(), 1);
}

TEST(ScriptedDialogs, ResetForgetsAndDestructionRestoresThePreviousResponder) {
    ScriptedDialogs outer;
    outer.answerMsgBox(vbCancel);
    {
        ScriptedDialogs inner;
        inner.answerMsgBox(vbRetry);
        inner.answerMsgBox(vbIgnore);
        EXPECT_EQ(MsgBox("Inner", vbAbortRetryIgnore), vbRetry);
        inner.reset();
        EXPECT_TRUE(inner.shown().empty());
        EXPECT_EQ(MsgBox("Inner", vbAbortRetryIgnore), vbAbort);  // vbIgnore was dropped
    }
    EXPECT_EQ(MsgBox("Outer", vbOKCancel), vbCancel);
    EXPECT_EQ(outer.shown().size(), 1u);
}

TEST(QtNameFilters, TranslatesVbFilters) {
    struct Case {
        const char* vb;
        const char* qt;
    };
    static constexpr Case cases[] = {
        {"Text (*.txt)|*.txt", "Text (*.txt)"},
        {"Wav files (*.wav)|*.wav", "Wav files (*.wav)"},
        {"Belltale address book *.wca|*.wca", "Belltale address book *.wca (*.wca)"},
        {"Pictures (*.bmp;*.gif)|*.bmp;*.gif|All files (*.*)|*.*",
         "Pictures (*.bmp *.gif);;All files (*.*)"},
        {"|*.ini", "*.ini"},
        {"Text|*.txt|*.log", "Text (*.txt);;*.log"},  // a pattern left without a description
        {"", ""},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.vb);
        EXPECT_EQ(qtNameFilters(row.vb), row.qt);
    }
}

TEST(RealMsgBox, ReturnsTheClickedButton) {
    struct Case {
        int flags;
        QMessageBox::StandardButton click;
        int answer;
        QMessageBox::Icon icon;
        QMessageBox::StandardButton defaultButton;
    };
    static constexpr Case cases[] = {
        {vbYesNo | vbExclamation | vbDefaultButton2, QMessageBox::No, vbNo, QMessageBox::Warning,
         QMessageBox::No},
        {vbYesNoCancel | vbQuestion, QMessageBox::Cancel, vbCancel, QMessageBox::Question,
         QMessageBox::Yes},
        {vbAbortRetryIgnore | vbCritical | vbDefaultButton3, QMessageBox::Retry, vbRetry,
         QMessageBox::Critical, QMessageBox::Ignore},
        {vbOKOnly | vbInformation, QMessageBox::Ok, vbOK, QMessageBox::Information,
         QMessageBox::Ok},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.flags);
        QString title;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
        bool clicked = false;
        actOnModal<QMessageBox>([&](QMessageBox* box) {
            title = box->windowTitle();
            icon = box->icon();
            defaultButton = box->standardButton(box->defaultButton());
            box->button(row.click)->click();
            clicked = true;
        });
        EXPECT_EQ(MsgBox("Sure?", row.flags, "More Help?"), row.answer);
        EXPECT_TRUE(clicked);
        EXPECT_EQ(title, "More Help?");
        EXPECT_EQ(icon, row.icon);
        EXPECT_EQ(defaultButton, row.defaultButton);
    }
}

TEST(RealMsgBox, ClosingAnswersCancelOrTheNegativeButton) {
    struct Case {
        int flags;
        int answer;
    };
    static constexpr Case cases[] = {
        {vbYesNoCancel, vbCancel},
        {vbOKOnly, vbOK},
        {vbYesNo, vbNo},  // no Cancel: the answer that changes nothing
        {vbAbortRetryIgnore | vbDefaultButton2, vbAbort},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.flags);
        actOnModal<QMessageBox>([](QMessageBox* box) { box->close(); });
        EXPECT_EQ(MsgBox("Close me", row.flags), row.answer);
    }
}

TEST(RealInputBox, OkWithEmptyTextDiffersFromCancel) {
    struct Case {
        const char* typed;
        bool accept;
        std::optional<std::string> answer;
    };
    const Case cases[] = {
        {"01632 960123", true, "01632 960123"},
        {"", true, ""},
        {"typed, then cancelled", false, std::nullopt},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.typed);
        QString prompt;
        QString offered;
        actOnModal<QInputDialog>([&](QInputDialog* dialog) {
            prompt = dialog->labelText();
            offered = dialog->textValue();
            dialog->setTextValue(QString::fromUtf8(row.typed));
            row.accept ? dialog->accept() : dialog->reject();
        });
        EXPECT_EQ(InputBox("Number needed", "Add", "0"), row.answer);
        EXPECT_EQ(prompt, "Number needed");
        EXPECT_EQ(offered, "0");
    }
}

TEST(RealFileDialog, OpensInItsFolderAndReturnsEveryChosenFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char* name : {"a.wav", "b.wav", "c.txt"}) {
        QFile file(dir.filePath(QString::fromLatin1(name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QString folder;
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    QStringList filters;
    actOnModal<QFileDialog>([&](QFileDialog* dialog) {
        folder = dialog->directory().absolutePath();
        mode = dialog->fileMode();
        filters = dialog->nameFilters();
        dialog->selectFile(QStringLiteral("\"a.wav\" \"b.wav\""));
        static_cast<QDialog*>(dialog)->accept();
    });
    const auto chosen =
        ShowOpenFiles({"Select wave file(s)", "Sounds (*.wav)|*.wav|All files (*.*)|*.*",
                       dir.path().toStdString(), "a.wav"});
    EXPECT_EQ(folder, QDir(dir.path()).absolutePath());
    EXPECT_EQ(mode, QFileDialog::ExistingFiles);
    EXPECT_EQ(filters, (QStringList{"Sounds (*.wav)", "All files (*.*)"}));
    ASSERT_TRUE(chosen);
    ASSERT_EQ(chosen->size(), 2u);
    EXPECT_EQ(QFileInfo(QString::fromStdString((*chosen)[0])).fileName(), "a.wav");
    EXPECT_EQ(QFileInfo(QString::fromStdString((*chosen)[1])).fileName(), "b.wav");

    actOnModal<QFileDialog>([](QFileDialog* dialog) { static_cast<QDialog*>(dialog)->reject(); });
    EXPECT_FALSE(ShowOpenFiles({"Select wave file(s)", "", dir.path().toStdString(), ""}));
}

}  // namespace
}  // namespace ui
