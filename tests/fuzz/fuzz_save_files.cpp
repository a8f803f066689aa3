// The player's save files: "Save00.dat" through start-up (or a re-read), the settings dialog and
// the close that writes it back, and a slot file through the load menu, ItemLoad1Click and
// RestoreGame, then the interpreter going on from the saved step. On a fresh engine the folder
// may also hold a last good copy "Save00.dat.bak", and any of the files may be missing, a folder
// or unreadable: the game must start whatever it finds, play from the file, the copy or the
// defaults, say so at most once, and lose no file (a copy replaced by a newer whole one aside).
//
// Input: one mode byte (bit 0: cut the system file short; bit 1: a full start-up, a save into the
// slot and a close on a fresh engine; bit 2: a copy beside the system file, cut short too when
// bit 0 is set; bit 3: no system file; bit 4: the system file is a folder; bit 5: it cannot be
// read; bit 6: the slot file is a folder; bit 7: it cannot be read), a patch count, that many
// patches of the system file (4-byte offset, length byte, bytes), then the slot file.
#include "fuzz_game.h"

#include "core/records.h"
#include "engine/saves/record_checks.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace hk;

namespace {

constexpr int kSlot = 7;

[[noreturn]] void Finding(const char* what) {
    std::fprintf(stderr, "finding: %s\n", what);
    std::abort();
}

std::vector<std::uint8_t> DefaultSystemFile() {
    SystemData record{};
    SaveStore::SetDefaultSettings(record);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&record);
    return std::vector<std::uint8_t>(bytes, bytes + sizeof record);
}

void AnswerQuery(HeadlessPlatform& platform, bool ok) {
    HeadlessPlatform::DialogAnswer answer;
    answer.kind = HeadlessPlatform::DialogAnswer::Kind::Query;
    answer.ok = ok;
    platform.QueueDialogAnswer(answer);
}

// The load menu, the load itself and the restore task, then the script from the saved step.
void LoadSlot(HeadlessSession& session) {
    Engine& engine = session.TheEngine();
    HeadlessPlatform& platform = session.Platform();
    try {
        engine.Commands().ItemLoadClick();
        engine.Commands().ItemLoad1Click(kSlot);
    } catch (const std::exception&) {
        return;
    }
    engine.SetFrameTimerEnabled(true);
    for (int i = 0; i < 4 && engine.FrameTimerEnabled(); ++i)
        session.Step();
    // Past the 500 ms fade-in at once, then a few ticks of the saved scene.
    platform.AdvanceClock(600);
    for (int i = 0; i < 8 && engine.FrameTimerEnabled(); ++i)
        session.Step();
}

// A file the game takes: readable, of the record's length and holding what the game writes.
bool Whole(const std::vector<std::uint8_t>& file, bool damaged) {
    return !damaged && IsSoundSystemFile(file.data(), file.size());
}

// Some file of the folder holds exactly these bytes.
bool Kept(const fuzz::MemoryFiles& files, const std::vector<std::uint8_t>& bytes) {
    for (const auto& [name, held] : files.Entries())
        if (held == bytes)
            return true;
    return false;
}

// A fresh engine over the folder the mode describes: start, load, save into the slot, close.
void FreshStart(std::uint8_t mode, const std::vector<std::uint8_t>& system, const std::vector<std::uint8_t>& copy,
                const std::vector<std::uint8_t>& slot) {
    fuzz::FuzzSession game;
    fuzz::MemoryFiles& files = *game.files;
    const bool has_file = !(mode & 8), has_copy = mode & 4;
    const bool file_damaged = has_file && (mode & 0x30), slot_damaged = mode & 0xC0;
    if (has_file && (mode & 0x10))
        files.PutFolder("Save00.dat", system);
    else if (has_file)
        files.Put("Save00.dat", system);
    if (has_file && (mode & 0x20))
        files.MarkUnreadable("Save00.dat");
    if (has_copy)
        files.Put("Save00.dat.bak", copy);
    const std::string slot_name = SaveStore::SlotFileName(kSlot);
    if (mode & 0x40)
        files.PutFolder(slot_name, slot);
    else
        files.Put(slot_name, slot);
    if (mode & 0x80)
        files.MarkUnreadable(slot_name);

    HeadlessSession& session = *game.session;
    if (!game.Start())
        Finding("the game did not start over its save files");
    const bool file_whole = has_file && Whole(system, file_damaged);
    const bool copy_whole = has_copy && Whole(copy, false);
    const std::vector<std::uint8_t>& expected = file_whole ? system : copy_whole ? copy : DefaultSystemFile();
    if (std::memcmp(&session.State().System, expected.data(), sizeof(SystemData)) != 0)
        Finding("the game plays from another record than the file's, the copy's or the defaults");
    const bool told = !file_whole && (has_file || has_copy);
    if (session.Platform().TakeMessages().size() != (told ? 1u : 0u))
        Finding("the player was not told exactly once");

    LoadSlot(session);
    HeadlessPlatform::DialogAnswer comment;
    comment.kind = HeadlessPlatform::DialogAnswer::Kind::Comment;
    comment.ok = true;
    comment.comment = u"fuzz";
    session.Platform().QueueDialogAnswer(comment);
    session.TheEngine().OnMenuCommand("ItemSave" + std::to_string(kSlot));
    AnswerQuery(session.Platform(), true);
    session.TheEngine().RequestClose();
    session.Platform().TakeErrors();
    session.Platform().TakeMessages();

    const auto* after = files.Find("Save00.dat");
    if (!after || files.IsFolder("Save00.dat") || after->size() != sizeof(SystemData))
        Finding("the close did not leave a whole system file");
    if (has_file && !Kept(files, system))
        Finding("the system file the game found is gone");
    if (has_copy && !file_whole && !Kept(files, copy))
        Finding("the copy the game found is gone");
    if (!Kept(files, slot))
        Finding("the slot file the game found is gone");
    const auto* slot_after = files.Find(slot_name);
    if (!slot_after || slot_after->size() != sizeof(GameData) || (*slot_after)[0] != 1)
        Finding("saving into the slot did not write a whole save");
    if (!slot_damaged && IsSoundSlotFile(slot.data(), slot.size())) {
        const auto* slot_copy = files.Find(slot_name + ".bak");
        if (!slot_copy || *slot_copy != slot)
            Finding("the save replaced is not the slot's copy");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<std::uint8_t> base_system = DefaultSystemFile();
    fuzz::ByteReader in({data, size});
    const std::uint8_t mode = in.Byte();
    std::vector<std::uint8_t> system = base_system;
    for (int patches = in.Byte() % 8; patches > 0; --patches) {
        const std::size_t offset = in.U32() % system.size();
        const auto bytes = in.Take(in.Byte());
        const std::size_t n = std::min(bytes.size(), system.size() - offset);
        std::memcpy(system.data() + offset, bytes.data(), n);
    }
    const std::vector<std::uint8_t> whole = system;
    if (mode & 1)
        system.resize(in.U32() % (system.size() + 1));
    std::vector<std::uint8_t> copy = whole;
    copy[0] ^= 0x01; // an older state than the file's
    if ((mode & 1) && (mode & 4))
        copy.resize(in.U32() % (copy.size() + 1));
    const auto rest = in.Rest();
    const std::vector<std::uint8_t> slot(rest.begin(), rest.end());

    if (mode & 2) {
        FreshStart(mode, system, copy, slot);
        return 0;
    }

    static fuzz::FuzzSession game;
    static const bool started = game.Start();
    if (!started)
        Finding("the base game does not start");
    static const EngineState* const initial = new EngineState(game.session->State());
    HeadlessSession& session = *game.session;
    session.State() = *initial;
    game.files->Put("Save00.dat", system);
    game.files->Put(SaveStore::SlotFileName(kSlot), slot);
    try {
        session.TheEngine().Saves().ReadSystemFile(session.State().System);
        // The settings dialog shows whatever the file held.
        HeadlessPlatform::DialogAnswer back;
        back.kind = HeadlessPlatform::DialogAnswer::Kind::Config;
        session.Platform().QueueDialogAnswer(back);
        session.TheEngine().Commands().ItemOptionClick();
    } catch (const std::exception&) {
    }
    LoadSlot(session);
    session.Platform().TakeErrors();
    session.Platform().ClearScriptFault();
    // An answer the settings dialog did not take would be used by the next input's dialog.
    if (session.Platform().PendingDialogAnswers() > 0)
        session.Platform().ShowConfigForm(session.TheEngine().Commands().Config);
    return 0;
}
