#include "song/SongPart.h"

#include "core/DiskFile.h"
#include "core/KeyValue.h"
#include "song/Composer.h"
#include "song/Composition.h"
#include "theory/NoteManager.h"
#include "theory/ScaleTables.h"

#include <cstdarg>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> pieces;
    size_t start = 0;
    for (;;) {
        size_t found = text.find(separator, start);
        pieces.push_back(text.substr(start, found - start));
        if (found == std::string::npos)
            return pieces;
        start = found + 1;
    }
}

} // namespace

bool SongLineFits(const char* key, const char* value) {
    // The reader's buffer holds the line, its "\r\n" and a terminating zero.
    return std::strlen(key) + 1 + std::strlen(value) + 3 <= CDiskFile::kReadBufferSize;
}

bool CSongPart::Fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    m_error.FormatV(format, args);
    va_end(args);
    return false;
}

void CSongPart::Reset() {
    CComposition* owner = m_owner;
    m_error.Empty();
    m_name.Empty();
    m_description.Empty();
    m_repeat = 1;
    m_grooveSong.Reset();
    m_grooveStyle.Empty();
    m_grooveName.Empty();
    m_grooveFile.Empty();
    m_chords.RemoveAll();
    m_scale = 1;
    m_scaleRoot = 48;
    m_grooveFileLine = 0;
    m_owner = owner;
}

void CSongPart::Copy(const CSongPart& other) {
    m_error = other.m_error;
    m_name = other.m_name;
    m_description = other.m_description;
    m_repeat = other.m_repeat;
    m_grooveSong = other.m_grooveSong;
    m_grooveStyle = other.m_grooveStyle;
    m_grooveName = other.m_grooveName;
    m_grooveFile = other.m_grooveFile;
    m_chords = other.m_chords;
    m_scale = other.m_scale;
    m_scaleRoot = other.m_scaleRoot;
    m_grooveFileLine = other.m_grooveFileLine;
}

bool CSongPart::AddChord(const CChord& chord, int index) {
    if (index < 0 || static_cast<size_t>(index) >= m_chords.GetCount())
        m_chords.Add(chord);
    else
        m_chords.InsertAt(static_cast<size_t>(index), chord);
    return true;
}

const SONG_HEADER* CSongPart::GetOwnerHeader() const {
    return m_owner ? &m_owner->m_header : nullptr;
}

bool CSongPart::Save(CDiskFile& file) {
    if (m_name.IsEmpty())
        return Fail("Part's name is not set");
    CCharString scale;
    if (!GetScaleTypeName(m_scale, scale))
        return Fail("Part (%s) has no scale: scale %d is not in the table", m_name.GetText(),
                    m_scale);
    CCharString chords;
    for (const CChord& chord : m_chords)
        chords.AppendFormat("%d/%d/%d/%d/%d/%d,", chord.m_root.m_midi, chord.m_root.m_accidental,
                            chord.m_chordType, chord.m_repeat, chord.m_chordGroup, chord.m_degree);
    const std::pair<const char*, const char*> texts[] = {{"Name", m_name},
                                                         {"Description", m_description},
                                                         {"Groove style", m_grooveStyle},
                                                         {"Groove name", m_grooveName},
                                                         {"Groove file", m_grooveFile},
                                                         {"Chords", chords}};
    for (const auto& [key, value] : texts)
        if (!SongLineFits(key, value))
            return Fail("Part (%s): the %s line is too long to be read back", m_name.GetText(),
                        key);
    bool ok =
        WriteSectionKey(file, "Start of Song Part") && WriteKeyText(file, "Name", m_name) &&
        WriteKeyText(file, "Description", m_description) && WriteKeyInt(file, "Repeat", m_repeat) &&
        WriteKeyText(file, "Groove style", m_grooveStyle) &&
        WriteKeyText(file, "Groove name", m_grooveName) &&
        WriteKeyText(file, "Groove file", m_grooveFile) && WriteKeyText(file, "Scale", scale) &&
        WriteKeyInt(file, "Scale root", m_scaleRoot) && WriteKeyText(file, "Chords", chords) &&
        WriteSectionKey(file, "End of Song Part") && WriteBlankLine(file) && WriteBlankLine(file);
    if (!ok)
        return Fail("Can't write part (%s): %s", m_name.GetText(), file.GetError().GetText());
    return true;
}

bool CSongPart::Load(CDiskFile& file, bool& atEnd) {
    atEnd = false;
    m_errorLine = 0;
    std::string chords;
    int chordsLine = 0;
    KEY_VALUE kv;
    CCharString reason;
    for (;;) {
        if (!NextKeyValue(file, kv, atEnd, reason)) {
            m_errorLine = file.GetLineNumber() + 1; // the line that could not be read
            return Fail("Can't read line: %s", reason.GetText());
        }
        if (atEnd) {
            // A block cut short by the end of the file would lose whatever followed it.
            if (!m_name.IsEmpty()) {
                m_errorLine = file.GetLineNumber();
                return Fail("Song part (%s) ends before its \"End of Song Part\" line",
                            m_name.GetText());
            }
            break;
        }
        if (kv.key == "End of Song Part")
            break;
        std::string value(kv.value);
        if (kv.key == "Name") {
            m_name.Set(value.c_str());
        } else if (kv.key == "Description") {
            m_description.Set(value.c_str());
        } else if (kv.key == "Repeat") {
            m_repeat = KeyValueInt(kv.value);
        } else if (kv.key == "Groove style") {
            m_grooveStyle.Set(value.c_str());
        } else if (kv.key == "Groove name") {
            m_grooveName.Set(value.c_str());
        } else if (kv.key == "Groove file") {
            m_grooveFile.Set(value.c_str());
            m_grooveFileLine = file.GetLineNumber();
        } else if (kv.key == "Scale") {
            if (!FindScaleTypeByName(value.c_str(), m_scale)) {
                m_errorLine = file.GetLineNumber();
                return Fail("Unknown scale (%s)", value.c_str());
            }
        } else if (kv.key == "Scale root") {
            m_scaleRoot = static_cast<uint8_t>(KeyValueInt(kv.value));
        } else if (kv.key == "Chords") {
            chords = value;
            chordsLine = file.GetLineNumber();
        }
    }
    if (!ParseChords(chords)) {
        m_errorLine = chordsLine;
        return false;
    }
    return true;
}

bool CSongPart::MakeSong(CComposer& composer, CSong& song) {
    if (composer.MakeSong(*this, song, composer.GetNoteManager()))
        return true;
    m_error = composer.GetErrorText();
    return false;
}

bool CSongPart::GetChordName(CNoteManager& manager, int index, CCharString& name) const {
    name.Empty();
    if (index < 0 || static_cast<size_t>(index) >= m_chords.GetCount())
        return false;
    CChord chord = m_chords[static_cast<size_t>(index)];
    if (chord.m_degree != 0) {
        // A chord group of 0 names the triad, as composing falls back to it.
        const int group = chord.m_chordGroup != 0 ? chord.m_chordGroup : CHORD_GROUP_TRIAD;
        if (!manager.GetScaleChord(m_scale, m_scaleRoot, group, chord.m_degree, chord) ||
            chord.m_chordType == 0)
            return false;
    } else {
        const int accidental = chord.m_root.m_accidental;
        if (!manager.GetMidiNote(chord.m_root.m_midi, chord.m_root) ||
            !manager.GetChordType(chord.m_chordType, chord, false))
            return false;
        chord.m_root.m_accidental = accidental;
    }
    name = chord.Name();
    return !name.IsEmpty();
}

CCharString CSongPart::GetChordRow(CNoteManager& manager, int index) const {
    CCharString row;
    if (index < 0 || static_cast<size_t>(index) >= m_chords.GetCount())
        return row;
    const CChord& chord = m_chords[static_cast<size_t>(index)];
    CCharString name;
    const bool named = GetChordName(manager, index, name);
    if (chord.m_degree != 0) {
        if (named)
            row.Format("%d - %s\t%d", chord.m_degree, name.GetText(), chord.m_repeat);
        else
            row.Format("%d (?]", chord.m_degree);
    } else {
        row.Format("%s\t%d", named ? name.GetText() : "?", chord.m_repeat);
    }
    return row;
}

bool CSongPart::ParseChords(const std::string& value) {
    if (value.empty())
        return true;
    for (const std::string& text : Split(value, ',')) {
        if (text.empty())
            continue;
        std::vector<std::string> numbers = Split(text, '/');
        if (numbers.size() < 3)
            return Fail("Can't get chord from (%s): root, accidental and chord type are needed",
                        text.c_str());
        CChord chord;
        chord.m_root.m_midi = KeyValueInt(numbers[0]);
        chord.m_root.m_accidental = KeyValueInt(numbers[1]);
        chord.m_chordType = KeyValueInt(numbers[2]);
        chord.m_repeat = numbers.size() > 3 ? KeyValueInt(numbers[3]) : 1;
        chord.m_chordGroup = numbers.size() > 4 ? KeyValueInt(numbers[4]) : 0;
        chord.m_degree = numbers.size() > 5 ? KeyValueInt(numbers[5]) : 0;
        m_chords.Add(chord);
    }
    return true;
}
