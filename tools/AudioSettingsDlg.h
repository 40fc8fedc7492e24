#pragma once

#include <QDialog>
#include <functional>

#include "core/CharString.h"
#include "core/Settings.h"
#include "core/VarList.h"
#include "sound/AudioDevice.h"
#include "ui/Controls.h"

class QComboBox;
class QDialogButtonBox;

// Audio Settings: chooses the sound input and output devices. Modal; it lives only while it
// runs. The lists show the devices the sound capture and the sound engine found; OK writes the
// chosen identifiers and names into the audio part of the settings, Cancel writes nothing.
class CAudioSettingsDlg : public QDialog {
    Q_OBJECT
public:
    enum CONTROL : int {
        kIdInput = 1186,
        kIdOutput = 1190,
    };
    static constexpr const char* kTitle = "Audio Settings";

    CAudioSettingsDlg(AUDIO_SETTINGS& audio, const CVarList<DEVICE_INFO>& inputs,
                      const CVarList<DEVICE_INFO>& outputs, QWidget* owner = nullptr);

    // Fills both lists, selects the saved device of each (all 16 bytes of its identifier
    // equal) or else the first, and centres the dialog over its owner.
    bool Initialize();
    // Stores the selections in the settings: the input's identifier and name, then the
    // output's.
    void StoreSelection();

    // The list text of a device: its name, with the virtual device's made plain.
    static CCharString DisplayName(const DEVICE_INFO& device);

    CListWrapper& List(CONTROL id) { return id == kIdInput ? m_input : m_output; }
    QComboBox* Combo(CONTROL id) const { return id == kIdInput ? m_inputCombo : m_outputCombo; }
    QDialogButtonBox* GetButtons() const { return m_buttons; }
    const CCharString& GetError() const { return m_error; }

    void accept() override;

private:
    bool Fill(CListWrapper& list, const CVarList<DEVICE_INFO>& devices, const uint8_t saved[16]);

    AUDIO_SETTINGS& m_audio;
    CVarList<DEVICE_INFO> m_inputs;
    CVarList<DEVICE_INFO> m_outputs;
    QComboBox* m_inputCombo = nullptr;
    QComboBox* m_outputCombo = nullptr;
    QDialogButtonBox* m_buttons = nullptr;
    CListWrapper m_input;
    CListWrapper m_output;
    CCharString m_error;
};

// Lists devices into the list; false with the reason in error.
using DEVICE_ENUMERATOR = std::function<bool(CVarList<DEVICE_INFO>& devices, CCharString& error)>;

// The Settings "Audio" entry: enumerates the input devices ("Can't enumerate audio input
// devices: %s"), then the output devices ("Can't enumerate audio output devices: %s"), runs the
// dialog modally over owner ("Can't create Audio Settings dialog: %s") and, once it has run,
// whichever button closed it, calls reopen. On failure the message is left in error.
bool OpenAudioSettings(QWidget* owner, AUDIO_SETTINGS& audio, const DEVICE_ENUMERATOR& inputs,
                       const DEVICE_ENUMERATOR& outputs, const std::function<void()>& reopen,
                       CCharString& error);
