// The Record window drives the control as a host would, and follows it: a Record control on a
// wave-in device that "hears" a file, in virtual time, with the monitor windows installed.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QToolButton>
#include <chrono>
#include <memory>

#include "lkLK36/engines/lkLKConst.h"
#include "lkLK36/engines/tests/wave_engine_support.h"
#include "lkLK36/vantage/lkRecordVT.h"
#include "lkLK36/vantage/vantage_windows.h"
#include "platform/core/virtual_time.h"
#include "platform/ui/testing/scripted_dialogs.h"
#include "platform/winmm/wave_format.h"

using namespace std::chrono_literals;
using namespace wavetest;

namespace {

const winmm::SampleFormat kPcm8k16{WAVE_FORMAT_PCM, 1, 8000, 16};
constexpr std::size_t kHeardBytes = 160000;  // 10 s at 8 kHz, 16-bit mono

class RecordWindow : public ::testing::Test {
  protected:
    RecordWindow() {
        writeWave(dir / "heard.wav", kPcm8k16, pattern(kHeardBytes));
        winmm::configureStandardWaveDevices("file-in=" + (dir / "heard.wav").string() +
                                            ",file-out=" + played().string() + ",null");
        installVantageWindows();
        engine = std::make_unique<TlkRecordInternal>();
        engine->SetDeviceID(inputNamed("File Input heard.wav"));
    }
    ~RecordWindow() override {
        sndPlaySoundA(nullptr, 0);
        time.runUntilIdle();
        engine.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        removeVantageWindows();
        winmm::configureStandardWaveDevices("null");
    }

    std::filesystem::path played() const { return dir / "played.wav"; }
    TlkRecordVantage* open() {
        engine->Vantage().SetVisible(true);
        return window();
    }
    TlkRecordVantage* window() const {
        return dynamic_cast<TlkRecordVantage*>(engine->Vantage().form());
    }
    template <class T = QWidget>
    T* find(const char* name) const {
        T* found = window()->component<T>(name);
        EXPECT_TRUE(found) << name;
        return found;
    }
    void choose(const char* menu, const char* item) {
        auto* m = find<QMenu>(menu);
        ASSERT_TRUE(m);
        emit m->aboutToShow();
        auto* action = find<QAction>(item);
        ASSERT_TRUE(action);
        action->trigger();
    }
    // Typed into an edit, then left.
    void type(const char* edit, const std::string& text) {
        auto* box = find<QLineEdit>(edit);
        box->setText(QString::fromStdString(text));
        emit box->editingFinished();
    }
    // Typed into the file name box and not left.
    void typeFileName(const std::string& text) {
        find<QComboBox>("ComboBoxFileName")->setEditText(QString::fromStdString(text));
    }
    std::string text(const char* name) const {
        if (auto* edit = window()->component<QLineEdit>(name))
            return edit->text().toStdString();
        if (auto* label = window()->component<QLabel>(name))
            return label->text().toStdString();
        ADD_FAILURE() << name;
        return {};
    }
    std::string hint(const char* name) const { return find(name)->toolTip().toStdString(); }
    // The one lamp that shows.
    std::string lamp() const {
        std::string shown;
        for (const char* name : {"ImageStatusInactive", "ImageStatusPause", "ImageStatusActive"}) {
            if (!find(name)->isHidden())
                shown += name;
        }
        return shown;
    }
    std::vector<std::string> linesSince(std::size_t mark) const {
        const TlkStringList& lines = engine->log().Lines();
        return {lines.begin() + static_cast<std::ptrdiff_t>(mark), lines.end()};
    }

    core::VirtualTime time;
    OwnProgramFolder folder;
    TempDir dir;
    std::unique_ptr<TlkRecordInternal> engine;
};

TEST_F(RecordWindow, OpensOnTheSourcePageUnlessThereIsSomethingToWatch) {
    struct Case {
        const char* name;
        std::function<void(TlkRecordInternal&, const std::filesystem::path&)> prepare;
        const char* page;
    };
    const Case cases[] = {
        {"no file name", [](TlkRecordInternal&, const std::filesystem::path&) {}, "TabSheetSource"},
        {"a file name to record to",
         [](TlkRecordInternal& e, const std::filesystem::path& d) {
             e.SetSourceFileName((d / "call.wav").string());
         },
         "TabSheetLog"},
        {"an error",
         [](TlkRecordInternal& e, const std::filesystem::path&) { e.SetDeviceBuffer(5); },
         "TabSheetLog"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        engine->SetSourceFileName("");
        engine->Error().Clear();
        c.prepare(*engine, dir.path);
        TlkRecordVantage* w = open();
        ASSERT_TRUE(w);
        EXPECT_EQ(w->windowTitle().toStdString(), "lkRecord - Orvane Vantage");
        QTabWidget* pages = find<QTabWidget>("PageControl1");
        EXPECT_EQ(pages->currentWidget()->objectName().toStdString(), c.page);
        engine->Vantage().SetVisible(false);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

TEST_F(RecordWindow, ShowsItsPagesAndThePresetsInOrder) {
    TlkRecordVantage* w = open();
    QTabWidget* pages = find<QTabWidget>("PageControl1");
    ASSERT_EQ(pages->count(), 3);
    EXPECT_EQ(pages->widget(0)->objectName(), "TabSheetDevice");
    EXPECT_EQ(pages->widget(1)->objectName(), "TabSheetLog");
    EXPECT_EQ(pages->widget(2)->objectName(), "TabSheetSource");
    auto* presets = find<QComboBox>("ComboBoxName");
    ASSERT_EQ(presets->count(), kWaveFormatCount);
    EXPECT_EQ(presets->itemText(0), "Unknown");
    EXPECT_EQ(presets->itemText(wfPCM08000M08), "PCM 8,000 Hz, 8-bit, Mono");
    // The window opens showing the control as it is.
    EXPECT_EQ(presets->currentIndex(), wfPCM08000M16);
    EXPECT_EQ(text("LabelFormatID"), "wfPCM08000M16");
    EXPECT_EQ(text("EditBuffer"), "1000");
    EXPECT_EQ(lamp(), "ImageStatusInactive");
    auto* devices = find<QComboBox>("ComboBoxDevice");
    EXPECT_EQ(devices->currentText(), "File Input heard.wav");
    EXPECT_EQ(find<QGroupBox>("GroupBoxDevice")->title().toStdString(),
              "DeviceID = " + std::to_string(engine->Device.ID) +
                  "    DeviceCount = " + std::to_string(engine->Device.Count));
    EXPECT_EQ(w->menuBar()->actions().size(), 4);
}

TEST_F(RecordWindow, APresetFillsTheFormatAndTheNumbersFindTheirPreset) {
    engine->Source.Format.SetID(wfPCM44100S16);
    open();
    auto* presets = find<QComboBox>("ComboBoxName");
    presets->setCurrentIndex(wfPCM08000M16);
    emit presets->activated(wfPCM08000M16);
    EXPECT_EQ(engine->Source.Format.ID(), wfPCM08000M16);
    const std::pair<const char*, const char*> shown[] = {
        {"EditFormatTag", "1"},
        {"EditFormatChannels", "1"},
        {"EditFormatBitsPerSample", "16"},
        {"EditFormatAvgBytesPerSec", "16000"},
        {"EditFormatBlockAlign", "2"},
        {"EditFormatSamplesPerSec", "8000"},
        {"LabelFormatID", "wfPCM08000M16"},
    };
    for (const auto& [name, value] : shown)
        EXPECT_EQ(text(name), value) << name;

    // Two channels alone match no preset any more: the list and the identifier say so.
    type("EditFormatChannels", "2");
    EXPECT_EQ(engine->Source.Format.Channels(), 2);
    EXPECT_EQ(engine->Source.Format.AvgBytesPerSec(), 16000);
    const TWAVFORMATS derived = engine->Source.Format.ID();
    EXPECT_NE(derived, wfPCM08000M16);
    EXPECT_EQ(presets->currentIndex(), derived);
    EXPECT_EQ(text("LabelFormatID"), TxWAVFORMATS[derived].ID);
    // The numbers of the stereo preset find it again.
    type("EditFormatAvgBytesPerSec", "32000");
    type("EditFormatBlockAlign", "4");
    EXPECT_EQ(presets->currentIndex(), wfPCM08000S16);
    EXPECT_EQ(text("LabelFormatID"), "wfPCM08000S16");
}

TEST_F(RecordWindow, EditsReachTheControlAndShowWhatItKept) {
    open();
    struct Case {
        const char* edit;
        const char* typed;
        std::function<LONG()> kept;
        const char* shown;
        LONG error;
    };
    const Case cases[] = {
        {"EditDelay", "250", [&] { return engine->Device.Delay; }, "250", 0},
        {"EditDelay", "abc", [&] { return engine->Device.Delay; }, "0", 0},
        {"EditBuffer", "500", [&] { return engine->Device.Buffer; }, "500", 0},
        {"EditBuffer", "50", [&] { return engine->Device.Buffer; }, "500",
         WAV_ERROR_INVALIDBUFSIZE},
        {"EditTrim", "120", [&] { return engine->Device.Trim; }, "120", 0},
        {"EditMaxSize", "64", [&] { return engine->Source.MaxSize; }, "64", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.edit) + " " + c.typed);
        type(c.edit, c.typed);
        EXPECT_EQ(std::to_string(c.kept()), c.shown);
        EXPECT_EQ(text(c.edit), c.shown);
        EXPECT_EQ(engine->Error().Number(), c.error);
    }
    // The refused buffer lit the error button, which stays lit.
    EXPECT_TRUE(find<QToolButton>("SpeedButtonErrors")->isEnabled());
}

TEST_F(RecordWindow, RecordsToTheNameTypedJustBeforeAndFollowsTheRecording) {
    open();
    const std::string file = (dir / "typed.wav").string();
    typeFileName(file);
    choose("MenuDevice", "MenuDeviceActive");
    ASSERT_TRUE(engine->Device.Active);
    EXPECT_EQ(engine->Source.FileName, file);
    EXPECT_TRUE(find<QAction>("MenuDeviceActive")->isChecked());
    EXPECT_EQ(lamp(), "ImageStatusActive");

    // A second start changes nothing; pause and resume go through the engine.
    const std::size_t mark = engine->log().Lines().size();
    find<QToolButton>("SpeedButtonActive")->click();
    EXPECT_EQ(engine->log().Lines().size(), mark);
    time.advance(1000ms);
    find<QToolButton>("SpeedButtonPause")->click();
    EXPECT_TRUE(engine->Device.Pause);
    EXPECT_TRUE(find<QAction>("MenuDevicePause")->isChecked());
    EXPECT_EQ(lamp(), "ImageStatusPause");
    EXPECT_EQ(hint("SpeedButtonPause"), "lkRecord.DevicePause = False");
    time.advance(2000ms);
    choose("MenuDevice", "MenuDevicePause");
    EXPECT_FALSE(engine->Device.Pause);
    EXPECT_EQ(lamp(), "ImageStatusActive");
    EXPECT_EQ(hint("SpeedButtonPause"), "lkRecord.DevicePause = True");
    time.advance(500ms);

    find<QToolButton>("SpeedButtonInactive")->click();
    EXPECT_FALSE(engine->Device.Active);
    EXPECT_FALSE(find<QAction>("MenuDeviceActive")->isChecked());
    EXPECT_EQ(lamp(), "ImageStatusInactive");
    // One and a half seconds heard, the pause left out.
    EXPECT_EQ(text("LabelFormatBytes"), "24,000");
    EXPECT_EQ(text("LabelFormatSeconds"), "1.5");
    EXPECT_EQ(std::filesystem::file_size(file), 46u + 24000u);
    // The name used is the top of the box's history.
    auto* box = find<QComboBox>("ComboBoxFileName");
    ASSERT_GE(box->count(), 1);
    EXPECT_EQ(box->itemText(0).toStdString(), file);
    EXPECT_EQ(box->currentText().toStdString(), file);
}

TEST_F(RecordWindow, TheFileHistoryTakesANameOnceAtTheTop) {
    open();
    auto* box = find<QComboBox>("ComboBoxFileName");
    const std::string a = (dir / "a.wav").string(), b = (dir / "b.wav").string();
    for (const std::string& name : {a, a, b, a}) {
        typeFileName(name);
        choose("MenuDevice", "MenuDeviceActive");
        choose("MenuDevice", "MenuDeviceActive");
    }
    std::vector<std::string> history;
    for (int i = 0; i < box->count(); ++i)
        history.push_back(box->itemText(i).toStdString());
    EXPECT_EQ(history, (std::vector<std::string>{a, b, a}));
}

TEST_F(RecordWindow, TheFileDialogChoosesTheNameAndCancelKeepsIt) {
    open();
    const std::string old = (dir / "old.wav").string();
    engine->SetSourceFileName(old);
    ui::ScriptedDialogs dialogs;
    const std::filesystem::path other = dir / "other";
    dialogs.answerOpenFiles({(other / "a.wav").string(), (other / "b.WAV").string()});
    find<QToolButton>("SpeedButtonFileSelect")->click();
    ASSERT_EQ(dialogs.shown().size(), 1u);
    const ui::ShownDialog& shown = dialogs.shown()[0];
    EXPECT_EQ(shown.kind, ui::DialogKind::OpenFiles);
    EXPECT_EQ(shown.title, "Select wave file(s)");
    EXPECT_EQ(shown.fileOptions.fileName, old);
    EXPECT_EQ(shown.fileOptions.filter, "Sounds (*.wav)|*.wav|All files (*.*)|*.*");
    const std::string chosen = (other / "a.wav").string() + ",b.WAV";
    EXPECT_EQ(engine->Source.FileName, chosen);
    auto* box = find<QComboBox>("ComboBoxFileName");
    EXPECT_EQ(box->currentText().toStdString(), chosen);
    // The history takes the name the box shows once the control has it.
    ASSERT_EQ(box->count(), 1);
    EXPECT_EQ(box->itemText(0).toStdString(), chosen);

    const std::size_t mark = engine->log().Lines().size();
    dialogs.cancelOpenFiles();
    find<QToolButton>("SpeedButtonFileSelect")->click();
    EXPECT_EQ(dialogs.shown().size(), 2u);
    EXPECT_EQ(engine->Source.FileName, chosen);
    EXPECT_EQ(box->currentText().toStdString(), chosen);
    EXPECT_EQ(box->count(), 1);
    EXPECT_EQ(linesSince(mark), std::vector<std::string>{});
}

TEST_F(RecordWindow, LeavingTheFileNameBoxTellsTheDesignerEvenWhenTheNameStays) {
    open();
    auto* box = find<QComboBox>("ComboBoxFileName");
    const std::string file = (dir / "kept.wav").string();
    typeFileName(file);
    emit box->lineEdit()->editingFinished();
    ASSERT_EQ(engine->Source.FileName, file);
    // The control skips a name it has already; the window still tells the designer.
    int told = 0;
    engine->setDesignerNotify([&] { ++told; });
    emit box->lineEdit()->editingFinished();
    EXPECT_EQ(told, 1);
}

TEST_F(RecordWindow, PreviewPlaysTheRecordingOrLogsWhyNot) {
    open();
    const std::filesystem::path missing = dir / "missing.wav";
    typeFileName(missing.string());
    std::size_t mark = engine->log().Lines().size();
    find<QToolButton>("SpeedButtonPlayPreview")->click();
    EXPECT_EQ(linesSince(mark),
              (std::vector<std::string>{
                  "SourceFileName = \"" + missing.string() + "\"", "Preview recording",
                  "\tSourceFileName = " + missing.string(), "\tFile not found"}));
    time.advance(500ms);
    EXPECT_FALSE(std::filesystem::exists(played()));

    const std::filesystem::path recording = dir / "recording.wav";
    const auto sound = pattern(16000, 3);
    writeWave(recording, kPcm8k16, sound);
    engine->SetSourceFileName(recording.string());
    mark = engine->log().Lines().size();
    find<QToolButton>("SpeedButtonPlayPreview")->click();
    EXPECT_EQ(linesSince(mark),
              (std::vector<std::string>{"Preview recording",
                                        "\tSourceFileName = " + recording.string()}));
    // A preview while one plays leaves it alone and says so.
    time.advance(200ms);
    mark = engine->log().Lines().size();
    find<QToolButton>("SpeedButtonPlayPreview")->click();
    EXPECT_EQ(linesSince(mark).back(), "\tUnable to play recording");
    time.advance(1000ms);
    time.runUntilIdle();
    EXPECT_EQ(samplesOf(played()), sound);
}

TEST_F(RecordWindow, AFileNameNothingCanBeWrittenToShowsRed) {
    open();
    auto* box = find<QComboBox>("ComboBoxFileName");
    const auto colour = [&] { return box->lineEdit()->palette().color(QPalette::Text); };
    engine->SetSourceFileName((dir / "no such folder" / "call.wav").string());
    EXPECT_EQ(colour(), QColor(Qt::red));
    engine->SetSourceFileName((dir / "call.wav").string());
    EXPECT_NE(colour(), QColor(Qt::red));
    EXPECT_EQ(box->currentText().toStdString(), (dir / "call.wav").string());
}

TEST_F(RecordWindow, PopUpItemsSetTheirFlags) {
    open();
    choose("MenuPopUp", "MenuPopupOnDone");
    EXPECT_TRUE(engine->Popup.OnDone);
    choose("MenuPopUp", "MenuPopupOnWarning");
    choose("MenuPopUp", "MenuPopupOnWarning");
    EXPECT_FALSE(engine->Popup.OnWarning);
    engine->Popup.OnError = true;
    emit find<QMenu>("MenuPopUp")->aboutToShow();
    EXPECT_TRUE(find<QAction>("MenuPopupOnDone")->isChecked());
    EXPECT_TRUE(find<QAction>("MenuPopupOnError")->isChecked());
    EXPECT_FALSE(find<QAction>("MenuPopupOnWarning")->isChecked());
}

TEST_F(RecordWindow, TheEnvironmentSwitchRewritesPathsInItsSyntax) {
    open();
    struct Case {
        const char* item;
        const char* id;
        const char* count;
        const char* pauseHint;
        const char* delayHint;
        const char* tagCaption;
        const char* fileHint;
    };
    static constexpr Case cases[] = {
        {"MenuDevEnvDelphi", "Device.ID = ", "    Device.Count = ", "lkRecord.Device.Pause := True",
         "lkRecord.Device.Delay //milliseconds", "Source.Format.Tag =", "lkRecord.Source.FileName"},
        {"MenuDevEnvCBuilder", "Device->ID == ", "    Device->Count == ",
         "lkRecord->Device->Pause = True", "lkRecord->Device->Delay //milliseconds",
         "Source->Format->Tag =", "lkRecord->Source->FileName"},
        {"MenuDevEnvVB", "DeviceID = ", "    DeviceCount = ", "lkRecord.DevicePause = True",
         "lkRecord.DeviceDelay 'milliseconds", "SourceFormatTag =", "lkRecord.SourceFileName"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item);
        choose("MenuVantage", c.item);
        EXPECT_EQ(find<QGroupBox>("GroupBoxDevice")->title().toStdString(),
                  c.id + std::to_string(engine->Device.ID) + c.count +
                      std::to_string(waveInGetNumDevs()));
        EXPECT_EQ(hint("SpeedButtonPause"), c.pauseHint);
        // An edit copies its label's hint.
        EXPECT_EQ(hint("LabelDelay"), c.delayHint);
        EXPECT_EQ(hint("EditDelay"), c.delayHint);
        EXPECT_EQ(text("LabelFormatTag"), c.tagCaption);
        EXPECT_EQ(hint("ComboBoxFileName"), c.fileHint);
        EXPECT_EQ(hint("SpeedButtonFileSelect"), c.fileHint);
    }
}

TEST_F(RecordWindow, ChoosingADeviceReachesTheControl) {
    open();
    auto* devices = find<QComboBox>("ComboBoxDevice");
    ASSERT_EQ(devices->count(), static_cast<int>(waveInGetNumDevs()));
    const LONG null = inputNamed("Null Input");
    ASSERT_GE(null, 0);
    devices->setCurrentIndex(null);
    emit devices->activated(null);
    EXPECT_EQ(engine->Device.ID, null);
    EXPECT_EQ(devices->currentText(), "Null Input");
    EXPECT_EQ(find<QGroupBox>("GroupBoxDevice")->title().toStdString(),
              "DeviceID = " + std::to_string(null) +
                  "    DeviceCount = " + std::to_string(waveInGetNumDevs()));
}

TEST(RecordChosenFileName, JoinsFurtherFilesByTheirBareNames) {
    EXPECT_EQ(RecordChosenFileName({}), "");
    EXPECT_EQ(RecordChosenFileName({"/a/x.wav"}), "/a/x.wav");
    EXPECT_EQ(RecordChosenFileName({"/a/x.wav", "/b/y.WAV", "/c/z"}), "/a/x.wav,y.WAV,z");
}

}  // namespace
