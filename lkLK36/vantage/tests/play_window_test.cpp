// The Play window drives the control as a host would, over wave devices that play into files in
// virtual time, and follows what the control does.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSlider>
#include <QTabWidget>
#include <QToolButton>
#include <memory>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/tests/wave_engine_support.h"
#include "lkLK36/vantage/lkPlayVT.h"
#include "lkLK36/vantage/vantage_widgets.h"
#include "lkLK36/vantage/vantage_windows.h"
#include "platform/core/virtual_time.h"
#include "platform/ui/testing/scripted_dialogs.h"

using namespace std::chrono_literals;
using namespace wavetest;

namespace {

const winmm::SampleFormat kPcm8k16{WAVE_FORMAT_PCM, 1, 8000, 16};

TEST(PlayFileDialog, OpensAtTheFirstFileOfTheList) {
    struct Case {
        const char* list;
        const char* folder;
        const char* fileName;
    };
    static constexpr Case cases[] = {
        {"/w/a.wav, b, c.wav", "/w", "a.wav"},
        {"  /w/a,/x/b.wav", "/w", "a.wav"},  // leading blanks dropped; ".wav" added
        {"a.WAV", "", "a.WAV"},
        {"/a.wav", "/", "a.wav"},
        {"", "", ""},
        {" , /w/tone.snd", "/w", "tone.snd"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list);
        const PlayDialogStart start = PlayDialogStartOf(c.list);
        EXPECT_EQ(start.folder, c.folder);
        EXPECT_EQ(start.fileName, c.fileName);
    }
}

TEST(PlayFileDialog, ChosenFilesGrowTheListFromTheFirstPath) {
    EXPECT_EQ(PlayChosenLists({"/o/a.wav", "/o/b.WAV", "/o/c.Wav", "/o/d.snd", "/o/e.wav.bak"}),
              (std::vector<std::string>{"/o/a.wav", "/o/a.wav,b", "/o/a.wav,b,c",
                                        "/o/a.wav,b,c,d.snd", "/o/a.wav,b,c,d.snd,e.wav.bak"}));
    EXPECT_TRUE(PlayChosenLists({}).empty());
}

TEST(PlayFileHistory, PutsANewTextOnTopOnlyOnce) {
    QComboBox box;
    box.setEditable(true);
    const auto items = [&] {
        std::vector<std::string> all;
        for (int i = 0; i < box.count(); ++i)
            all.push_back(box.itemText(i).toStdString());
        return all;
    };
    box.setEditText("typed");
    AddToFileHistory(&box, "a.wav");
    AddToFileHistory(&box, "a.wav");
    AddToFileHistory(&box, "b.wav");
    AddToFileHistory(&box, "B.wav");  // letter case counts
    AddToFileHistory(&box, "a.wav");  // not on top: comes again
    EXPECT_EQ(items(), (std::vector<std::string>{"a.wav", "B.wav", "b.wav", "a.wav"}));
    EXPECT_EQ(box.currentText(), "typed");
}

// A Play control on a file-out device, in virtual time, with the monitor windows installed.
class PlayWindow : public ::testing::Test {
  protected:
    PlayWindow() {
        installVantageWindows();
        winmm::configureStandardWaveDevices("file-out=" + (dir / "played.wav").string() + ",null");
        play = std::make_unique<TlkPlayInternal>();
        play->SetDeviceID(outputNamed("File Output played.wav"));
        // Texts in their plain dotted form (Visual Basic's drops the dots inside a path).
        play->Vantage().SetDevEnv(deDelphi);
    }
    ~PlayWindow() override {
        play.reset();
        freeClosedWindows();
        removeVantageWindows();
        winmm::configureStandardWaveDevices("null");
    }

    TlkPlayVantage* open() {
        play->Vantage().SetVisible(true);
        return window();
    }
    void close() {
        play->Vantage().SetVisible(false);
        freeClosedWindows();
    }
    TlkPlayVantage* window() const { return dynamic_cast<TlkPlayVantage*>(play->Vantage().form()); }
    static void freeClosedWindows() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    template <class T = QWidget>
    T* part(const char* name) const {
        T* found = window()->component<T>(name);
        EXPECT_TRUE(found) << name;
        return found;
    }
    void choose(const char* menu, const char* item) {
        auto* m = part<QMenu>(menu);
        emit m->aboutToShow();
        part<QAction>(item)->trigger();
    }
    void click(const char* button) { part<QToolButton>(button)->click(); }
    void type(const char* edit, const char* text) {
        auto* e = part<QLineEdit>(edit);
        e->setText(text);
        emit e->editingFinished();
    }
    void typeFileName(const std::string& text) {
        QLineEdit* e = part<QComboBox>("ComboBoxFileName")->lineEdit();
        e->setText(QString::fromStdString(text));
        emit e->editingFinished();
    }
    std::string hint(const char* name) const { return part(name)->toolTip().toStdString(); }
    std::string text(const char* label) const { return part<QLabel>(label)->text().toStdString(); }
    // Which lamp is lit; exactly one is.
    std::string lamp() const {
        std::string lit;
        for (const char* name : {"ImageStatusInactive", "ImageStatusPause", "ImageStatusActive"}) {
            if (!part(name)->isHidden())
                lit += name;
        }
        return lit;
    }
    std::string wave(const std::string& name, std::size_t bytes) {
        writeWave(dir / name, kPcm8k16, pattern(bytes));
        return (dir / name).string();
    }
    std::vector<std::string> memoLines(const char* name) const {
        std::vector<std::string> lines;
        for (const QString& line : part<QPlainTextEdit>(name)->toPlainText().split('\n'))
            lines.push_back(line.toStdString());
        return lines;
    }
    std::size_t linesStartingWith(const std::string& start) const {
        std::size_t count = 0;
        for (const std::string& line : play->log().Lines())
            count += line.rfind(start, 0) == 0;
        return count;
    }

    core::VirtualTime time;
    OwnProgramFolder folder;
    TempDir dir;
    std::unique_ptr<TlkPlayInternal> play;
};

TEST_F(PlayWindow, OpensOnTheSourcePageUntilThereIsAListOrAnError) {
    struct Case {
        const char* what;
        std::function<void()> setUp;
        const char* page;
    };
    const Case cases[] = {
        {"no list", [] {}, "TabSheetSource"},
        {"a readable list", [&] { play->SetSourceFileName(wave("a.wav", 1600)); }, "TabSheetLog"},
        {"an empty list again", [&] { play->SetSourceFileName(""); }, "TabSheetSource"},
        {"a missing file", [&] { play->SetSourceFileName((dir / "gone.wav").string()); },
         "TabSheetLog"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.setUp();
        TlkPlayVantage* w = open();
        ASSERT_TRUE(w);
        EXPECT_EQ(
            w->component<QTabWidget>("PageControl1")->currentWidget()->objectName().toStdString(),
            c.page);
        // The log so far is there at once.
        EXPECT_EQ(memoLines("MemoLog").back(), play->log().Lines().back());
        close();
    }
}

TEST_F(PlayWindow, PagesMenusAndLayoutHints) {
    TlkPlayVantage* w = open();
    auto* pages = part<QTabWidget>("PageControl1");
    ASSERT_EQ(pages->count(), 3);
    EXPECT_EQ(pages->tabText(0), "Log");
    EXPECT_EQ(pages->tabText(1), "Misc.");
    EXPECT_EQ(pages->tabText(2), "Source");
    std::vector<std::string> menus;
    for (QAction* action : w->menuBar()->actions())
        menus.push_back(action->text().toStdString());
    EXPECT_EQ(menus, (std::vector<std::string>{"&Device", "&PopUp", "&Vantage", "&Help"}));
    EXPECT_EQ(part<QAction>("MenuDeviceActive")->shortcut(), QKeySequence("Ctrl+A"));
    EXPECT_EQ(part<QAction>("MenuDevicePause")->shortcut(), QKeySequence("Ctrl+P"));
    EXPECT_EQ(w->windowTitle(), "lkPlay - Orvane Vantage");
    const std::pair<const char*, const char*> hints[] = {
        {"SpeedButtonActive", "lkPlay.Device.Active := True"},
        {"SpeedButtonPause", "lkPlay.Device.Pause := True"},
        {"ImageStatusPause", "lkPlay.Device.Pause = True"},
        {"EditDelay", "lkPlay.Device.Delay //milliseconds"},
        {"CheckBoxLogTimeStamp", "lkPlay.Log.TimeStamp"},
        {"ImageFileSelect", "lkPlay.Source.FileName"},
        {"EditMaxSize", "lkPlay.Source.MaxSize //kilobytes"},
        {"Label5", "lkPlay.Volume.Position"},
    };
    for (const auto& [name, text] : hints)
        EXPECT_EQ(hint(name), text) << name;
    auto* slider = part<QSlider>("TrackBarVolume");
    EXPECT_EQ(slider->maximum(), 100);
    EXPECT_EQ(slider->tickInterval(), 5);
}

// A file chosen by typing, played from the buttons: the lamp, the pause hint, the position and
// the file history follow the control.
TEST_F(PlayWindow, PlaysFromTheButtonsAndFollowsThePlay) {
    ASSERT_TRUE(open());
    const std::string file = wave("a.wav", 16000);  // 1 s
    EXPECT_EQ(lamp(), "ImageStatusInactive");
    typeFileName(file);
    ASSERT_TRUE(play->Source.Valid);
    EXPECT_EQ(text("LabelFormatName"), "PCM 8,000 Hz, 16-bit, Mono");

    click("SpeedButtonActive");
    ASSERT_TRUE(play->Device.Active);
    EXPECT_TRUE(part<QAction>("MenuDeviceActive")->isChecked());
    EXPECT_EQ(lamp(), "ImageStatusActive");
    time.advance(500ms);
    EXPECT_EQ(text("LabelPositionByte"), "8,000");
    EXPECT_EQ(text("LabelPositionSecond"), "0.5");
    EXPECT_EQ(part<QProgressBar>("ProgressBarPositionPrecent")->value(), 50);

    // Starting again while playing changes nothing.
    const std::size_t starts = linesStartingWith("Device.Active := ");
    click("SpeedButtonActive");
    EXPECT_TRUE(play->Device.Active);
    EXPECT_EQ(linesStartingWith("Device.Active := "), starts);

    click("SpeedButtonPause");
    EXPECT_TRUE(play->Device.Pause);
    EXPECT_EQ(lamp(), "ImageStatusPause");
    EXPECT_EQ(hint("SpeedButtonPause"), "lkPlay.Device.Pause := False");
    click("SpeedButtonPause");
    EXPECT_FALSE(play->Device.Pause);
    EXPECT_EQ(lamp(), "ImageStatusActive");

    click("SpeedButtonInactive");
    EXPECT_FALSE(play->Device.Active);
    EXPECT_FALSE(play->deviceOpen());
    EXPECT_EQ(lamp(), "ImageStatusInactive");
    EXPECT_FALSE(part<QAction>("MenuDeviceActive")->isChecked());
    EXPECT_EQ(text("LabelPositionByte"), "0");
    click("SpeedButtonInactive");  // stopped already: nothing more
    EXPECT_FALSE(play->Device.Active);

    auto* box = part<QComboBox>("ComboBoxFileName");
    ASSERT_EQ(box->count(), 1);
    EXPECT_EQ(box->itemText(0).toStdString(), file);
}

TEST_F(PlayWindow, ANameTypedButNotLeftIsPlayed) {
    open();
    const std::string first = wave("first.wav", 1600);
    const std::string second = wave("second.wav", 3200);
    play->SetSourceFileName(first);
    part<QComboBox>("ComboBoxFileName")->lineEdit()->setText(QString::fromStdString(second));
    choose("MenuDevice", "MenuDeviceActive");
    EXPECT_EQ(play->Source.FileName, second);
    EXPECT_EQ(play->Source.Format.Bytes(), 3200);
    time.advance(1s);
    EXPECT_EQ(samplesOf(dir / "played.wav"), pattern(3200));
}

TEST_F(PlayWindow, AListThatCannotBeReadShowsRed) {
    open();
    QLineEdit* edit = part<QComboBox>("ComboBoxFileName")->lineEdit();
    typeFileName((dir / "gone.wav").string());
    EXPECT_FALSE(play->Source.Valid);
    EXPECT_EQ(edit->palette().color(QPalette::Text), QColor(Qt::red));
    EXPECT_TRUE(part("SpeedButtonErrors")->isEnabled());
    typeFileName(wave("a.wav", 1600));
    EXPECT_NE(edit->palette().color(QPalette::Text), QColor(Qt::red));
}

TEST_F(PlayWindow, TheFormatReadOutListsTheChosenFiles) {
    open();
    wave("b.wav", 3200);
    typeFileName(wave("a.wav", 1600) + ", b");
    EXPECT_EQ(memoLines("MemoFormat"), (std::vector<std::string>{
                                           "Source.Format.AvgBytesPerSec = 16,000",
                                           "Source.Format.BitsPerSample = 16",
                                           "Source.Format.BlockAlign = 2",
                                           "Source.Format.Bytes = 4,800",
                                           "Source.Format.Channels = 1",
                                           "Source.Format.ID = wfPCM08000M16",
                                           "Source.Format.SamplesPerSec = 8,000",
                                           "Source.Format.Seconds = 0.3",
                                           "Source.Format.Tag = 1",
                                       }));
    typeFileName("");
    EXPECT_EQ(memoLines("MemoFormat")[5], "Source.Format.ID = wfUnknown");
    EXPECT_EQ(text("LabelFormatName"), "");
}

TEST_F(PlayWindow, MenuSwitchesReachTheDevice) {
    open();
    choose("MenuDevice", "MenuDeviceLoop");
    EXPECT_TRUE(play->Device.Loop);
    EXPECT_TRUE(part<QAction>("MenuDeviceLoop")->isChecked());
    choose("MenuDevice", "MenuDeviceWait");
    EXPECT_TRUE(play->Device.Wait);
    choose("MenuDevice", "MenuDeviceWait");
    EXPECT_FALSE(play->Device.Wait);

    // Looping: the play goes on past the end until stopped.
    typeFileName(wave("a.wav", 1600));  // 100 ms
    choose("MenuDevice", "MenuDeviceActive");
    time.advance(350ms);
    EXPECT_TRUE(play->Device.Active);
    choose("MenuDevice", "MenuDeviceLoop");
    EXPECT_FALSE(play->Device.Loop);
    time.advance(200ms);
    EXPECT_FALSE(play->Device.Active);
    EXPECT_EQ(lamp(), "ImageStatusInactive");

    // The engine's own change shows in the menu.
    play->SetDeviceLoop(true);
    EXPECT_TRUE(part<QAction>("MenuDeviceLoop")->isChecked());
    choose("MenuPopUp", "MenuPopupOnLoop");
    EXPECT_TRUE(play->Popup.OnLoop);
    play->Popup.OnTimer = true;
    emit part<QMenu>("MenuPopUp")->aboutToShow();
    EXPECT_TRUE(part<QAction>("MenuPopupOnTimer")->isChecked());
}

// The host closes the window while the window's own start waits for the end of the play.
TEST_F(PlayWindow, ClosedWhileItsStartWaitsItGoesOnceTheStartReturns) {
    open();
    typeFileName(wave("a.wav", 3200));  // 200 ms
    choose("MenuDevice", "MenuDeviceWait");
    play->OnLoaded = [](TlkPlayInternal& p) { p.Vantage().SetVisible(false); };
    choose("MenuDevice", "MenuDeviceActive");
    EXPECT_FALSE(play->Device.Active);
    EXPECT_FALSE(play->Vantage().Visible());
    EXPECT_EQ(window(), nullptr);
    freeClosedWindows();
    EXPECT_EQ(samplesOf(dir / "played.wav"), pattern(3200));
}

TEST_F(PlayWindow, EditsAreReadAsWholeNumbersWhenLeft) {
    open();
    struct Case {
        const char* edit;
        const char* typed;
        std::function<LONG()> stored;
        LONG value;
    };
    const Case cases[] = {
        {"EditDelay", "250", [&] { return play->Device.Delay; }, 250},
        {"EditDelay", "abc", [&] { return play->Device.Delay; }, 0},
        {"EditTimerInterval", "40", [&] { return static_cast<LONG>(play->Timer.Interval); }, 40},
        {"EditMaxSize", "12", [&] { return play->Source.MaxSize; }, 12},
        {"EditMaxSize", "", [&] { return play->Source.MaxSize; }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.edit) + " " + c.typed);
        type(c.edit, c.typed);
        EXPECT_EQ(c.stored(), c.value);
        EXPECT_EQ(part<QLineEdit>(c.edit)->text().toStdString(), std::to_string(c.value));
    }
    // The control's own changes show.
    play->SetTimerInterval(75);
    EXPECT_EQ(part<QLineEdit>("EditTimerInterval")->text(), "75");
    play->SetSourceMaxSize(64);
    EXPECT_EQ(part<QLineEdit>("EditMaxSize")->text(), "64");
}

TEST_F(PlayWindow, TimerAndVolumeFollowBothWays) {
    open();
    auto* timer = part<QCheckBox>("CheckBoxTimerEnabled");
    EXPECT_TRUE(timer->isChecked());
    timer->click();
    EXPECT_FALSE(play->Timer.Enabled);
    play->SetTimerEnabled(true);
    EXPECT_TRUE(timer->isChecked());

    const std::pair<const char*, bool TlkPlayVolume::*> switches[] = {
        {"CheckBoxVolumeEnabled", &TlkPlayVolume::Enabled},
        {"CheckBoxVolumeDefault", &TlkPlayVolume::Default},
        {"CheckBoxVolumeReset", &TlkPlayVolume::Reset},
    };
    for (const auto& [name, member] : switches) {
        SCOPED_TRACE(name);
        auto* box = part<QCheckBox>(name);
        EXPECT_TRUE(box->isChecked());
        box->click();
        EXPECT_FALSE(play->Volume.*member);
        EXPECT_FALSE(box->isChecked());
    }
    play->SetVolumeEnabled(true);
    EXPECT_TRUE(part<QCheckBox>("CheckBoxVolumeEnabled")->isChecked());

    auto* slider = part<QSlider>("TrackBarVolume");
    EXPECT_EQ(slider->value(), 50);
    slider->setValue(80);  // as the user drags it
    EXPECT_EQ(play->Volume.Position, 80);
    // The control's change moves the slider without being set once more.
    const std::size_t logged = linesStartingWith("Volume.Position := ");
    play->SetVolumePosition(30);
    EXPECT_EQ(slider->value(), 30);
    EXPECT_EQ(linesStartingWith("Volume.Position := "), logged + 1);
}

TEST_F(PlayWindow, TheDialogOpensAtTheListAndItsFilesBecomeTheList) {
    ui::ScriptedDialogs dialogs;
    open();
    std::filesystem::create_directories(dir / "other");
    wave("b.wav", 1600);
    wave("c.wav", 1600);
    const std::string list = wave("a.wav", 1600) + ",b,c";
    play->SetSourceFileName(list);
    const std::string a = wave("other/a.wav", 3200);
    const std::string b = wave("other/b.WAV", 3200);

    dialogs.answerOpenFiles({a, b});
    click("ImageFileSelect");
    ASSERT_EQ(dialogs.shown().size(), 1u);
    const ui::FileDialogOptions& shown = dialogs.shown()[0].fileOptions;
    EXPECT_EQ(shown.title, "Select wave file(s)");
    EXPECT_EQ(shown.filter, "Sounds (*.wav)|*.wav|All files (*.*)|*.*");
    EXPECT_EQ(shown.initialDir, dir.path.string());
    EXPECT_EQ(shown.fileName, "a.wav");
    EXPECT_EQ(play->Source.FileName, a + ",b");
    EXPECT_TRUE(play->Source.Valid);
    EXPECT_EQ(play->Source.Format.Bytes(), 6400);
    auto* box = part<QComboBox>("ComboBoxFileName");
    EXPECT_EQ(box->currentText().toStdString(), a + ",b");
    ASSERT_GE(box->count(), 1);
    EXPECT_EQ(box->itemText(0).toStdString(), a + ",b");

    // Cancelled: the list stays and is read once more.
    const std::size_t emptied = linesStartingWith("Source.FileName := ''");
    dialogs.cancelOpenFiles();
    click("ImageFileSelect");
    EXPECT_EQ(play->Source.FileName, a + ",b");
    EXPECT_TRUE(play->Source.Valid);
    EXPECT_EQ(linesStartingWith("Source.FileName := ''"), emptied + 1);
    EXPECT_EQ(box->currentText().toStdString(), a + ",b");
    EXPECT_EQ(dialogs.unanswered(), 0);
}

TEST_F(PlayWindow, TheDeviceBoxListsTheDevicesAndChoosesOne) {
    open();
    // Other tests' devices may be registered in this process too: the box lists whatever is.
    const LONG file = outputNamed("File Output played.wav");
    const LONG null = outputNamed("Null Output");
    ASSERT_GE(null, 0);
    auto* combo = part<QComboBox>("ComboBoxDevice");
    ASSERT_EQ(combo->count(), play->Device.Count);
    EXPECT_EQ(combo->currentIndex(), file);
    EXPECT_EQ(combo->currentText(), "File Output played.wav");
    EXPECT_EQ(combo->itemText(null), "Null Output");
    EXPECT_EQ(part<QGroupBox>("GroupBoxDevice")->title().toStdString(),
              "Device.ID = " + std::to_string(file) +
                  "    Device.Count = " + std::to_string(play->Device.Count));
    combo->setCurrentIndex(null);
    emit combo->activated(null);
    EXPECT_EQ(play->Device.ID, null);
    EXPECT_EQ(play->Device.Name, "Null Output");
    EXPECT_EQ(part<QGroupBox>("GroupBoxDevice")->title().toStdString(),
              "Device.ID = " + std::to_string(null) +
                  "    Device.Count = " + std::to_string(play->Device.Count));
}

TEST(PlayWindowWithoutDevices, ShowsAnEmptyDeviceBox) {
    OwnProgramFolder folder;
    installVantageWindows();
    winmm::configureStandardWaveDevices("none");
    if (waveOutGetNumDevs() != 0) {
        removeVantageWindows();
        winmm::configureStandardWaveDevices("null");
        GTEST_SKIP() << "devices of another test's exchange are registered in this process";
    }
    {
        TlkPlayInternal play;
        play.Vantage().SetDevEnv(deDelphi);
        play.Vantage().SetVisible(true);
        auto* w = dynamic_cast<TlkPlayVantage*>(play.Vantage().form());
        ASSERT_TRUE(w);
        auto* combo = w->component<QComboBox>("ComboBoxDevice");
        EXPECT_EQ(combo->count(), 0);
        EXPECT_EQ(combo->currentText(), "");
        EXPECT_EQ(w->component<QGroupBox>("GroupBoxDevice")->title().toStdString(),
                  "Device.ID = 0    Device.Count = 0");
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    removeVantageWindows();
    winmm::configureStandardWaveDevices("null");
}

TEST_F(PlayWindow, AfterSwitchingToDelphiHintsUseDelphiSyntax) {
    play->Vantage().SetDevEnv(deVisualBasic);
    open();
    typeFileName(wave("a.wav", 16000));
    click("SpeedButtonActive");
    ASSERT_TRUE(play->Device.Active);
    choose("MenuVantage", "MenuDevEnvDelphi");
    EXPECT_EQ(hint("SpeedButtonPause"), "lkPlay.Device.Pause := True");
    EXPECT_EQ(hint("SpeedButtonActive"), "lkPlay.Device.Active := True");
    EXPECT_EQ(hint("EditDelay"), "lkPlay.Device.Delay //milliseconds");
    EXPECT_EQ(hint("LabelLogCount"), "lkPlay.Vantage.Log.Count");
    EXPECT_EQ(hint("LabelLabelPositionSecond"), "lkPlay.Position.Second");
    click("SpeedButtonPause");
    EXPECT_EQ(hint("SpeedButtonPause"), "lkPlay.Device.Pause := False");

    choose("MenuVantage", "MenuDevEnvCBuilder");
    EXPECT_EQ(hint("EditDelay"), "lkPlay->Device->Delay //milliseconds");
    EXPECT_EQ(part<QGroupBox>("GroupBoxDevice")->title().toStdString(),
              "Device->ID == " + std::to_string(play->Device.ID) +
                  "    Device->Count == " + std::to_string(play->Device.Count));
}

}  // namespace
