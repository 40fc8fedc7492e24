#include "tools/AudioSettingsDlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <cstring>

#include "sound/VirtualDevice.h"

namespace {

bool SameId(const uint8_t a[16], const uint8_t b[16]) {
    return std::memcmp(a, b, 16) == 0;
}

} // namespace

CAudioSettingsDlg::CAudioSettingsDlg(AUDIO_SETTINGS& audio, const CVarList<DEVICE_INFO>& inputs,
                                     const CVarList<DEVICE_INFO>& outputs, QWidget* owner)
    : QDialog(owner), m_audio(audio), m_inputs(inputs), m_outputs(outputs) {
    setWindowTitle(kTitle);
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    m_inputCombo = new QComboBox(this);
    m_inputCombo->setObjectName(QString::number(kIdInput));
    m_inputCombo->setToolTip("The device the tuner and the sample recorder listen to");
    m_outputCombo = new QComboBox(this);
    m_outputCombo->setObjectName(QString::number(kIdOutput));
    m_outputCombo->setToolTip("The device the band plays through");
    for (QComboBox* combo : {m_inputCombo, m_outputCombo}) {
        combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        combo->setMinimumWidth(280);
    }
    form->addRow("Input:", m_inputCombo);
    form->addRow("Output:", m_outputCombo);
    layout->addLayout(form);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(m_buttons);
    connect(m_buttons, &QDialogButtonBox::accepted, this, &CAudioSettingsDlg::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &CAudioSettingsDlg::reject);
    m_input.Bind(m_inputCombo);
    m_output.Bind(m_outputCombo);
}

CCharString CAudioSettingsDlg::DisplayName(const DEVICE_INFO& device) {
    uint8_t id[16];
    CVirtualDevice::GetOutputId(id);
    if (SameId(device.guid, id))
        return "Virtual output device (silent; no sound card needed)";
    CVirtualDevice::GetInputId(id);
    if (SameId(device.guid, id))
        return "Virtual input device (silence; no sound card needed)";
    return device.description;
}

bool CAudioSettingsDlg::Fill(CListWrapper& list, const CVarList<DEVICE_INFO>& devices,
                             const uint8_t saved[16]) {
    list.Reset();
    for (size_t i = 0; i < devices.GetCount(); ++i) {
        // The item's value is the device's place in the list, which keeps its DEVICE_INFO.
        if (!list.AddItem(DisplayName(devices[i]), static_cast<int32_t>(i))) {
            m_error.Format("Can't add device \"%s\" to the list", devices[i].description.GetText());
            return false;
        }
    }
    for (size_t i = 0; i < devices.GetCount(); ++i)
        if (SameId(devices[i].guid, saved))
            return list.SelectIndex(static_cast<int>(i));
    if (list.GetCount() > 0)
        list.SelectIndex(0);
    return true;
}

bool CAudioSettingsDlg::Initialize() {
    if (!Fill(m_input, m_inputs, m_audio.inputGuid) ||
        !Fill(m_output, m_outputs, m_audio.outputGuid))
        return false;
    adjustSize();
    if (QWidget* owner = parentWidget()) {
        const QPoint centre = owner->mapToGlobal(owner->rect().center());
        move(centre - QPoint(width() / 2, height() / 2));
    }
    return true;
}

void CAudioSettingsDlg::StoreSelection() {
    int index = -1;
    if (m_input.GetSelectedIndex(index)) {
        const DEVICE_INFO& input = m_inputs[static_cast<size_t>(m_input.GetItemValue(index))];
        std::memcpy(m_audio.inputGuid, input.guid, kDeviceGuidSize);
        m_audio.inputName = input.description;
    }
    // The output is stored even when there is no input device to choose: otherwise a machine
    // without one could never change its output.
    if (m_output.GetSelectedIndex(index)) {
        const DEVICE_INFO& output = m_outputs[static_cast<size_t>(m_output.GetItemValue(index))];
        std::memcpy(m_audio.outputGuid, output.guid, kDeviceGuidSize);
        m_audio.outputName = output.description;
    }
}

void CAudioSettingsDlg::accept() {
    StoreSelection();
    QDialog::accept();
}

bool OpenAudioSettings(QWidget* owner, AUDIO_SETTINGS& audio, const DEVICE_ENUMERATOR& inputs,
                       const DEVICE_ENUMERATOR& outputs, const std::function<void()>& reopen,
                       CCharString& error) {
    CVarList<DEVICE_INFO> inputDevices;
    CCharString why;
    if (!inputs || !inputs(inputDevices, why)) {
        error.Format("Can't enumerate audio input devices: %s", why.GetText());
        return false;
    }
    CVarList<DEVICE_INFO> outputDevices;
    if (!outputs || !outputs(outputDevices, why)) {
        error.Format("Can't enumerate audio output devices: %s", why.GetText());
        return false;
    }
    CAudioSettingsDlg dialog(audio, inputDevices, outputDevices, owner);
    if (!dialog.Initialize()) {
        error.Format("Can't create Audio Settings dialog: %s", dialog.GetError().GetText());
        return false;
    }
    dialog.exec();
    if (reopen)
        reopen();
    return true;
}
