#include "app/Center.h"

#include <QAction>
#include <QCoreApplication>
#include <QLayout>
#include <QMdiArea>
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/SettingsStore.h"
#include "app/Version.h"
#include "band/Animation.h"
#include "band/Band.h"
#include "band/BandPictureSet.h"
#include "core/Report.h"
#include "render/SpacePainter.h"
#include "song/Composer.h"
#include "song/MidiKeyboard.h"
#include "song/Mix.h"
#include "sound/AudioDevice.h"
#include "sound/Render.h"
#include "sound/Sound.h"
#include "sound/SoundCapture.h"
#include "theory/NoteManager.h"
#include "tools/AudioSettingsDlg.h"
#include "tools/GeneratorDlg.h"
#include "tools/MainWnd.h"
#include "tools/MixerDlg.h"
#include "tools/SamplerDlg.h"
#include "tools/ShowScaleDlg.h"
#include "tools/SongEditorDlg.h"
#include "tools/SpacePainterWnd.h"
#include "tools/TextWnd.h"
#include "tools/TunerDlg.h"
#include "ui/MessageBox.h"

namespace {

struct DRUM_MIX {
    THING channel;
    float volume;
    float pan;
};

// The drum kit's channels before the mix file is read.
constexpr DRUM_MIX kDrumMix[] = {
    {THING_BASS_DRUM_1, 1.0f, 0.2f},
    {THING_BASS_DRUM_2, 1.0f, -0.2f},
    {THING_HIHAT_OPEN, 0.6f, -0.8f},
    {THING_HIHAT_CLOSED, 0.6f, -0.8f},
    {THING_HIHAT_FOOT, 0.6f, -0.8f},
    {THING_SNARE_DRUM, 0.7f, -0.2f},
    {THING_TOM_1, 1.0f, -0.2f},
    {THING_TOM_2, 1.0f, 0.0f},
    {THING_TOM_3, 1.0f, 0.2f},
    {THING_TOM_4, 1.0f, 0.4f},
    {THING_TOM_5, 1.0f, 0.6f},
    {THING_TOM_6, 1.0f, 0.8f},
    {THING_RIDE_CYMBAL, 0.6f, 0.5f},
    {THING_RIDE_CYMBAL_BELL, 0.6f, 0.5f},
    {THING_CRASH_CYMBAL_1, 0.6f, -0.6f},
    {THING_CRASH_CYMBAL_2, 0.6f, 0.0f},
    {THING_CRASH_CYMBAL_3, 0.6f, 0.6f},
    {THING_CRASH_CYMBAL_4, 0.6f, 0.8f},
    {THING_SPLASH_CYMBAL_1, 0.6f, -0.3f},
    {THING_SPLASH_CYMBAL_2, 0.6f, 0.3f},
};

constexpr const char* kContentIndex = "Scales/Scales Content.txt";
constexpr const char* kDefaultMix = "Default.mix";

} // namespace

class CCenter::CShowScaleLink : public CShowScaleHost {
public:
    explicit CShowScaleLink(CCenter& center) : m_center(center) {}
    CNoteManager& GetNoteManager() override { return *m_center.m_noteManager; }
    CComposer& GetComposer() override { return *m_center.m_composer; }
    bool PlayNotes(const CNoteList& notes, bool animate, int repeatCount, double startOffset,
                   double lengthPerRepeat, int repeats, int playOptions) override {
        return m_center.PlayNotes(notes, animate, repeatCount, startOffset, lengthPerRepeat,
                                  repeats, playOptions);
    }
    void Stop() override { m_center.Stop(); }
    double GetPlayTime() const override { return m_center.GetPlayTime(); }
    const CCharString& GetHostError() const override { return m_center.m_error; }
    CCharString GetGrooveRoot() const override { return m_center.m_settings->grooveRootPath; }
    CCharString GetUserGrooveRoot() const override {
        return m_center.m_settings->folders.GetUser(FOLDER_GROOVES);
    }
    // Each acts on the band when the band view holds one, and does nothing otherwise.
    bool ShowScaleMarks(int root, int scale) override {
        CNoteList notes;
        if (!m_center.m_noteManager->GetScaleNotes(root, scale, notes))
            return m_center.Fail("%s", m_center.m_noteManager->GetErrorText().GetText());
        return OnBand([&](CBand& band) { return band.ShowPitches(notes) ? nullptr : &band; });
    }
    bool ShowNotesOnGuitars(const CNoteList& notes) override {
        return OnBand([&](CBand& band) { return band.ShowNotes(notes, false) ? nullptr : &band; });
    }
    bool ShowChordNames(const CChord& chord) override {
        return OnBand(
            [&](CBand& band) { return band.ShowNoteNames(chord.m_notes) ? nullptr : &band; });
    }
    bool ShowChordOnGuitarist(const CChord& chord) override {
        return OnBand([&](CBand& band) -> CPrimitive* {
            CGuitars* guitar = band.GetGuitar(chord.m_thing);
            if (!guitar)
                guitar = band.GetGuitar(THING_LEAD_GUITAR);
            return guitar->PlayChord(chord, 1.0f, 0, 0.0, nullptr) ? nullptr : guitar;
        });
    }
    bool SetHandPosition(THING thing, int fret) override {
        return OnBand([&](CBand& band) -> CPrimitive* {
            CGuitars* guitar = band.GetGuitar(thing);
            return !guitar || guitar->ResetHand(std::clamp(fret, 0, 14)) ? nullptr : guitar;
        });
    }
    bool FrameFrets(THING guitar, int firstFret, int lastFret) override {
        return !m_center.m_scene ||
               m_center.m_scene->LookAt(guitar, std::max(firstFret, 0), std::min(lastFret, 22));
    }

private:
    // Runs the change under the scene lock and has the view drawn again. The change returns
    // the part that failed, whose error becomes the application's, or null.
    template <typename CHANGE> bool OnBand(CHANGE change) {
        std::lock_guard<std::recursive_mutex> lock(m_center.m_lock);
        CBand* band = m_center.GetBand();
        if (!band)
            return true;
        const CPrimitive* failed = change(*band);
        m_center.m_scene->Invalidate();
        if (failed)
            return m_center.Fail("%s", failed->GetError().GetText());
        return true;
    }

    CCenter& m_center;
};

class CCenter::CTutorialLink : public CTutorialHost {
public:
    explicit CTutorialLink(CCenter& center) : m_center(center) {}
    CShowScaleDlg* GetShowScaleTool() override {
        return dynamic_cast<CShowScaleDlg*>(m_center.Lookup(kKindShowScale));
    }
    CCharString GetGrooveRoot() const override { return m_center.m_settings->grooveRootPath; }
    CCharString GetSongPath() const override { return m_center.m_settings->songPath; }
    bool LookAt(THING thing) override {
        return !m_center.m_scene || m_center.m_scene->LookAt(thing, 0, 12);
    }
    bool FindOpenWindow(int kind, CBaseWindow*& window, CCharString& error) override {
        // The Song Editor opens for a lesson that asks for it.
        window = kind == kKindSongEditor ? m_center.GetSongEditor() : m_center.Lookup(kind);
        if (!window)
            error.Format("Can't find open window %d", kind);
        return window != nullptr;
    }
    bool OpenLessonFile(CBaseWindow& window, const PRACTICE_REQUEST& request, const char* path,
                        bool showNotes, bool play, CCharString& error) override {
        auto* editor = dynamic_cast<CSongEditorDlg*>(&window);
        if (!editor) {
            error.Format("Can't find open window %d", kKindSongEditor);
            return false;
        }
        if (!request.style.IsEmpty() && !request.groove.IsEmpty())
            editor->SelectGroove(request.style, request.groove);
        editor->SetShowNotes(showNotes);
        if (!m_center.OpenFile(path, true)) {
            error = m_center.m_error;
            return false;
        }
        if (play)
            editor->Play(std::strstr(path, ".Song") ? CSongEditorDlg::kSong
                                                    : CSongEditorDlg::kGroove);
        return true;
    }

private:
    CCenter& m_center;
};

class CCenter::CSongEditorLink : public CSongEditorHost {
public:
    explicit CSongEditorLink(CCenter& center) : m_center(center) {}
    CNoteManager& GetNoteManager() override { return *m_center.m_noteManager; }
    CComposer& GetComposer() override { return *m_center.m_composer; }
    CWaveRenderer* GetRenderer() override {
        if (!m_center.m_sound || !m_center.m_sound->IsInitialized())
            return nullptr;
        if (!m_renderer)
            m_renderer = std::make_unique<CSongRenderer>(*m_center.m_sound);
        return m_renderer.get();
    }
    bool PlayNotes(const CNoteList& notes, double startOffset, const char* recordPath) override {
        return m_center.PlayNotes(notes, true, 1, startOffset, 0.0, 1, 0, recordPath);
    }
    void Stop() override { m_center.Stop(); }
    const CCharString& GetHostError() const override { return m_center.m_error; }
    // Through the application, so that a missing input device is an error and those hearing
    // the input go on hearing it after the take.
    bool StartInputRecording(const char* path, CCharString& error) override {
        return m_center.StartRecording(path, 2, error);
    }
    bool StopInputRecording(CCharString& error) override { return m_center.StopRecording(error); }
    double GetInputMixStart() const override {
        return m_center.m_capture ? m_center.m_capture->GetMixStart() : 0.0;
    }
    float GetInputLevel() const override { return 0.0f; }
    bool MixRecordings(const char* input, double start, const char* playback, const char* out,
                       CCharString& error) override {
        if (m_center.m_sound && m_center.m_sound->MixFiles(input, start, playback, out))
            return true;
        error = m_center.m_sound ? m_center.m_sound->GetErrorText() : "No sound engine";
        return false;
    }

private:
    CCenter& m_center;
    std::unique_ptr<CSongRenderer> m_renderer;
};

class CCenter::CGeneratorLink : public CGeneratorHost {
public:
    explicit CGeneratorLink(CCenter& center) : m_center(center) {}
    CGenerator& GetGenerator() override { return *m_center.m_generator; }
    bool PlaySample(const CSoundInfo& sample, CCharString& error) override {
        CSound* sound = m_center.m_sound.get();
        if (!sound || !sound->IsInitialized()) {
            error = "No sound output is open: choose one in Settings > Audio.";
            return false;
        }
        if (sound->PlaySample(sample))
            return true;
        error = sound->GetErrorText();
        return false;
    }

private:
    CCenter& m_center;
};

class CCenter::CTunerLink : public CTunerHost {
public:
    explicit CTunerLink(CCenter& center) : m_center(center) {}
    bool StartCapture(CCharString& error) override { return m_center.StartCapture(error); }
    void StopCapture() override { m_center.StopCapture(); }
    CNote GetLatestInputNote() const override { return m_center.m_latestInput; }
    CCharString GetCaptureError() const override { return m_center.GetCaptureError(); }
    CNoteManager& GetNoteManager() override { return *m_center.m_noteManager; }

private:
    CCenter& m_center;
};

class CCenter::CSamplerLink : public CSamplerHost {
public:
    explicit CSamplerLink(CCenter& center) : m_center(center) {}
    bool StartCapture(CCharString& error) override { return m_center.StartCapture(error); }
    void StopCapture() override { m_center.StopCapture(); }
    CNote GetLatestInputNote() const override { return m_center.m_latestInput; }
    CCharString GetCaptureError() const override { return m_center.GetCaptureError(); }
    CNoteManager& GetNoteManager() override { return *m_center.m_noteManager; }
    bool StartRecording(const char* path, CCharString& error) override {
        return m_center.StartRecording(path, 1, error);
    }
    bool StopRecording(CCharString& error) override { return m_center.StopRecording(error); }
    // Recordings go where the user's own sets are read from, never over the shipped ones.
    CCharString GetSamplesFolder() const override {
        const CCharString& mine = m_center.m_settings->folders.GetUser(FOLDER_SOUND);
        return mine.IsEmpty() ? m_center.m_settings->soundPath : mine;
    }

private:
    CCenter& m_center;
};

CCenter::CCenter(int appNumber, const char* commandLine)
    : m_appNumber(appNumber), m_commandLine(commandLine),
      m_keyClockStart(std::chrono::steady_clock::now()) {}

CCenter::~CCenter() {
    // A start-up that failed before the message loop never ran Close: take the windows down
    // without saving anything.
    m_closed = true;
    for (CBaseWindow* window : m_windows)
        delete window;
    m_windows.RemoveAll();
    m_sound.reset();
    m_mainWnd.reset();
}

bool CCenter::Fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    m_error.FormatV(format, args);
    va_end(args);
    return false;
}

bool CCenter::FailReported(const char* file, int line, const char* format, ...) {
    va_list args;
    va_start(args, format);
    m_error.FormatV(format, args);
    va_end(args);
    ReportError(file, line, "%s", m_error.GetText());
    return false;
}

bool CCenter::Create() {
    // The private heap of the original design has no counterpart here: the lists allocate from
    // the process heap and keep their memory when refilled.
    m_noteManager = std::make_unique<CNoteManager>(this);
    m_mix = std::make_unique<CMix>();
    m_midiKeyboard = std::make_unique<CMidiKeyboard>();

    m_title = kProductTitle;
    m_icon = kMainIcon;
    m_menu = kMainMenu;

    // A failed load keeps the defaults: a first run.
    m_settings = std::make_unique<APP_SETTINGS>();
    LoadSettings(m_settings.get(), m_title, m_appNumber);
    m_firstRun = !m_settings->mainRect.IsSet();

    m_mainWnd = std::make_unique<CMainWnd>(this, m_settings.get());
    if (!m_mainWnd->CreateFrame(m_title))
        return Fail("Can't create main window:\n%s", m_mainWnd->GetError().GetText());
    return true;
}

void CCenter::SetDefaultDrumMix() {
    for (const DRUM_MIX& drum : kDrumMix) {
        if (drum.channel >= m_channels.GetCount())
            continue;
        m_channels[drum.channel].m_volume = drum.volume;
        m_channels[drum.channel].m_pan = drum.pan;
    }
}

bool CCenter::Initialize() {
    // No log file in this application; GDI+ has no counterpart (Qt paints).
    m_channels.RemoveAll();
    for (int i = 0; i < kChannelCount; ++i) {
        CNote channel;
        channel.m_thing = static_cast<THING>(i);
        if (!m_channels.Append(channel))
            return FailReported(__FILE__, __LINE__, "Can't initialize musical instruments");
    }
    SetDefaultDrumMix();

    if (!m_noteManager->Initialize())
        return FailReported(__FILE__, __LINE__, "Can't initialize note manager: %s",
                            m_noteManager->GetErrorText().GetText());

    // The user's own "Default.mix" before a shipped one. A missing one is not an error: the
    // built-in mix stands in.
    const CCharString mixPath = m_settings->folders.Find(FOLDER_SOUND, kDefaultMix);
    if (!m_mix->Load(mixPath) && !m_mix->SetDefaults())
        return FailReported(__FILE__, __LINE__, "Can't set default mix: %s",
                            m_mix->GetError().GetText());

    // The MIDI keyboard's layout is fixed; it has nothing to initialise.

    m_sound = std::make_unique<CSound>(*m_settings, *m_noteManager);
    if (m_deviceFactory)
        m_sound->SetDevice(m_deviceFactory());
    // Input notes cross to this thread as posted messages, each with its own copy.
    CMainWnd* frame = m_mainWnd.get();
    m_capture = std::make_unique<CSoundCapture>(m_settings->audio, [frame](CNote* note) {
        frame->PostUserMessage(kMsgPlayNote, 0, reinterpret_cast<intptr_t>(note));
    });
    if (m_captureFactory)
        m_capture->SetDevice(m_captureFactory());
    OpenAudioDevices(); // device errors never fail the start

    m_generator = std::make_unique<CGenerator>(*m_settings);
    m_composer = std::make_unique<CComposer>(*m_noteManager);
    // The composer reads its grooves from the groove root and applies the current mix; it has
    // nothing else to initialise, so it cannot fail here.
    m_composer->SetGrooveRoot(m_settings->grooveRootPath,
                              m_settings->folders.GetUser(FOLDER_GROOVES));
    m_composer->SetMix(m_mix.get());

    m_animator = std::make_unique<CAnimationPlayer>(&m_lock);
    // The band follows the sound's own clock, so the two never drift apart.
    m_animator->SetClock(
        [this](double& seconds) { return m_sound && m_sound->GetPlayedSeconds(seconds); });
    m_scene = std::make_unique<CSpacePainter>();
    auto pictures = std::make_unique<CBandPictureSet>(m_noteManager.get());
    pictures->SetAnimator(m_animator.get());
    m_scene->SetBandPictures(std::move(pictures));

    if (!CreateToolWindows())
        return false;

    // Without OpenGL the band view says so and the scene lives on without a device; a device
    // that fails on a machine with OpenGL is reported, and the rest of the application works.
    auto* band = dynamic_cast<CSpacePainterWnd*>(Lookup(kKindSpacePainter));
    if (band && band->GetView() && m_scene &&
        !m_scene->Initialize(band->GetView(), m_mainWnd.get())) {
        CCharString text;
        text.Format("Can't initialize SpacePainter: %s", m_scene->GetError().GetText());
        REPORT_ERROR("%s", text.GetText());
        ShowMessageBox(m_mainWnd.get(), text, kProductTitle, MB_ICON_STOP);
    }
    if (m_scene && !m_scene->SetPicture(m_picture))
        FailReported(__FILE__, __LINE__, "Can't create new picture in Space Painter: %s",
                     m_scene->GetError().GetText());

    auto* text = dynamic_cast<CTextWnd*>(Lookup(kKindText));
    if (!text)
        return Fail("Can't find open window %d", kKindText);
    CCharString index;
    index.Format("%s/%s", m_settings->tutorialPath.GetText(), kContentIndex);
    // The original left the error text empty here, so a broken index closed the program
    // without a word; the reader's message says what is wrong.
    if (!text->LoadIndex(index))
        return Fail("%s", text->GetError().GetText());

    if (m_scene)
        m_scene->LookAt(THING_LEAD_GUITAR, 0, 12);
    m_mainWnd->ShowWnd(true);
    // Arranged once the shown frame has taken the work area: its decorations are known only
    // then, and the windows must fit the client area that is left.
    if (m_firstRun)
        ArrangeWindows();
    return true;
}

void CCenter::AddWindow(CBaseWindow* window) {
    m_windows.Add(window);
}

bool CCenter::CreateToolWindows() {
    QMdiArea* area = m_mainWnd->GetMdiArea();

    auto* mixer = new CMixerDlg(m_mix.get(), &m_settings->mixer);
    if (!mixer->CreateTool(area, "Mixer")) {
        Fail("Can't create Mixer dialog: %s", mixer->GetError().GetText());
        delete mixer;
        return false;
    }
    AddWindow(mixer);

    auto* text = new CTextWnd(std::make_unique<CTutorialLink>(*this), &m_settings->text);
    WND_RECT textRect = CTextWnd::DefaultRect();
    if (!text->CreateTool(area, "Tutorial", &textRect)) {
        Fail("Can't create Text dialog: %s", text->GetError().GetText());
        delete text;
        return false;
    }
    AddWindow(text);

    auto* band = new CSpacePainterWnd(&m_settings->spacePainter, m_scene.get());
    WND_RECT bandRect = CSpacePainterWnd::DefaultRect();
    if (!band->CreateTool(area, "Band", &bandRect)) {
        Fail("Can't create Space Painter window:\n%s", band->GetError().GetText());
        delete band;
        return false;
    }
    AddWindow(band);

    m_showScaleLink = std::make_unique<CShowScaleLink>(*this);
    auto* scale = new CShowScaleDlg(*m_showScaleLink, &m_settings->showScale);
    if (!scale->CreateTool(area, "Show Scale")) {
        Fail("Can't create Show Scale dialog: %s", scale->GetError().GetText());
        delete scale;
        return false;
    }
    AddWindow(scale);
    scale->BringToTop();
    if (m_settings->generator.show && !ShowGenerator())
        return false;
    return true;
}

bool CCenter::ShowGenerator() {
    if (!Lookup(kKindGenerator)) {
        m_generatorLink = std::make_unique<CGeneratorLink>(*this);
        auto* generator = new CGeneratorDlg(*m_generatorLink, &m_settings->generator);
        const WND_RECT place = CGeneratorDlg::DefaultRect();
        if (!generator->CreateTool(m_mainWnd->GetMdiArea(), CGeneratorDlg::kTitle, &place)) {
            Fail("Can't create Generator dialog: %s", generator->GetError().GetText());
            delete generator;
            return false;
        }
        AddWindow(generator);
    }
    return ShowWindowKind(kKindGenerator, false);
}

CBaseWindow* CCenter::Lookup(int kind) const {
    for (CBaseWindow* window : m_windows)
        if (window->GetKind() == kind)
            return window;
    return nullptr;
}

bool CCenter::FindWindow(int kind, CBaseWindow** window) {
    *window = Lookup(kind);
    if (!*window)
        return Fail("Can't find open window %d", kind);
    return true;
}

bool CCenter::ShowWindowKind(int kind, bool centre) {
    CBaseWindow* window;
    if (!FindWindow(kind, &window))
        return Fail("Can't find window %d to show", kind);
    if (!window->ShowWnd(true))
        return Fail("Can't show window %d", kind);
    if (centre)
        window->CenterOver(m_mainWnd->GetMdiArea());
    return true;
}

void CCenter::ArrangeWindows() {
    CBaseWindow* mixer = Lookup(kKindMixer);
    CBaseWindow* text = Lookup(kKindText);
    if (!mixer || !text)
        return;
    // The client area of the frame, its layout settled now rather than at the next event.
    if (QLayout* layout = m_mainWnd->layout())
        layout->activate();
    const QSize client = m_mainWnd->GetMdiArea()->contentsRect().size();
    const int W = client.width();
    const int H = client.height();

    text->SetRect(0, 0, 400, 500);
    const int textWidth = text->GetWidth();
    const int textHeight = text->GetHeight();
    int toolWidth = 0;
    for (int kind : {kKindSongEditor, kKindShowScale}) {
        if (CBaseWindow* tool = Lookup(kind)) {
            tool->MoveTo(std::min(W - 100, textWidth), 0);
            toolWidth = tool->GetWidth();
        }
    }
    CBaseWindow* band = Lookup(kKindSpacePainter);
    if (band) {
        int left = std::min(toolWidth + textWidth, W - 100);
        int right = std::min(left + static_cast<int>(1.5 * H), W);
        int height = static_cast<int>((right - left) * band->GetAspect());
        band->SetRect(left, 0, right, height);
    }
    mixer->MoveTo(0, std::min(H - 100, textHeight));

    text->BringToTop();
    if (band)
        band->BringToTop();
    for (int kind : {kKindSongEditor, kKindShowScale})
        if (CBaseWindow* tool = Lookup(kind))
            tool->BringToTop();
    mixer->BringToTop();
}

bool CCenter::OpenAudioDevices() {
    CCharString message;
    bool failed = false;
    if (m_sound && !m_sound->OpenDevice()) {
        message.AppendFormat("Error initializing sound output:\n%s\n",
                             m_sound->GetErrorText().GetText());
        REPORT_ERROR("Error initializing sound output: %s", m_sound->GetErrorText().GetText());
        failed = true;
    }
    if (m_capture && !m_capture->SetFormat(44100, 16, 2)) {
        message.AppendFormat("Error initializing sound input:\n%s\n",
                             m_capture->GetErrorText().GetText());
        REPORT_ERROR("Error initializing sound input: %s", m_capture->GetErrorText().GetText());
        failed = true;
    } else if (m_capture && m_captureUsers > 0) {
        // The Tuner or the listening Show Scale tool goes on hearing the newly opened device.
        if (!m_capture->GetReady(nullptr, 0.0) || !m_capture->Start(false))
            REPORT_ERROR("Can't start sound capture: %s", m_capture->GetErrorText().GetText());
    }
    if (!failed)
        return true;
    message.Append("\nThe device may be disconnected.\nTry to connect the device and\nselect it "
                   "again in Audio Settings.");
    ShowMessageBox(m_mainWnd.get(), message, "Audio Device Error", MB_ICON_STOP);
    return false;
}

bool CCenter::PlayNotes(const CNoteList& notes, bool animate, int repeatCount, double startOffset,
                        double lengthPerRepeat, int repeats, int playOptions,
                        const char* recordPath) {
    (void)playOptions; // the engine always plays the list once
    m_currentNotes = notes;
    if (m_sound)
        m_sound->SetNotes(m_currentNotes);
    CBaseWindow* band = Lookup(kKindSpacePainter);
    const bool animating = animate && band && band->IsShown();
    m_currentNotes.ShiftTimes(startOffset);
    if (CBand* bandModel = animating ? GetBand() : nullptr; bandModel && m_animator) {
        // A band that can't play along (notes it has no player for, nothing that moves) is
        // reported, and the sound plays without it: the learner came for the sound.
        if (!m_animator->Start(bandModel, m_currentNotes, repeatCount * startOffset))
            REPORT_ERROR("Can't animate the band: %s", m_animator->GetError().GetText());
        m_scene->Invalidate();
    }
    if (m_sound) {
        m_sound->SetVolume(m_settings->audio.masterVolume);
        if (!m_sound->Start(m_currentNotes, 0.0, 0, recordPath)) {
            if (m_animator)
                m_animator->Stop();
            m_error.Format("Can't play sound:\n%s", m_sound->GetErrorText().GetText());
            ShowMessageBox(m_mainWnd.get(), m_error, "Sound Error", MB_ICON_STOP);
            return false;
        }
    }
    m_playing = true;
    m_firstNoteTime = notes.IsEmpty() ? 0.0 : notes[0].m_time;
    m_playEndTime = lengthPerRepeat == 0.0 ? notes.GetEndTime(true) : lengthPerRepeat * repeats;
    m_playEndTime += startOffset;
    m_playStart = std::chrono::steady_clock::now();
    return true;
}

double CCenter::SecondsSinceStart() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_playStart).count();
}

double CCenter::GetPlayTime() const {
    return m_playing ? SecondsSinceStart() : -1.0;
}

void CCenter::CheckEndOfPlay() {
    if (m_playing && m_playEndTime != 0.0 && SecondsSinceStart() > m_playEndTime)
        Stop();
}

CBand* CCenter::GetBand() const {
    auto* pictures = m_scene ? dynamic_cast<CBandPictureSet*>(m_scene->GetBandPictures()) : nullptr;
    return pictures ? pictures->GetBand() : nullptr;
}

void CCenter::Stop() {
    if (m_animator) {
        // Back to rest: the band stands still when nothing plays.
        if (!m_animator->Stop())
            REPORT_ERROR("%s", m_animator->GetError().GetText());
        if (m_scene)
            m_scene->Invalidate();
    }
    if (m_sound)
        m_sound->Stop();
    m_playing = false;
    if (auto* scale = dynamic_cast<CShowScaleDlg*>(Lookup(kKindShowScale)))
        scale->PlaybackStopped();
    if (auto* editor = dynamic_cast<CSongEditorDlg*>(Lookup(kKindSongEditor)))
        editor->PlaybackStopped();
}

bool CCenter::PlaySingleNote(CNote& note) {
    if (m_noteManager && !m_noteManager->CompleteNote(note))
        return Fail("%s", m_noteManager->GetErrorText().GetText());
    m_lastNote = note;
    m_currentNotes.Append(note);
    // No window of this application records notes (the song editor would).
    if (m_sound && m_sound->IsInitialized()) {
        const CSoundInfo* sample = nullptr;
        if (m_sound->GetSamples().FindSound(note, sample) && sample &&
            !m_sound->PlaySample(*sample))
            return Fail("%s", m_sound->GetErrorText().GetText());
    }
    return true;
}

bool CCenter::OpenFile(const char* path, bool show) {
    const char* dot = std::strrchr(path, '.');
    if (!dot || (std::strcmp(dot, ".mid") != 0 && std::strcmp(dot, ".Song") != 0))
        return Fail("Can't open file '%s': not a \".mid\" or \".Song\" file", path);
    CSongEditorDlg* editor = GetSongEditor();
    if (!editor)
        return false;
    if (show)
        ShowWindowKind(kKindSongEditor, false);
    if (!editor->OpenFile(path))
        return Fail("%s", editor->GetError().GetText());
    return true;
}

CSongEditorDlg* CCenter::GetSongEditor() {
    if (auto* editor = dynamic_cast<CSongEditorDlg*>(Lookup(kKindSongEditor)))
        return editor;
    if (!m_composer || !m_mainWnd) {
        Fail("Can't create Song Editor: the application is not initialized");
        return nullptr;
    }
    if (!m_songEditorLink)
        m_songEditorLink = std::make_unique<CSongEditorLink>(*this);
    auto* editor = new CSongEditorDlg(*m_songEditorLink, m_settings.get());
    const WND_RECT place = CSongEditorDlg::DefaultRect();
    if (!editor->CreateTool(m_mainWnd->GetMdiArea(), "Song Editor", &place)) {
        Fail("Can't create Song Editor: %s", editor->GetError().GetText());
        delete editor;
        return nullptr;
    }
    AddWindow(editor);
    return editor;
}

void CCenter::HandleCommandLine() {
    CCharString file(m_commandLine);
    file.Trim(' ');
    file.Trim('"');
    if (!file.IsEmpty())
        OpenFile(file, true);
}

bool CCenter::OnCommand(int id) {
    switch (id) {
    case kCmdShowScale:
        return ShowWindowKind(kKindShowScale, false);
    case kCmdShowBand:
        return ShowWindowKind(kKindSpacePainter, false);
    case kCmdShowTutorial:
        return ShowWindowKind(kKindText, false);
    case kCmdShowMixer:
        return ShowWindowKind(kKindMixer, false);
    case kCmdShowSongEditor:
        return GetSongEditor() && ShowWindowKind(kKindSongEditor, false);
    case kCmdArrangeWindows:
        ArrangeWindows();
        return true;
    case kCmdShowGenerator:
        return ShowGenerator();
    case kCmdShowTuner:
        return ShowTuner();
    case kCmdShowSampler:
        return ShowSampler();
    case kCmdListen:
        return ToggleListening();
    case kCmdAudioSettings: {
        auto outputs = [this](CVarList<DEVICE_INFO>& devices, CCharString& why) {
            if (!m_sound->EnumerateDevices()) {
                why = m_sound->GetErrorText();
                return false;
            }
            devices = m_sound->GetDevices();
            return true;
        };
        auto inputs = [this](CVarList<DEVICE_INFO>& devices, CCharString& why) {
            if (!m_capture->EnumerateDevices()) {
                why = m_capture->GetErrorText();
                return false;
            }
            devices = m_capture->GetDevices();
            return true;
        };
        // Playback stops before the devices are opened again.
        return m_sound && m_capture &&
               ::OpenAudioSettings(
                   m_mainWnd.get(), m_settings->audio, inputs, outputs,
                   [this] {
                       Stop();
                       OpenAudioDevices();
                   },
                   m_error);
    }
    case kCmdNoteNamesKey:
    case kCmdNoteNamesSharps: {
        const NOTE_NAMES names = id == kCmdNoteNamesKey ? NOTE_NAMES_KEY : NOTE_NAMES_SHARPS;
        m_settings->showScale.noteNames = static_cast<uint8_t>(names);
        if (auto* scale = dynamic_cast<CShowScaleDlg*>(Lookup(kKindShowScale)))
            scale->SetNoteNames(names);
        return true;
    }
    case kCmdAbout: {
        int major = 0, minor = 0;
        std::sscanf(MA_VERSION, "%d.%d", &major, &minor);
        CCharString text;
        text.Format("%s\nVersion %d.%d\n\nScales and chords on the guitar neck,\nplayed by a "
                    "band.\n\nMorvane",
                    kProductTitle, major, minor);
        ShowMessageBox(m_mainWnd.get(), text, "About Modal Atlas", MB_ICON_INFORMATION);
        return true;
    }
    default:
        return false;
    }
}

double CCenter::KeyClock() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_keyClockStart)
        .count();
}

bool CCenter::OnKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (key == Qt::Key_F1)
        return OnCommand(kCmdShowTutorial), true;
    if (key == Qt::Key_F2)
        return OnCommand(kCmdShowBand), true;
    if (key == Qt::Key_F3)
        return OnCommand(kCmdShowTuner), true;
    if (key == Qt::Key_H && (modifiers & Qt::ControlModifier))
        return OnCommand(kCmdListen), true;
    if (modifiers & Qt::ControlModifier) {
        if (!m_scene)
            return false;
        switch (key) {
        case Qt::Key_0:
            return m_scene->LookAt(CSpacePainter::kThingBand, 0, 12);
        case Qt::Key_A:
            m_scene->Invalidate();
            return true;
        case Qt::Key_B:
            return m_scene->LookAt(THING_BASS_GUITAR, 0, 12);
        case Qt::Key_R:
            return m_scene->LookAt(THING_RHYTHM_GUITAR, 0, 12);
        case Qt::Key_D:
            return m_scene->LookAt(CSpacePainter::kThingDrums, 0, 12);
        case Qt::Key_L:
            return m_scene->LookAt(THING_LEAD_GUITAR, 0, 12);
        case Qt::Key_N:
            return m_scene->SetPicture(0);
        case Qt::Key_C:
            return m_scene->OnKey('C');
        case Qt::Key_T:
            return m_scene->OnKey('T');
        case Qt::Key_W:
            return m_scene->OnKey('W');
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            return m_scene->OnKey(CSpacePainter::kKeyPlus);
        case Qt::Key_Minus:
            return m_scene->OnKey(CSpacePainter::kKeyMinus);
        default:
            return false;
        }
    }
    // The press time gives the note its length when the key comes up.
    if (m_midiKeyboard && key > 0 && key < 128 && !(modifiers & Qt::AltModifier))
        m_midiKeyboard->PressKey(key, KeyClock());
    return false;
}

bool CCenter::OnSysKeyDown(int key, Qt::KeyboardModifiers modifiers) {
    if (key == Qt::Key_F4) {
        QMetaObject::invokeMethod(m_mainWnd.get(), &QWidget::close, Qt::QueuedConnection);
        return true;
    }
    if (key == Qt::Key_Return || key == Qt::Key_Enter)
        return true;
    if (key == Qt::Key_F1 || key == Qt::Key_F2)
        return OnKeyDown(key, modifiers);
    return false;
}

bool CCenter::OnKeyUp(int key, Qt::KeyboardModifiers modifiers) {
    if (!m_midiKeyboard || key <= 0 || key >= 128 ||
        (modifiers & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    CNote note;
    if (!m_midiKeyboard->PlayKey(key, note, KeyClock()))
        return false;
    // The keyboard is laid out as a bass neck.
    note.m_thing = THING_BASS_GUITAR;
    PlaySingleNote(note);
    return false;
}

bool CCenter::OnMouseWheel(int delta) {
    if (!m_scene)
        return false;
    m_scene->OnWheel(delta, 0);
    return true;
}

void CCenter::OnTimer(int id) {
    if (m_sound)
        m_sound->OnTimer(id);
    if (m_capture)
        m_capture->OnTimer(id);
    if (id == kTimerFrame) {
        CheckEndOfPlay();
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        bool changed = false;
        if (m_animator)
            m_animator->OnTimer(CAnimationPlayer::kPlayTimer, changed);
        if (m_scene) {
            if (changed)
                m_scene->Invalidate();
            m_scene->RenderFrame(false);
        }
    } else if (id == kTimerSecond) {
        bool changed = false;
        if (m_animator)
            m_animator->OnTimer(CAnimationPlayer::kContinueTimer, changed);
    }
    for (CBaseWindow* window : m_windows)
        window->OnTimer(id);
}

bool CCenter::OnUserMessage(int message, intptr_t wParam, intptr_t lParam) {
    switch (message) {
    case kMsgRunCommand:
        return OnCommand(static_cast<int>(wParam));
    case kMsgPendingLines:
        // No pending text lines are kept in this application.
        return true;
    case kMsgPlayNote: {
        // The sound capture's notes have no instrument; a note to play always has one.
        auto* note = reinterpret_cast<CNote*>(lParam);
        if (note && note->m_thing == THING_NONE)
            TakeInputNote(*note);
        else if (note)
            PlaySingleNote(*note);
        delete note;
        return true;
    }
    case kMsgFreeBlock:
        std::free(reinterpret_cast<void*>(lParam));
        return true;
    case 1030:
    case 1032:
    case 1034:
    case 1036:
    case 1041:
    case 1042:
        return true;
    default:
        return false;
    }
}

bool CCenter::StartCapture(CCharString& error) {
    if (!m_capture) {
        error = "Device is not initialized.\nPlease go to Audio Settings and select the device";
        return false;
    }
    if (m_captureUsers == 0) {
        m_latestInput.Reset();
        m_latestInput.m_volume = 0.0f; // nothing heard yet
        // Hearing needs no file: capture is readied here without one (recordings ready their own).
        if ((!m_capture->IsReady() && !m_capture->GetReady(nullptr, 0.0)) ||
            !m_capture->Start(false)) {
            error = m_capture->GetErrorText();
            return false;
        }
    }
    ++m_captureUsers;
    return true;
}

void CCenter::StopCapture() {
    if (m_captureUsers == 0 || --m_captureUsers > 0)
        return;
    if (m_capture && !m_capture->Stop())
        REPORT_ERROR("Can't stop sound capture: %s", m_capture->GetErrorText().GetText());
    m_latestInput.Reset();
    m_latestInput.m_volume = 0.0f;
    // While closing, the Tuner stops capture as it goes, after other windows went.
    if (m_closed)
        return;
    if (auto* scale = dynamic_cast<CShowScaleDlg*>(Lookup(kKindShowScale)))
        scale->StopHearing();
}

CCharString CCenter::GetCaptureError() const {
    CCharString error;
    if (m_capture && m_captureUsers > 0 && !m_capture->IsInitialized())
        error = m_capture->GetErrorText();
    return error;
}

void CCenter::TakeInputNote(CNote& note) {
    // Notes still on their way after capture stopped say nothing any more.
    if (m_captureUsers == 0 || !m_noteManager)
        return;
    CompleteInputNote(*m_noteManager, note);
    m_latestInput = note;
    if (m_listening)
        if (auto* scale = dynamic_cast<CShowScaleDlg*>(Lookup(kKindShowScale)))
            scale->HearInput(note);
}

bool CCenter::ShowTuner() {
    auto* tuner = dynamic_cast<CTunerDlg*>(Lookup(kKindTuner));
    bool shown;
    if (tuner) {
        shown = tuner->ShowWnd(true);
    } else {
        if (!m_tunerLink)
            m_tunerLink = std::make_unique<CTunerLink>(*this);
        tuner = new CTunerDlg(*m_tunerLink);
        const WND_RECT place = CTunerDlg::DefaultRect();
        if (!tuner->CreateTool(m_mainWnd->GetMdiArea(), "Tuner", &place)) {
            Fail("Can't create Tuner dialog: %s", tuner->GetError().GetText());
            delete tuner;
            return false;
        }
        AddWindow(tuner);
        shown = tuner->IsShown();
    }
    if (!shown) {
        m_error = tuner->GetError();
        ShowMessageBox(m_mainWnd.get(), m_error, "Audio Device Error", MB_ICON_STOP);
    }
    return shown;
}

bool CCenter::ShowSampler() {
    auto* sampler = dynamic_cast<CSamplerDlg*>(Lookup(kKindSampleRecorder));
    const bool made = sampler != nullptr;
    if (!made) {
        if (!m_samplerLink)
            m_samplerLink = std::make_unique<CSamplerLink>(*this);
        sampler = new CSamplerDlg(*m_samplerLink, nullptr);
        if (!sampler->Create(nullptr, m_mainWnd.get(), CSamplerDlg::kTitle)) {
            Fail("Can't create Sample Recorder dialog: %s", sampler->GetError().GetText());
            delete sampler;
            return false;
        }
        AddWindow(sampler);
    }
    if (!sampler->ShowWnd(true)) {
        m_error = sampler->GetError();
        ShowMessageBox(m_mainWnd.get(), m_error, "Audio Device Error", MB_ICON_STOP);
        return false;
    }
    if (!made)
        sampler->CenterOver(m_mainWnd.get());
    return true;
}

bool CCenter::StartRecording(const char* path, int channels, CCharString& error) {
    if (!m_capture) {
        error = "Device is not initialized.\nPlease go to Audio Settings and select the device";
        return false;
    }
    if (!m_capture->Stop()) {
        error.Format("Can't stop sound capture: %s", m_capture->GetErrorText().GetText());
        return false;
    }
    if (!m_capture->SetFormat(44100, 16, channels)) {
        error.Format("Can't initialize sound capture: %s", m_capture->GetErrorText().GetText());
    } else if (!m_capture->GetReady(path, 0.0)) {
        error.Format("Can't get ready for sound capture: %s", m_capture->GetErrorText().GetText());
    } else if (!m_capture->Start(false)) {
        error.Format("Can't start sound capture: %s", m_capture->GetErrorText().GetText());
    } else {
        return true;
    }
    // Those who were hearing the input go on hearing it.
    CCharString ignored;
    StopRecording(ignored);
    return false;
}

bool CCenter::StopRecording(CCharString& error) {
    if (!m_capture)
        return true;
    bool stopped = m_capture->Stop();
    if (!stopped)
        error.Format("Can't stop sound capture: %s", m_capture->GetErrorText().GetText());
    // The usual format again, for the Tuner and the listening Show Scale tool.
    if (!m_capture->SetFormat(44100, 16, 2) ||
        (m_captureUsers > 0 && (!m_capture->GetReady(nullptr, 0.0) || !m_capture->Start(false))))
        REPORT_ERROR("Can't start sound capture: %s", m_capture->GetErrorText().GetText());
    return stopped;
}

bool CCenter::ToggleListening() {
    if (m_listening) {
        m_listening = false;
        StopCapture();
    } else {
        CCharString why;
        if (!StartCapture(why)) {
            m_error.Format("Can't start pitch detection: %s", why.GetText());
            ShowMessageBox(m_mainWnd.get(), m_error, "Audio Device Error", MB_ICON_STOP);
        } else {
            m_listening = true;
        }
    }
    if (QAction* action = m_mainWnd->GetAction(kCmdListen))
        action->setChecked(m_listening);
    return true;
}

bool CCenter::BuildInstrumentList() {
    m_instruments.RemoveAll();
    for (const CNote& note : m_currentNotes)
        if (std::find(m_instruments.begin(), m_instruments.end(), note.m_thing) ==
            m_instruments.end())
            m_instruments.Add(note.m_thing);
    if (m_instruments.IsEmpty())
        return Fail("No instruments in the list");
    return true;
}

bool CCenter::Close() {
    if (m_closed)
        return true;
    m_closed = true;
    bool ok = true;
    for (CBaseWindow* window : m_windows) {
        window->Destroy();
        delete window;
    }
    m_windows.RemoveAll();

    if (m_mix && m_settings) {
        // Into the user's sound folder: an installed program's own stays as shipped. A failed
        // save is reported, but the close goes on: returning at once would leave the services
        // running and lose the window placements with the settings.
        CCharString mixPath, why;
        if (!m_settings->folders.MakeWritePath(FOLDER_SOUND, kDefaultMix, mixPath, why))
            ok = FailReported(__FILE__, __LINE__, "Can't save mix: %s", why.GetText());
        else if (!m_mix->Save(mixPath))
            ok =
                FailReported(__FILE__, __LINE__, "Can't save mix: %s", m_mix->GetError().GetText());
    }
    // The animator lets go of the band (and its thread) before the scene destroys it.
    if (m_animator)
        m_animator->Forget();
    m_scene.reset();
    m_composer.reset();
    m_showScaleLink.reset();
    m_songEditorLink.reset();
    m_animator.reset();
    m_sound.reset();
    m_capture.reset();
    m_generator.reset();
    m_generatorLink.reset();
    m_noteManager.reset();
    m_mix.reset();
    m_midiKeyboard.reset();

    if (m_settings)
        SaveSettings(m_settings.get(), m_title, m_appNumber);
    // The record stays until the object goes: the main window still points at its rectangle.
    m_currentNotes.RemoveAll();
    m_channels.RemoveAll();
    m_instruments.RemoveAll();
    return ok;
}
