#include "song/MidiFile.h"

#include "song/MidiNames.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstring>
#include <memory>
#include <vector>

namespace {

const char* MetaName(int type) {
    switch (type) {
    case 0x00:
        return "Sequence";
    case 0x01:
        return "Text";
    case 0x02:
        return "Copyright";
    case 0x03:
        return "Track name";
    case 0x04:
        return "Instrument";
    case 0x05:
        return "Lyric";
    case 0x06:
        return "Marker";
    case 0x07:
        return "Cue";
    case 0x20:
        return "Channel";
    case 0x2F:
        return "End of track";
    case 0x51:
        return "Tempo";
    case 0x54:
        return "SMPTE offset";
    case 0x58:
        return "Time signature";
    case 0x59:
        return "Key signature";
    case 0x7F:
        return "Sequencer specific";
    default:
        return "Unknown";
    }
}

// value truncated into lowest..highest; anything that is not a number gives lowest.
int ClampToRange(double value, int lowest, int highest) {
    if (!(value >= lowest))
        return lowest;
    if (value > highest)
        return highest;
    return static_cast<int>(value);
}

bool IsDataByte(int value) {
    return value >= 0 && value <= 127;
}

// The channel a track is written on: drums on 9, the others counting up from 0 and stepping
// over 9, so that a tenth instrument is not taken for drums and a sixteenth wraps around.
int ChannelOfTrack(const CTrack& track, int index) {
    if (track.IsDrumSet())
        return CMidiFile::kDrumChannel;
    int channel = index % 15;
    return channel < CMidiFile::kDrumChannel ? channel : channel + 1;
}

struct NOTE_EVENT {
    double time;
    int note;
    bool on;
    double ticks;
    // At equal ticks: ends of earlier notes, then starts, then ends of notes that start there.
    int order;
};

} // namespace

bool CMidiFile::Fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    m_error.FormatV(format, args);
    va_end(args);
    if (m_traceEnabled) {
        m_trace.Append(m_error.GetText());
        m_trace.Append('\n');
    }
    return false;
}

void CMidiFile::Trace(const char* format, ...) {
    if (!m_traceEnabled)
        return;
    char stack[256];
    va_list args;
    va_start(args, format);
    int length = std::vsnprintf(stack, sizeof(stack), format, args);
    va_end(args);
    if (length < 0)
        return;
    if (static_cast<size_t>(length) < sizeof(stack)) {
        m_trace.Append(stack);
        return;
    }
    std::unique_ptr<char[]> heap(new char[static_cast<size_t>(length) + 1]);
    va_start(args, format);
    std::vsnprintf(heap.get(), static_cast<size_t>(length) + 1, format, args);
    va_end(args);
    m_trace.Append(heap.get());
}

// ---------------------------------------------------------------------------------------------
// Reading

bool CMidiFile::Load(const char* path, CSong& song) {
    m_trace.Empty();
    m_error.Empty();
    song.Reset();
    std::unique_ptr<char[]> buffer;
    size_t size = 0;
    if (!Read(path, buffer, size))
        return Fail("Can't read file '%s': %s", path, CDiskFile::GetError().GetText());
    return LoadFromMemory(reinterpret_cast<const uint8_t*>(buffer.get()), size, song, path);
}

bool CMidiFile::LoadFromMemory(const uint8_t* data, size_t size, CSong& song, const char* path) {
    m_trace.Empty();
    m_error.Empty();
    song.Reset();
    m_format = 1;
    m_trackCount = 0;
    m_division = 0;
    m_beatTime = 0.5; // the standard's tempo until a tempo event says otherwise
    Trace("========== MIDI file '%s': load ===============\n", path);

    CMidiReader reader(data, size);
    bool haveHeader = false;
    int trackChunks = 0;
    while (reader.GetRemaining() >= 8) {
        char id[5] = {};
        std::memcpy(id, reader.Current(), 4);
        reader.Skip(4);
        uint32_t length = 0;
        reader.ReadBE32(length);
        if (length > reader.GetRemaining())
            return Fail("Not enought data in the file for the chunk data: need %lld, have only "
                        "%lld left",
                        static_cast<long long>(length),
                        static_cast<long long>(reader.GetRemaining()));
        CMidiReader chunk;
        reader.Sub(length, chunk);

        if (std::memcmp(id, "MThd", 4) == 0) {
            if (length != 6)
                return Fail("Bad header chunk length: %u, must be 6", length);
            uint32_t format = 0, tracks = 0, division = 0;
            chunk.ReadBE16(format);
            chunk.ReadBE16(tracks);
            chunk.ReadBE16(division);
            m_format = static_cast<int>(format);
            m_trackCount = static_cast<int>(tracks);
            m_division = static_cast<int>(division);
            haveHeader = true;
            Trace("Header: format %d, %d tracks, division %d\n", m_format, m_trackCount,
                  m_division);
        } else if (std::memcmp(id, "MTrk", 4) == 0) {
            if (!haveHeader)
                return Fail("Track chunk before the header chunk");
            // Times in frames per second (top bit set) or zero ticks per beat cannot be
            // converted to beats.
            if (m_division <= 0 || (m_division & 0x8000))
                return Fail("Unsupported time division: %04X", m_division);
            ++trackChunks;
            bool songHeaderTrack = m_format == 1 && trackChunks == 1;
            if (!songHeaderTrack && song.GetTrackCount() >= kMaxTracks)
                return Fail("Can't add track to the song: more than %d tracks", kMaxTracks);
            Trace("Track %d, %u bytes -------------\n", trackChunks, length);
            // A track is parsed in its place in the song, so a failure leaves the song with
            // what was read so far and a long track is never copied.
            CTrack headerTrack;
            CTrack* track = &headerTrack;
            if (!songHeaderTrack) {
                if (!song.AddTrack(CTrack()))
                    return Fail("Can't add track to the song: %s", song.GetError().GetText());
                track = &song[song.GetTrackCount() - 1];
            }
            track->m_trackNumber = trackChunks;
            if (!ParseTrack(chunk, *track, song, songHeaderTrack))
                return false;
        } else {
            for (int i = 0; i < 4; ++i)
                if (id[i] < 32 || id[i] > 126)
                    id[i] = '?';
            Trace("Chunk '%s' skipped, %u bytes\n", id, length);
        }
    }

    // A file without a tempo event plays at the standard's 120 beats per minute, which is
    // what its times were converted with.
    if (song.m_header.beatTime == 0.0)
        song.m_header.SetBeatTime(m_beatTime);
    song.CountMeasures();
    song.CopyHeaderToTracks();
    song.m_header.file.Set(path);
    return true;
}

bool CMidiFile::ParseTrack(CMidiReader& reader, CTrack& track, CSong& song, bool songHeaderTrack) {
    double time = 0.0;
    for (PENDING_NOTE& slot : m_pending)
        slot.on = false;
    m_tab = TAB_STATE();
    uint8_t running = 0;
    while (!reader.AtEnd()) {
        uint32_t delta = 0;
        if (!reader.ReadVarLen(delta))
            return Fail("Bad delta time in track %d at byte %zu", track.m_trackNumber,
                        reader.GetPosition());
        time += static_cast<double>(delta) / m_division * m_beatTime;
        Trace("%04d, %7.3f sec: ", static_cast<int>(delta), time);

        uint8_t status = 0;
        if (!reader.ReadByte(status))
            return Fail("Not enough data for an event in track %d", track.m_trackNumber);
        bool ok = true;
        if (status == 0xFF) {
            ok = ParseMeta(reader, track, song, songHeaderTrack);
        } else if (status == 0xF0) {
            uint32_t length = 0;
            if (!reader.ReadVarLen(length) || !reader.Skip(length))
                return Fail("Not enough data for a system-exclusive event: need %lld, have "
                            "only %lld left",
                            static_cast<long long>(length),
                            static_cast<long long>(reader.GetRemaining()));
            Trace("System: %u bytes\n", length);
        } else if (status < 0x80) {
            if (running == 0)
                return Fail("Data byte %02X without a running status in track %d", status,
                            track.m_trackNumber);
            ok = ParseChannelEvent(reader, running, status, track, time);
        } else if (status <= 0xEF) {
            running = status;
            ok = ParseChannelEvent(reader, status, -1, track, time);
        } else {
            return Fail("Unknown MIDI type %02X", status);
        }
        if (!ok)
            return false;
    }
    int count = track.GetCount();
    if (count > 0 && track.m_notes[count - 1].m_volume == 0.0f)
        track.m_notes.RemoveAt(count - 1);
    return true;
}

bool CMidiFile::ParseMeta(CMidiReader& reader, CTrack& track, CSong& song, bool songHeaderTrack) {
    uint8_t type = 0;
    uint32_t length = 0;
    if (!reader.ReadByte(type) || !reader.ReadVarLen(length))
        return Fail("Not enough data for a meta event in track %d", track.m_trackNumber);
    CMidiReader data;
    if (!reader.Sub(length, data))
        return Fail("Not enough data for a meta event: need %lld, have only %lld left",
                    static_cast<long long>(length), static_cast<long long>(reader.GetRemaining()));
    Trace("Meta: %02X - %s, %d bytes", type, MetaName(type), static_cast<int>(length));
    const uint8_t* bytes = data.Current();
    // Texts stop at an embedded zero, as the strings that hold them do.
    std::string text(reinterpret_cast<const char*>(bytes), length);
    SONG_HEADER& header = song.m_header;
    switch (type) {
    case 0x01:
        track.m_header.text.Set(text.c_str());
        if (songHeaderTrack)
            header.text.Set(text.c_str());
        Trace(", Text '%s'", text.c_str());
        break;
    case 0x02:
        track.m_header.copyright.Set(text.c_str());
        if (songHeaderTrack)
            header.copyright.Set(text.c_str());
        Trace(", Copyright '%s'", text.c_str());
        break;
    case 0x03:
        track.m_name.Set(text.c_str());
        track.m_header.name.Set(text.c_str());
        if (songHeaderTrack)
            header.name.Set(text.c_str());
        Trace(", Track '%s'", text.c_str());
        break;
    case 0x04:
        track.m_instrumentName.Set(text.c_str());
        Trace(", Instrument '%s'", text.c_str());
        break;
    case 0x51: {
        if (length < 3)
            return Fail("Bad tempo event: %d bytes", static_cast<int>(length));
        uint32_t micro = (uint32_t(bytes[0]) << 16) | (uint32_t(bytes[1]) << 8) | bytes[2];
        if (micro == 0)
            return Fail("Bad tempo: 0 microseconds per beat");
        header.tempo = 60000000.0 / micro;
        header.beatTime = micro / 1000000.0;
        m_beatTime = header.beatTime;
        Trace(", %u microseconds per beat, tempo %0.2f", micro, header.tempo);
        break;
    }
    case 0x58:
        if (length < 2)
            return Fail("Bad time signature event: %d bytes", static_cast<int>(length));
        if (bytes[1] > 30)
            return Fail("Bad time signature: %d / 2^%d", bytes[0], bytes[1]);
        header.beatsPerMeasure = bytes[0];
        header.beatUnit = 1 << bytes[1];
        Trace(", %d / %d", header.beatsPerMeasure, header.beatUnit);
        break;
    case 0x59:
        if (length < 2)
            return Fail("Bad key signature event: %d bytes", static_cast<int>(length));
        header.key = static_cast<int8_t>(bytes[0]);
        header.scale = bytes[1];
        Trace(", key %d, scale %d", header.key, header.scale);
        break;
    default:
        break;
    }
    Trace("\n");
    return true;
}

bool CMidiFile::ParseChannelEvent(CMidiReader& reader, uint8_t status, int firstData, CTrack& track,
                                  double time) {
    int type = status & 0xF0;
    int channel = status & 0x0F;
    int dataCount = (type == 0xC0 || type == 0xD0) ? 1 : 2;
    int data[2] = {0, 0};
    int have = 0;
    if (firstData >= 0)
        data[have++] = firstData;
    while (have < dataCount) {
        uint8_t byte = 0;
        if (!reader.ReadByte(byte))
            break;
        data[have++] = byte;
    }
    if (have < dataCount) {
        int left = have;
        switch (type) {
        case 0x80:
        case 0x90:
            return Fail("Not enough data for a note: %d", left);
        case 0xB0:
            return Fail("Not enough data for a control event: %d", left);
        case 0xC0:
            return Fail("Not enough data for a program change: %d", left);
        case 0xE0:
            return Fail("Not enough data for a pitch bend: %d", left);
        default:
            return Fail("Not enough data for an aftertouch: %d", left);
        }
    }

    if (channel == kDrumChannel && track.m_instrument != THING_DRUM_SET) {
        track.m_instrument = THING_DRUM_SET;
        if (track.m_instrumentName.IsEmpty())
            track.m_instrumentName.Set("Drum set");
    }

    switch (type) {
    case 0x80:
    case 0x90:
        if (data[0] > 127 && data[0] != 253 && data[0] != 254)
            return Fail("Bad MIDI note: %d", data[0]);
        if (data[1] > 127)
            return Fail("Bad note velocity: %d", data[1]);
        return NoteEvent(type, channel, data[0], data[1], track, time);
    case 0xB0: {
        if (data[0] > 127)
            return Fail("Bad control type: %d", data[0]);
        if (data[1] > 127)
            return Fail("Bad control value: %d", data[1]);
        int value = data[1];
        switch (data[0]) {
        case 7:
            track.m_volume = value / 127.0f;
            break;
        case 10:
            track.m_pan = (value - 63.5f) / 63.5f;
            break;
        case 16:
            m_tab.string = value;
            break;
        case 17:
            m_tab.fret = value;
            break;
        case 18:
            m_tab.finger = value;
            break;
        case 19:
            m_tab.mode = value;
            break;
        case 80:
            m_tab.chordType = value;
            break;
        case 81:
            m_tab.chordRoot = value;
            break;
        default:
            break;
        }
        if (m_traceEnabled) {
            char buffer[32];
            Trace("Control %3d, '%s' = %d, channel=%d\n", data[0],
                  MidiControllerName(data[0], buffer, sizeof(buffer)), value, channel);
        }
        return true;
    }
    case 0xC0: {
        int program = data[0];
        if (program > 127)
            return Fail("Bad program number: %d", program);
        track.m_program = program;
        if (channel == kDrumChannel) {
            track.m_instrument = THING_DRUM_SET;
            track.m_instrumentName.Set("Drum set");
        } else {
            track.m_instrument = static_cast<THING>(InstrumentFromProgram(program));
            track.m_instrumentName.Set(MidiProgramName(program));
        }
        Trace("Program %3d, '%s', channel=%d\n", program, track.m_instrumentName.GetText(),
              channel);
        return true;
    }
    case 0xA0:
        Trace("Note %d aftertouch %d\n", data[0], data[1]);
        return true;
    case 0xD0:
        Trace("Channel aftertouch %d\n", data[0]);
        return true;
    case 0xE0:
        Trace("Pitch bend %d, %d\n", data[0], data[1]);
        return true;
    default:
        return Fail("Unknown MIDI type %02X", status);
    }
}

bool CMidiFile::NoteEvent(int type, int channel, int key, int velocity, CTrack& track,
                          double time) {
    bool on = type == 0x90 && velocity > 0;
    Trace("Note %s, note %3d, velocity %3d, channel=%d\n", on ? "on" : "off", key, velocity,
          channel);
    PENDING_NOTE& slot = m_pending[key];
    if (slot.on) {
        CNote& note = slot.note;
        note.m_duration = time - note.m_time;
        note.m_thing = channel == kDrumChannel ? static_cast<THING>(DrumPieceFromKey(key))
                                               : track.m_instrument;
        track.Add(note);
        slot.on = false;
        m_tab = TAB_STATE();
    }
    if (on) {
        slot.on = true;
        CNote& note = slot.note;
        note.Reset();
        note.m_time = time;
        note.m_volume = velocity / 127.0f;
        note.m_midi = key;
        FRET_SLOT& position = note.Position();
        position.string = m_tab.string;
        position.fret = m_tab.fret;
        position.finger = m_tab.finger;
        position.mode = m_tab.mode;
        note.m_chordType = m_tab.chordType;
        note.m_chordRoot = m_tab.chordRoot;
        // The controllers belong to this note alone: a chord's next note, which opens before
        // this one ends, must not take a string or mode it was not given.
        m_tab = TAB_STATE();
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Writing

bool CMidiFile::Save(const char* path, const CSong& song) {
    std::string bytes;
    if (!SaveToMemory(song, bytes, path))
        return false;
    if (!OpenReplace(path))
        return Fail("Can't create file '%s': %s", path, CDiskFile::GetError().GetText());
    if (!Write(bytes.data(), bytes.size()) || !Commit()) {
        CCharString reason = CDiskFile::GetError();
        Close();
        return Fail("Can't write file '%s': %s", path, reason.GetText());
    }
    Close();
    return true;
}

bool CMidiFile::SaveToMemory(const CSong& song, std::string& bytes, const char* path) {
    m_error.Empty();
    Trace("========== MIDI file '%s': save ===============\n", path);
    int tracks = song.GetTrackCount();
    if (tracks + 1 > 0xFFFF)
        return Fail("Can't save %d tracks in one file", tracks);
    double beatTime = song.m_header.beatTime;
    // A song without timing is written at the standard's 120 beats per minute.
    if (!(beatTime > 0.0) || !std::isfinite(beatTime))
        beatTime = 0.5;

    CMidiWriter out;
    size_t noteCount = 0;
    for (int i = 0; i < tracks; ++i)
        noteCount += static_cast<size_t>(song[i].GetCount());
    out.Bytes().reserve(256 + 64 * static_cast<size_t>(tracks) + 20 * noteCount);
    out.Data("MThd", 4);
    out.BE32(6);
    out.BE16(1);
    out.BE16(static_cast<uint32_t>(tracks + 1));
    out.BE16(kDivision);
    if (!WriteSongHeaderTrack(out, song))
        return false;
    for (int i = 0; i < tracks; ++i)
        if (!WriteTrack(out, song[i], i, beatTime))
            return false;
    bytes.swap(out.Bytes());
    return true;
}

namespace {

void WriteMeta(CMidiWriter& out, int type, const void* data, size_t length) {
    out.VarLen(0);
    out.Byte(0xFF);
    out.Byte(static_cast<uint32_t>(type));
    length = std::min<size_t>(length, kMaxMidiVarLen);
    out.VarLen(static_cast<uint32_t>(length));
    if (length > 0)
        out.Data(data, length);
}

void WriteMetaText(CMidiWriter& out, int type, const CCharString& text) {
    if (!text.IsEmpty())
        WriteMeta(out, type, text.GetText(), text.GetLength());
}

void WriteControl(CMidiWriter& out, int channel, int controller, int value) {
    out.VarLen(0);
    out.Byte(0xB0 | static_cast<uint32_t>(channel));
    out.Byte(static_cast<uint32_t>(controller));
    out.Byte(static_cast<uint32_t>(value));
}

} // namespace

bool CMidiFile::WriteSongHeaderTrack(CMidiWriter& out, const CSong& song) {
    const SONG_HEADER& header = song.m_header;
    size_t start = out.BeginChunk("MTrk");
    WriteMetaText(out, 0x03, header.name);
    WriteMetaText(out, 0x02, header.copyright);
    WriteMetaText(out, 0x01, header.text);
    int unitLog = 0;
    while (unitLog < 30 && (2 << unitLog) <= header.beatUnit)
        ++unitLog;
    uint8_t signature[4] = {static_cast<uint8_t>(ClampToRange(header.beatsPerMeasure, 0, 255)),
                            static_cast<uint8_t>(unitLog), 0, 0};
    WriteMeta(out, 0x58, signature, 4);
    uint8_t key[2] = {static_cast<uint8_t>(static_cast<int8_t>(ClampToRange(header.key, -7, 7))),
                      static_cast<uint8_t>(ClampToRange(header.scale, 0, 1))};
    WriteMeta(out, 0x59, key, 2);
    double beatTime =
        header.beatTime > 0.0 && std::isfinite(header.beatTime) ? header.beatTime : 0.5;
    uint32_t micro = static_cast<uint32_t>(ClampToRange(beatTime * 1000000.0 + 0.5, 1, 0xFFFFFF));
    uint8_t tempo[3] = {static_cast<uint8_t>(micro >> 16), static_cast<uint8_t>(micro >> 8),
                        static_cast<uint8_t>(micro)};
    WriteMeta(out, 0x51, tempo, 3);
    WriteMeta(out, 0x2F, nullptr, 0);
    out.EndChunk(start);
    Trace("Song header: '%s', %d / %d, key %d, scale %d, %u microseconds per beat\n",
          header.name.GetText(), header.beatsPerMeasure, header.beatUnit, header.key, header.scale,
          micro);
    return true;
}

bool CMidiFile::WriteTrack(CMidiWriter& out, const CTrack& track, int index, double beatTime) {
    int channel = ChannelOfTrack(track, index);
    const CCharString& name = track.m_name.IsEmpty() ? track.m_header.name : track.m_name;
    Trace("Save track %d '%s' (%s) -------------\n", index, name.GetText(),
          track.m_instrumentName.GetText());
    size_t start = out.BeginChunk("MTrk");
    WriteMetaText(out, 0x03, name);
    WriteMetaText(out, 0x04, track.m_instrumentName);
    int program = ProgramFromInstrument(track.m_instrument);
    if (program >= 0) {
        out.VarLen(0);
        out.Byte(0xC0 | static_cast<uint32_t>(channel));
        out.Byte(static_cast<uint32_t>(program));
    }
    WriteControl(out, channel, 7, ClampToRange(track.m_volume * 127.0 + 0.5, 0, 127));
    WriteControl(out, channel, 10, ClampToRange(track.m_pan * 63.5 + 63.5 + 0.5, 0, 127));
    WriteControl(out, channel, 121, 0);

    // Ticks are taken from absolute times, so rounding never adds up along a long track.
    auto ticksOf = [&](double time) -> double {
        return std::floor(std::max(0.0, time) / beatTime * kDivision + 0.5);
    };
    // Each note gives an on event and an off event, ordered by tick, not by time: a note that
    // ends where the next on its key begins may end a rounding error later, and its off event
    // must still come first or the next note reads back with no length.
    const CNoteList& notes = track.m_notes;
    int count = notes.GetCount();
    std::vector<NOTE_EVENT> events;
    std::vector<int> keys(static_cast<size_t>(count));
    events.reserve(2 * static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const CNote& note = notes[i];
        if (!note.HasTime() || !std::isfinite(note.m_time))
            return Fail("Can't save note %d of track %d: its time is not set", i, index);
        if (!note.HasDuration() || !std::isfinite(note.m_duration))
            return Fail("Can't save note %d of track %d: its duration is not set", i, index);
        int key = note.m_midi;
        if (track.IsDrumSet()) {
            key = DrumKeyFromPiece(note.m_thing);
            if (key < 0)
                return Fail("Can't get drum note for instrument %d", note.m_thing);
        } else if (!IsDataByte(key) && key != 253 && key != 254) {
            // Grooves carry strum markers as note 254; the reader takes them back.
            return Fail("Bad MIDI note: %d", key);
        }
        keys[static_cast<size_t>(i)] = key;
        double end = note.m_time + std::max(0.0, note.m_duration);
        double onTicks = ticksOf(note.m_time);
        double offTicks = ticksOf(end);
        events.push_back({note.m_time, i, true, onTicks, 1});
        events.push_back({end, i, false, offTicks, offTicks > onTicks ? 0 : 2});
    }
    std::stable_sort(events.begin(), events.end(), [](const NOTE_EVENT& a, const NOTE_EVENT& b) {
        return a.ticks != b.ticks ? a.ticks < b.ticks : a.order < b.order;
    });

    double previous = 0.0;
    for (const NOTE_EVENT& event : events) {
        const CNote& note = notes[event.note];
        double ticks = event.ticks;
        double delta = ticks - previous;
        if (delta > kMaxMidiVarLen)
            return Fail("Can't save note %d of track %d: %0.3f sec is too far from the event "
                        "before",
                        event.note, index, event.time);
        previous = ticks;
        int key = keys[static_cast<size_t>(event.note)];
        bool on = event.on && note.m_volume > 0.0f;
        int velocity = 0;
        if (on) {
            // An on event must not read back as an off event.
            velocity = ClampToRange(note.m_volume * 127.0 + 0.5, 1, 127);
            const FRET_SLOT& position = note.Position();
            if (note.m_chordType != 0 && IsDataByte(note.m_chordType))
                WriteControl(out, channel, 80, note.m_chordType);
            if (note.m_chordRoot != MIDI_NO_PITCH && IsDataByte(note.m_chordRoot))
                WriteControl(out, channel, 81, note.m_chordRoot);
            if (position.string != INT_NOT_SET && IsDataByte(position.string))
                WriteControl(out, channel, 16, position.string);
            if (position.fret != INT_NOT_SET && IsDataByte(position.fret))
                WriteControl(out, channel, 17, position.fret);
            if (position.finger != INT_NOT_SET && IsDataByte(position.finger))
                WriteControl(out, channel, 18, position.finger);
            if (position.mode != 0 && IsDataByte(position.mode))
                WriteControl(out, channel, 19, position.mode);
        }
        out.VarLen(static_cast<uint32_t>(delta));
        out.Byte(0x90 | static_cast<uint32_t>(channel));
        out.Byte(static_cast<uint32_t>(key));
        out.Byte(static_cast<uint32_t>(velocity));
        Trace("%7.3f sec: Save note %d, volume %0.2f, velocity %d\n", event.time, key,
              on ? note.m_volume : 0.0f, velocity);
    }

    // Two silent notes hold the track open for half a second after its last note.
    out.VarLen(0);
    out.Byte(0x90 | static_cast<uint32_t>(channel));
    out.Byte(0);
    out.Byte(0);
    out.VarLen(static_cast<uint32_t>(ticksOf(0.5)));
    out.Byte(0x90 | static_cast<uint32_t>(channel));
    out.Byte(0);
    out.Byte(0);
    WriteMeta(out, 0x2F, nullptr, 0);
    out.EndChunk(start);
    return true;
}
