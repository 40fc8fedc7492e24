#pragma once

#include <memory>

#include "band/Parts.h"
#include "render/Primitive.h"
#include "theory/NoteList.h"
#include "theory/Thing.h"

class CChord;
class CGuitarist;
class CHuman;
class CNoteManager;

// One string: a thin wire from the nut to the bridge.
class CGuitarString : public CPrimitive {
public:
    CGuitarString(CRenderDevice* device, CVertexBuffer* buffer, const char* name);
    // Colour 0 is the string's.
    bool Build(const VEC3& nutEnd, const VEC3& bridgeEnd, float diameter);
    float GetDiameter() const { return m_diameter; }

private:
    float m_diameter = 0.0f;
};

// One guitar of the band: bass, rhythm or lead. Guitar space: y along the neck (the nut at the
// neck length, the bridge a scale length below it), x across (the first, thinnest string at
// +x), the playing face toward -z. Besides its visible parts it publishes, as tracked points
// that follow every move of the guitar, where a player's hands and fingers go: for each string
// (index 0 = first string) and fret the press, touch, hover, string and board points, per fret
// the thumb and neck-back points, the three picking tables, and seven reference points.
class CGuitars : public CPrimitive {
public:
    static constexpr int kStrings = 7;   // table size; a guitar has 4 or 6
    static constexpr int kFrets = 30;    // table size; frets 0 to 24 are computed
    static constexpr int kPositions = 3; // press, touch and hover positions behind a fret
    static constexpr int kBuiltFrets = 22;
    static constexpr int kComputedFrets = 24;
    static constexpr int kMarkFrets = 31; // marks and names are addressed for frets 0 to 30

    // Reference points: origin, neck direction, face direction, across toward the last string,
    // and frames for the camera and the hands.
    enum REFERENCE { REF_ORIGIN, REF_NECK, REF_FACE, REF_ACROSS, REF_PICK, REF_NECK_20, REF_FAR };

    // notes: where the open strings' pitches and the note names come from.
    CGuitars(CRenderDevice* device, CVertexBuffer* buffer, const char* name, CNoteManager* notes);
    ~CGuitars() override;

    // Builds a bass (36), rhythm (38) or lead (39) guitar; any other kind fails. texts: shared
    // 3D texts (none: the guitar keeps its own).
    bool Build(THING kind, int variant, CTextShapes* texts = nullptr);

    // The camera that shows frets first to last.
    void GetFretFrame(int firstFret, int lastFret, VEC3& eye, VEC3& lookAt, VEC3& up) const;

    // Hides all marks, then shows the mark of every note of this guitar's kind that is placed
    // (string 1 to 7, fret 0 to 30); with onlySounding, notes without a sounding length are
    // skipped. A placement outside those ranges fails; the marks shown so far stay.
    bool ShowNoteMarks(const CNoteList& notes, bool onlySounding);
    // Hides all marks, then shows every mark whose pitch class is that of a note of the list.
    bool ShowPitchMarks(const CNoteList& notes);
    // Hides all names, shows the fret numbers and the name of every position whose MIDI note is
    // in the list.
    bool ShowNoteNames(const CNoteList& notes);
    void ShowNames(bool show);
    void HideMarks();
    // Every mark back to its own colour.
    bool ResetMarks();

    // Poses the player for a note of this guitar and records keys of what moved (none without
    // a list). A single note: the left hand goes to the note's position, its finger presses the
    // string (touches it for a release, volume 0) while the others hover over their frets, the
    // note's mark lights while it sounds; a note that starts or ends a pick stroke moves the
    // right hand's pick to one side of the string or the other. A note of a chord poses the
    // chord. Fails for a placement outside strings 1 to 7 and frets 0 to 30; a limb that can't
    // reach is left where it is.
    bool PlayNote(const CNote& note, CVarList<ANIMATION_POINT>* keys);
    // The left hand on the chord's shape with its marks lit; the right hand strums when mode
    // starts or ends a stroke (FRET_MODE_START, FRET_MODE_END, FRET_MODE_UP).
    bool PlayChord(const CChord& chord, float volume, int mode, double time,
                   CVarList<ANIMATION_POINT>* keys);
    // The hands at rest: the left hand at the fret on the fourth string, the fingers over their
    // frets, the pick by the fourth string. Marks keep their colours.
    bool ResetHand(int fret);

    THING GetKind() const { return m_kind; }
    int GetStringCount() const { return m_size.strings; }
    float GetScaleLength() const { return m_size.scale; }
    float GetNeckLength() const { return m_size.neck; }
    // Guitar-space y of fret f (0 = nut) up to 25.
    float GetFretY(int fret) const { return m_fretY[fret]; }
    // MIDI note of string index s (0 = first string) at fret f.
    int GetMidi(int string, int fret) const { return m_openMidi[string] + fret; }

    const VEC3& GetPressPoint(int string, int fret, int position) const {
        return m_press[string][fret][position];
    }
    const VEC3& GetTouchPoint(int string, int fret, int position) const {
        return m_touch[string][fret][position];
    }
    const VEC3& GetHoverPoint(int string, int fret, int position) const {
        return m_hover[string][fret][position];
    }
    const VEC3& GetStringPoint(int string, int fret) const { return m_stringPoint[string][fret]; }
    const VEC3& GetBoardPoint(int string, int fret) const { return m_board[string][fret]; }
    const VEC3& GetThumbPoint(int fret) const { return m_thumb[fret]; }
    const VEC3& GetNeckBackPoint(int fret) const { return m_neckBack[fret]; }
    const VEC3& GetPickingPoint(int table, int string) const { return m_picking[table][string]; }
    const VEC3& GetReference(REFERENCE point) const { return m_reference[point]; }
    CGuitarString* GetString(int string) const { return m_strings[string]; }
    // The mark and the name of string s (1 to 7) at fret f (0 to 30); null where the guitar has
    // none (no such string, or beyond its last fret).
    CPrimitive* GetMark(int string, int fret) const;
    CPrimitive* GetNoteName(int string, int fret) const;
    CPrimitive* GetFretNumber(int fret) const { return m_fretNumbers[fret]; }

    // The player (not owned) and the notes it has played.
    void SetPlayer(CGuitarist* player) { m_player = player; }
    CGuitarist* GetPlayer() const { return m_player; }
    CNoteList& GetPlayedNotes() { return m_played; }
    int GetHandString() const { return m_handString; }
    int GetHandFret() const { return m_handFret; }
    void SetHandPosition(int string, int fret) {
        m_handString = string;
        m_handFret = fret;
    }

    // Colour numbers of the guitar's parts.
    enum COLOR {
        COLOR_FRET,
        COLOR_DOT,
        COLOR_BOARD,
        COLOR_NECK,
        COLOR_NUT,
        COLOR_STRING,
        COLOR_NUT_2,
        COLOR_HEAD,
        COLOR_BODY,
        COLOR_BODY_2,
        COLOR_TEXT,
        COLOR_MARK,
        COLOR_HARDWARE,
        COLOR_COUNT
    };

private:
    struct SIZE {
        int strings = 6;
        float scale = 63.0f, neck = 46.0f;
        float widthNut = 4.4f, widthBody = 5.9f;
        float spreadNut = 3.5f, spreadBridge = 5.3f;
        float diameterFirst = 0.05f, diameterLast = 0.1f;
        float heightNut = 0.1f, heightBridge = 0.2f;
        float board = 0.1f;
        float neckNut = 2.0f, neckBody = 2.5f;
        float nutDepth = 0.3f;
    };

    // Board width, string spread and string height at guitar-space y.
    float Width(float y) const;
    float Spread(float y) const;
    float Height(float y) const;
    float NeckThickness(float y) const;
    float Diameter(int string) const;
    float StringX(int string, float y) const;

    bool BuildNeck();
    bool BuildStrings();
    bool BuildFrets();
    void ComputeFretPoints(int fret);
    bool BuildNut();
    bool BuildHead();
    bool BuildBody();
    bool BuildMarksAndNames();
    void TrackTables();
    // The left hand (and its thumb) at a fret, shifted across the neck for the hand's string.
    bool HandToFret(int fret, int string);
    // The other fingers over their frets on the hand's string, one finger per fret.
    void HoverFingers(int except);
    // The pick's tip onto picking point (table, string index).
    void Pick(int table, int string);
    bool LightMark(int string, int fret, bool on, double time, CVarList<ANIMATION_POINT>* keys);
    bool RecordPlayer(double time, CVarList<ANIMATION_POINT>* keys);
    CHuman* GetHuman() const;

    CNoteManager* m_notes;
    THING m_kind = THING_NONE;
    SIZE m_size;
    int m_openMidi[kStrings] = {};
    float m_fretY[kComputedFrets + 2] = {};
    std::unique_ptr<CTextShapes> m_ownTexts;
    CTextShapes* m_texts = nullptr;

    VEC3 m_press[kStrings][kFrets][kPositions] = {};
    VEC3 m_touch[kStrings][kFrets][kPositions] = {};
    VEC3 m_hover[kStrings][kFrets][kPositions] = {};
    VEC3 m_stringPoint[kStrings][kFrets] = {};
    VEC3 m_board[kStrings][kFrets] = {};
    VEC3 m_thumb[kFrets] = {};
    VEC3 m_neckBack[kFrets] = {};
    VEC3 m_picking[3][kStrings] = {};
    VEC3 m_reference[7] = {};

    CGuitarString* m_strings[kStrings] = {};
    CPrimitive* m_marks[kStrings][kMarkFrets] = {};
    CPrimitive* m_names[kStrings][kMarkFrets] = {};
    CPrimitive* m_fretNumbers[kBuiltFrets + 1] = {};

    CGuitarist* m_player = nullptr;
    CNoteList m_played;
    // The pick's tip to the wrist for the picking hand's turn along m_pickDirection.
    VEC3 m_pickOffset{0.0f};
    VEC3 m_pickDirection{0.0f};
    // The chord last fetched for a chord note.
    std::unique_ptr<CChord> m_chord;
    int m_handString = 0;
    int m_handFret = 1;
};
