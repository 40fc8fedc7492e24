// Audio Settings as a user meets it: the device lists, which device is chosen when the dialog
// opens, what OK and Cancel keep, and the Settings "Audio" entry around the dialog.
#include "tools/AudioSettingsDlg.h"

#include "sound/SoundCapture.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "sound/Sound.h"
#include "sound/VirtualDevice.h"
#include "theory/NoteManager.h"

namespace {

DEVICE_INFO Device(const char* name, uint8_t seed) {
    DEVICE_INFO device;
    if (seed != 0)
        MakeDeviceId("Test API", name, device.guid);
    device.description = name;
    return device;
}

CVarList<DEVICE_INFO> Devices(std::initializer_list<DEVICE_INFO> devices) {
    CVarList<DEVICE_INFO> list;
    for (const DEVICE_INFO& device : devices)
        list.Add(device);
    return list;
}

bool SameId(const uint8_t a[16], const uint8_t b[16]) {
    return std::memcmp(a, b, 16) == 0;
}

class AudioSettingsTest : public ::testing::Test {
protected:
    AudioSettingsTest()
        : inputs(Devices({Device("Default input device", 0), Device("USB microphone", 1),
                          Device("Line in", 2)})),
          outputs(Devices({Device("Default output device", 0), Device("Speakers", 3),
                           Device("Headphones", 4), Device("HDMI", 5)})) {}

    std::unique_ptr<CAudioSettingsDlg> Open() {
        auto dialog = std::make_unique<CAudioSettingsDlg>(audio, inputs, outputs);
        EXPECT_TRUE(dialog->Initialize()) << dialog->GetError().GetText();
        return dialog;
    }
    void Click(CAudioSettingsDlg& dialog, QDialogButtonBox::StandardButton which) {
        QTest::mouseClick(dialog.GetButtons()->button(which), Qt::LeftButton);
    }

    AUDIO_SETTINGS audio;
    CVarList<DEVICE_INFO> inputs;
    CVarList<DEVICE_INFO> outputs;
};

TEST_F(AudioSettingsTest, ListsEveryDeviceByName) {
    auto dialog = Open();
    EXPECT_EQ(dialog->windowTitle().toStdString(), "Audio Settings");
    EXPECT_TRUE(dialog->isModal());
    CListWrapper& input = dialog->List(CAudioSettingsDlg::kIdInput);
    CListWrapper& output = dialog->List(CAudioSettingsDlg::kIdOutput);
    ASSERT_EQ(input.GetCount(), 3);
    ASSERT_EQ(output.GetCount(), 4);
    EXPECT_STREQ(input.GetItemText(1), "USB microphone");
    EXPECT_STREQ(output.GetItemText(2), "Headphones");
    EXPECT_EQ(dialog->Combo(CAudioSettingsDlg::kIdInput)->objectName(), "1186");
    EXPECT_EQ(dialog->Combo(CAudioSettingsDlg::kIdOutput)->objectName(), "1190");
}

TEST_F(AudioSettingsTest, TheSavedDevicesAreSelected) {
    std::memcpy(audio.inputGuid, inputs[2].guid, 16);
    std::memcpy(audio.outputGuid, outputs[2].guid, 16);
    auto dialog = Open();
    EXPECT_STREQ(dialog->List(CAudioSettingsDlg::kIdInput).GetSelectedText(), "Line in");
    EXPECT_STREQ(dialog->List(CAudioSettingsDlg::kIdOutput).GetSelectedText(), "Headphones");
}

TEST_F(AudioSettingsTest, ADeviceThatIsGoneSelectsTheFirst) {
    // Unplugged: the headphones' identifier with one byte different is another device.
    std::memcpy(audio.outputGuid, outputs[2].guid, 16);
    audio.outputGuid[15] ^= 1;
    MakeDeviceId("Test API", "Unplugged microphone", audio.inputGuid);
    auto dialog = Open();
    int index = -1;
    ASSERT_TRUE(dialog->List(CAudioSettingsDlg::kIdOutput).GetSelectedIndex(index));
    EXPECT_EQ(index, 0);
    ASSERT_TRUE(dialog->List(CAudioSettingsDlg::kIdInput).GetSelectedIndex(index));
    EXPECT_EQ(index, 0);
    // Differing only in the first byte is not the same device either.
    std::memcpy(audio.outputGuid, outputs[3].guid, 16);
    audio.outputGuid[0] ^= 0x80;
    dialog = Open();
    ASSERT_TRUE(dialog->List(CAudioSettingsDlg::kIdOutput).GetSelectedIndex(index));
    EXPECT_EQ(index, 0);
}

TEST_F(AudioSettingsTest, OkStoresBothChosenDevices) {
    auto dialog = Open();
    dialog->Combo(CAudioSettingsDlg::kIdInput)->setCurrentIndex(1);
    dialog->Combo(CAudioSettingsDlg::kIdOutput)->setCurrentIndex(3);
    Click(*dialog, QDialogButtonBox::Ok);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_TRUE(SameId(audio.inputGuid, inputs[1].guid));
    EXPECT_STREQ(audio.inputName, "USB microphone");
    EXPECT_TRUE(SameId(audio.outputGuid, outputs[3].guid));
    EXPECT_STREQ(audio.outputName, "HDMI");

    // Back to the system's default devices: the all-zero identifier.
    dialog = Open();
    EXPECT_STREQ(dialog->List(CAudioSettingsDlg::kIdOutput).GetSelectedText(), "HDMI");
    dialog->Combo(CAudioSettingsDlg::kIdInput)->setCurrentIndex(0);
    dialog->Combo(CAudioSettingsDlg::kIdOutput)->setCurrentIndex(0);
    Click(*dialog, QDialogButtonBox::Ok);
    EXPECT_TRUE(IsDefaultDeviceId(audio.inputGuid));
    EXPECT_TRUE(IsDefaultDeviceId(audio.outputGuid));
    EXPECT_STREQ(audio.outputName, "Default output device");
}

TEST_F(AudioSettingsTest, CancelStoresNothing) {
    std::memcpy(audio.outputGuid, outputs[1].guid, 16);
    audio.outputName = "Speakers";
    const AUDIO_SETTINGS before = audio;
    auto dialog = Open();
    dialog->Combo(CAudioSettingsDlg::kIdInput)->setCurrentIndex(2);
    dialog->Combo(CAudioSettingsDlg::kIdOutput)->setCurrentIndex(2);
    Click(*dialog, QDialogButtonBox::Cancel);
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_TRUE(SameId(audio.inputGuid, before.inputGuid));
    EXPECT_TRUE(SameId(audio.outputGuid, before.outputGuid));
    EXPECT_STREQ(audio.inputName, before.inputName);
    EXPECT_STREQ(audio.outputName, "Speakers");
    // Escape is Cancel too.
    dialog = Open();
    dialog->Combo(CAudioSettingsDlg::kIdOutput)->setCurrentIndex(3);
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_STREQ(audio.outputName, "Speakers");
}

// A machine without any input device can still choose where the band plays.
TEST_F(AudioSettingsTest, WithoutInputDevicesTheOutputIsStillStored) {
    inputs.RemoveAll();
    auto dialog = Open();
    int index = -1;
    EXPECT_FALSE(dialog->List(CAudioSettingsDlg::kIdInput).GetSelectedIndex(index));
    dialog->Combo(CAudioSettingsDlg::kIdOutput)->setCurrentIndex(2);
    Click(*dialog, QDialogButtonBox::Ok);
    EXPECT_TRUE(IsDefaultDeviceId(audio.inputGuid));
    EXPECT_STREQ(audio.inputName, "");
    EXPECT_TRUE(SameId(audio.outputGuid, outputs[2].guid));
}

// With no sound card the virtual device is the choice, in both lists, under a plain name.
TEST(AudioSettingsDevices, TheVirtualDeviceIsOfferedInBothLists) {
    APP_SETTINGS settings;
    CSoundCapture capture(settings.audio, nullptr);
    ASSERT_TRUE(capture.EnumerateDevices()) << capture.GetErrorText().GetText();
    const CVarList<DEVICE_INFO>& inputs = capture.GetDevices();
    CNoteManager manager;
    CSound sound(settings, manager);
    ASSERT_TRUE(sound.EnumerateDevices()) << sound.GetErrorText().GetText();

    AUDIO_SETTINGS audio;
    CAudioSettingsDlg dialog(audio, inputs, sound.GetDevices());
    ASSERT_TRUE(dialog.Initialize());
    auto find = [&](CAudioSettingsDlg::CONTROL id, const char* word) {
        CListWrapper& list = dialog.List(id);
        for (int i = 0; i < list.GetCount(); ++i)
            if (std::strstr(list.GetItemText(i), word))
                return i;
        return -1;
    };
    const int input = find(CAudioSettingsDlg::kIdInput, "no sound card");
    const int output = find(CAudioSettingsDlg::kIdOutput, "no sound card");
    ASSERT_GE(input, 0);
    ASSERT_GE(output, 0);
    EXPECT_TRUE(
        std::strstr(dialog.List(CAudioSettingsDlg::kIdInput).GetItemText(input), "Virtual"));
    EXPECT_TRUE(
        std::strstr(dialog.List(CAudioSettingsDlg::kIdOutput).GetItemText(output), "Virtual"));

    // Chosen and kept, the engine opens it at the next start of the devices.
    dialog.Combo(CAudioSettingsDlg::kIdInput)->setCurrentIndex(input);
    dialog.Combo(CAudioSettingsDlg::kIdOutput)->setCurrentIndex(output);
    dialog.accept();
    uint8_t id[16];
    CVirtualDevice::GetOutputId(id);
    EXPECT_TRUE(SameId(audio.outputGuid, id));
    EXPECT_STREQ(audio.outputName, CVirtualDevice::kOutputName);
    MakeDeviceId(CVirtualDevice::kHostApi, CVirtualDevice::kInputName, id);
    EXPECT_TRUE(SameId(audio.inputGuid, id));
}

// ------------------------------------------------------------------ the Settings "Audio" entry

class OpenAudioSettingsTest : public AudioSettingsTest {
protected:
    void SetUp() override {
        owner.setGeometry(100, 100, 900, 700);
        owner.show();
        listInputs = [this](CVarList<DEVICE_INFO>& list, CCharString&) {
            ++inputCalls;
            list = inputs;
            return true;
        };
        listOutputs = [this](CVarList<DEVICE_INFO>& list, CCharString&) {
            ++outputCalls;
            list = outputs;
            return true;
        };
    }
    // Answers the dialog once it runs, as the user would.
    void AnswerWith(std::function<void(CAudioSettingsDlg&)> answer) {
        QTimer::singleShot(0, [this, answer] {
            auto* dialog = qobject_cast<CAudioSettingsDlg*>(QApplication::activeModalWidget());
            if (!dialog) {
                ADD_FAILURE() << "no modal Audio Settings dialog";
                return;
            }
            shownCentre = dialog->geometry().center();
            answer(*dialog);
        });
    }
    bool Run() {
        return OpenAudioSettings(
            &owner, audio, listInputs, listOutputs, [this] { ++reopened; }, error);
    }

    QWidget owner;
    DEVICE_ENUMERATOR listInputs, listOutputs;
    int inputCalls = 0, outputCalls = 0, reopened = 0;
    QPoint shownCentre;
    CCharString error;
};

TEST_F(OpenAudioSettingsTest, OkKeepsTheChoiceAndReopensTheDevices) {
    AnswerWith([this](CAudioSettingsDlg& dialog) {
        dialog.Combo(CAudioSettingsDlg::kIdOutput)->setCurrentIndex(2);
        Click(dialog, QDialogButtonBox::Ok);
    });
    ASSERT_TRUE(Run()) << error.GetText();
    EXPECT_EQ(reopened, 1);
    EXPECT_STREQ(audio.outputName, "Headphones");
    EXPECT_LE((shownCentre - owner.geometry().center()).manhattanLength(), 4)
        << "centred over the main window";
}

TEST_F(OpenAudioSettingsTest, CancelKeepsNothingButStillReopensTheDevices) {
    AnswerWith([this](CAudioSettingsDlg& dialog) {
        dialog.Combo(CAudioSettingsDlg::kIdOutput)->setCurrentIndex(2);
        Click(dialog, QDialogButtonBox::Cancel);
    });
    ASSERT_TRUE(Run()) << error.GetText();
    EXPECT_EQ(reopened, 1);
    EXPECT_STREQ(audio.outputName, "");
    EXPECT_TRUE(IsDefaultDeviceId(audio.outputGuid));
}

TEST_F(OpenAudioSettingsTest, InputsThatCannotBeListedStopBeforeTheDialog) {
    listInputs = [](CVarList<DEVICE_INFO>&, CCharString& why) {
        why = "Device unavailable";
        return false;
    };
    EXPECT_FALSE(Run());
    EXPECT_STREQ(error, "Can't enumerate audio input devices: Device unavailable");
    EXPECT_EQ(outputCalls, 0) << "the outputs are not asked";
    EXPECT_EQ(reopened, 0);
}

TEST_F(OpenAudioSettingsTest, OutputsThatCannotBeListedStopBeforeTheDialog) {
    listOutputs = [](CVarList<DEVICE_INFO>&, CCharString& why) {
        why = AudioResultText(-10000); // PortAudio not initialised
        return false;
    };
    EXPECT_FALSE(Run());
    EXPECT_EQ(std::string(error.GetText()),
              std::string("Can't enumerate audio output devices: ") + AudioResultText(-10000));
    EXPECT_EQ(inputCalls, 1);
    EXPECT_EQ(reopened, 0);
}

} // namespace
