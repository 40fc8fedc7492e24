#include "song/Composition.h"

#include "core/DiskFile.h"
#include "core/KeyValue.h"
#include "core/Path.h"
#include "song/Composer.h"
#include "song/MidiFile.h"
#include "song/Mix.h"
#include "song/WaveRenderer.h"

#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <string>

bool CComposition::Fail(const char* format, ...) {
    va_list args;
    va_start(args, format);
    m_error.FormatV(format, args);
    va_end(args);
    m_errorLine = 0;
    return false;
}

void CComposition::Reset() {
    m_order.clear();
    m_parts.clear();
    m_header.Reset();
    m_name.Empty();
    m_description.Empty();
    m_repeat = 1;
    m_modified = false;
}

bool CComposition::AddPart(CSongPart* part) {
    std::unique_ptr<CSongPart> owned(part);
    if (!owned)
        return Fail("No song part to add");
    if (!owned->m_name.IsEmpty() && FindPart(owned->m_name))
        return Fail("Song part (%s) already exists", owned->m_name.GetText());
    owned->SetOwner(this);
    m_parts.push_back(std::move(owned));
    m_modified = true;
    return true;
}

bool CComposition::AppendToOrder(CSongPart* part) {
    auto owned = std::find_if(m_parts.begin(), m_parts.end(),
                              [&](const std::unique_ptr<CSongPart>& p) { return p.get() == part; });
    if (part == nullptr || owned == m_parts.end())
        return Fail("Song part is not in the composition");
    m_order.push_back(part);
    m_modified = true;
    return true;
}

CSongPart* CComposition::FindPart(const char* name) const {
    for (const auto& part : m_parts)
        if (part->m_name == name)
            return part.get();
    return nullptr;
}

bool CComposition::RemoveFromOrder(const char* name) {
    auto entry = std::find_if(m_order.begin(), m_order.end(),
                              [&](const CSongPart* part) { return part->m_name == name; });
    if (entry == m_order.end())
        return Fail("Song part (%s) is not in the play order", name);
    m_order.erase(entry);
    m_modified = true;
    return true;
}

bool CComposition::RemoveOrderEntry(int index) {
    if (index < 0 || index >= GetOrderCount())
        return Fail("No play order entry %d", index + 1);
    m_order.erase(m_order.begin() + index);
    m_modified = true;
    return true;
}

bool CComposition::MoveOrderEntry(int index, int delta) {
    const int target = index + delta;
    if (index < 0 || index >= GetOrderCount() || target < 0 || target >= GetOrderCount())
        return Fail("Can't move play order entry %d to %d", index + 1, target + 1);
    CSongPart* part = m_order[static_cast<size_t>(index)];
    m_order.erase(m_order.begin() + index);
    m_order.insert(m_order.begin() + target, part);
    m_modified = true;
    return true;
}

bool CComposition::DeletePart(const char* name) {
    CSongPart* part = FindPart(name);
    if (!part)
        return Fail("Can't find song part (%s)", name);
    RemoveFromOrder(name);
    // Entries beyond the first would point at the destroyed part: they go with it.
    m_order.erase(std::remove(m_order.begin(), m_order.end(), part), m_order.end());
    m_parts.erase(
        std::find_if(m_parts.begin(), m_parts.end(),
                     [&](const std::unique_ptr<CSongPart>& p) { return p.get() == part; }));
    m_modified = true;
    return true;
}

void CComposition::GetCounts(int& parts, int& order) const {
    parts = GetPartCount();
    order = GetOrderCount();
}

CSongPart* CComposition::GetPart(int index) const {
    return index >= 0 && index < GetPartCount() ? m_parts[static_cast<size_t>(index)].get()
                                                : nullptr;
}

CSongPart* CComposition::GetOrderEntry(int index) const {
    return index >= 0 && index < GetOrderCount() ? m_order[static_cast<size_t>(index)] : nullptr;
}

bool CComposition::Copy(const CComposition& other) {
    if (&other == this)
        return true;
    Reset();
    m_header = other.m_header;
    m_name = other.m_name;
    m_description = other.m_description;
    m_repeat = other.m_repeat;
    m_file = other.m_file;
    for (const auto& part : other.m_parts) {
        auto copy = std::make_unique<CSongPart>(*part);
        copy->SetOwner(this);
        m_parts.push_back(std::move(copy));
    }
    for (const CSongPart* entry : other.m_order) {
        CSongPart* part = FindPart(entry->m_name);
        if (!part)
            return Fail("Can't find song part (%s)", entry->m_name.GetText());
        m_order.push_back(part);
    }
    m_modified = true;
    return true;
}

bool CComposition::Save(const char* path) {
    CCharString order;
    for (const CSongPart* part : m_order) {
        // These characters would split the play order differently when it is read back.
        if (std::strpbrk(part->m_name, "~^\r\n"))
            return Fail("Can't save song part: part's name (%s) holds '~', '^' or a line end",
                        part->m_name.GetText());
        order.AppendFormat("%s~%d^", part->m_name.GetText(), part->m_repeat);
    }
    if (!SongLineFits("Name", m_name) || !SongLineFits("Description", m_description) ||
        !SongLineFits("Parts", order))
        return Fail("Can't save song (%s): a line is too long to be read back", path);
    CDiskFile file;
    if (!file.OpenReplace(path))
        return Fail("Can't create song info file (%s): %s", path, file.GetError().GetText());
    bool ok = WriteSectionKey(file, "Start of Song Info") && WriteKeyText(file, "Name", m_name) &&
              WriteKeyText(file, "Description", m_description) &&
              WriteKeyReal(file, "Tempo", m_header.tempo) &&
              WriteKeyInt(file, "Repeat", m_repeat) && WriteKeyText(file, "Parts", order) &&
              WriteSectionKey(file, "End of Song Info") && WriteBlankLine(file) &&
              WriteBlankLine(file);
    if (!ok)
        return Fail("Can't write song file (%s): %s", path, file.GetError().GetText());
    for (const auto& part : m_parts)
        if (!part->Save(file))
            return Fail("Can't save song part: %s", part->GetError().GetText());
    if (!file.Commit())
        return Fail("Can't write song file (%s): %s", path, file.GetError().GetText());
    m_file.Set(path);
    m_modified = false;
    return true;
}

bool CComposition::Load(const char* path) {
    CDiskFile file;
    if (!file.Open(path, true, false, false))
        return Fail("Can't open song file (%s): %s", path, file.GetError().GetText());
    Reset();

    auto readFailure = [&]() {
        Fail("Can't read song file (%s): %s", path,
             file.GetError().IsEmpty() ? "no line end, or the line is too long"
                                       : file.GetError().GetText());
        m_errorLine = file.GetLineNumber() + 1;
        return false;
    };
    std::string order;
    int orderLine = 0;
    bool atEnd = false;
    KEY_VALUE kv;
    CCharString reason;
    for (;;) {
        if (!NextKeyValue(file, kv, atEnd, reason)) {
            Fail("Can't read song file (%s): %s", path, reason.GetText());
            m_errorLine = file.GetLineNumber() + 1;
            return false;
        }
        if (atEnd)
            break;
        if (kv.key == "End of Song Info")
            break;
        if (kv.key == "Name") {
            m_name.Set(std::string(kv.value).c_str());
        } else if (kv.key == "Description") {
            m_description.Set(std::string(kv.value).c_str());
        } else if (kv.key == "Tempo") {
            double tempo = KeyValueReal(kv.value);
            m_header.tempo = tempo;
            m_header.beatTime = tempo > 0.0 ? 60.0 / tempo : 0.0;
        } else if (kv.key == "Repeat") {
            m_repeat = KeyValueInt(kv.value);
        } else if (kv.key == "Parts") {
            order.assign(kv.value);
            orderLine = file.GetLineNumber();
        }
    }

    while (!atEnd) {
        char* dropped = nullptr; // the empty line in front of each block
        if (!file.NextLine(dropped))
            return readFailure();
        if (!dropped)
            break;
        auto part = std::make_unique<CSongPart>();
        part->SetOwner(this);
        if (!part->Load(file, atEnd)) {
            Fail("Can't load part: %s", part->GetError().GetText());
            m_errorLine = part->GetErrorLine();
            return false;
        }
        if (part->m_name.IsEmpty())
            continue;
        if (FindPart(part->m_name)) {
            Fail("Can't load part: song part (%s) is listed twice", part->m_name.GetText());
            m_errorLine = file.GetLineNumber();
            return false;
        }
        m_parts.push_back(std::move(part));
    }

    if (!ReadOrder(order)) {
        m_errorLine = orderLine;
        return false;
    }
    m_file.Set(path);
    m_modified = false;
    return true;
}

bool CComposition::ReadOrder(const std::string& value) {
    size_t start = 0;
    while (start < value.size()) {
        size_t end = value.find('^', start);
        std::string entry = value.substr(start, end == std::string::npos ? end : end - start);
        start = end == std::string::npos ? value.size() : end + 1;
        if (entry.empty())
            continue;
        size_t tilde = entry.find('~');
        if (tilde == 0)
            return Fail("Can't get part's name from (%s)", entry.c_str());
        if (tilde == std::string::npos || tilde + 1 == entry.size())
            return Fail("Can't get part's repeat count from (%s)", entry.c_str());
        std::string name = entry.substr(0, tilde);
        CSongPart* part = FindPart(name.c_str());
        if (!part)
            return Fail("Can't find song part (%s)", name.c_str());
        m_order.push_back(part);
    }
    return true;
}

bool CComposition::CheckGrooves() {
    for (const auto& part : m_parts) {
        if (!FileExists(part->m_grooveFile)) {
            Fail("Can't find groove (%s) of song part (%s)", part->m_grooveFile.GetText(),
                 part->m_name.GetText());
            m_errorLine = part->m_grooveFileLine;
            return false;
        }
    }
    return true;
}

bool CComposition::Compose(CComposer& composer, CSong& song) {
    song.Reset();
    // Without a tempo every part would come out with no timing at all.
    if (!(m_header.tempo > 0.0) || !(m_header.beatTime > 0.0))
        return Fail("The song has no tempo");
    if (!composer.Compose(*this, song))
        return Fail("%s", composer.GetErrorText().GetText());
    return true;
}

bool CComposition::ComposeForExport(CComposer& composer, CSong& song) {
    if (m_order.empty() || m_repeat < 1)
        return Fail("The song has no parts to play");
    if (!Compose(composer, song))
        return false;
    if (!song.SetWholeMeasureDurations(true))
        return Fail("%s", song.GetError().GetText());
    if (const CMix* mix = composer.GetMix(); mix != nullptr && !song.ApplyMix(*mix))
        return Fail("%s", song.GetError().GetText());
    return true;
}

bool CComposition::SaveMidi(CComposer& composer, const char* path) {
    CSong song;
    if (!ComposeForExport(composer, song))
        return false;
    CMidiFile file;
    file.SetTraceEnabled(false);
    if (!file.Save(path, song))
        return Fail("%s", file.GetError().GetText());
    return true;
}

bool CComposition::SaveWave(CComposer& composer, CWaveRenderer& renderer, const char* path) {
    CSong song;
    if (!ComposeForExport(composer, song))
        return false;
    CNoteList notes;
    if (!song.MergeTracks(notes, true))
        return Fail("%s", song.GetError().GetText());
    if (!renderer.RenderToWave(notes, path))
        return Fail("%s", renderer.GetErrorText().GetText());
    return true;
}

CCharString CComposition::DescribeError(const char* path) const {
    CCharString text;
    if (m_errorLine > 0)
        text.Format("%s, line %d: %s", path, m_errorLine, m_error.GetText());
    else
        text.Format("%s: %s", path, m_error.GetText());
    return text;
}
