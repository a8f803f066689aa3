// The player's save files: "Save00.dat" through start-up (or a re-read), the settings dialog and
// the close that writes it back, and a slot file through the load menu, ItemLoad1Click and
// RestoreGame, then the interpreter going on from the saved step. Damaged files must give a clear
// error, and a system file the engine could not read must never be overwritten.
//
// Input: one mode byte (bit 0: cut the system file short; bit 1: a full start-up and close on a
// fresh engine), a patch count, that many patches of the system file (4-byte offset, length byte,
// bytes), then the slot file.
#include "fuzz_game.h"

#include "engine/records.h"

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
    Engine::SetDefaultSettings(record);
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
    Engine& form = session.Form();
    HeadlessPlatform& platform = session.Platform();
    try {
        form.ItemLoadClick();
        form.ItemLoad1Click(kSlot);
    } catch (const std::exception&) {
        return;
    }
    form.SetFrameTimerEnabled(true);
    for (int i = 0; i < 4 && form.FrameTimerEnabled(); ++i)
        session.Step();
    // Past the 500 ms fade-in at once, then a few ticks of the saved scene.
    platform.AdvanceClock(600);
    for (int i = 0; i < 8 && form.FrameTimerEnabled(); ++i)
        session.Step();
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
    if (mode & 1)
        system.resize(in.U32() % (system.size() + 1));
    const auto slot = in.Rest();

    if (mode & 2) {
        // A fresh engine: start-up reads both files as a player's first start after a crash would.
        fuzz::FuzzSession game;
        game.files->Put("Save00.dat", system);
        game.files->Put(Engine::SlotFileName(kSlot), slot);
        const bool started = game.Start();
        if (started)
            LoadSlot(*game.session);
        AnswerQuery(game.session->Platform(), true);
        game.session->Form().RequestClose();
        game.session->Platform().TakeErrors();
        const auto* after = game.files->Find("Save00.dat");
        if (!after)
            Finding("the system file is gone");
        const bool readable = system.size() >= sizeof(SystemData);
        if (!readable && *after != system)
            Finding("a system file the engine could not read was overwritten");
        if (readable && after->size() != sizeof(SystemData))
            Finding("the system file was written back with the wrong length");
        const auto* slot_after = game.files->Find(Engine::SlotFileName(kSlot));
        if (!slot_after || !std::equal(slot_after->begin(), slot_after->end(), slot.begin(), slot.end()))
            Finding("loading a slot changed its file");
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
    game.files->Put(Engine::SlotFileName(kSlot), slot);
    try {
        session.Form().ReadSystemFile();
        // The settings dialog shows whatever the file held.
        HeadlessPlatform::DialogAnswer back;
        back.kind = HeadlessPlatform::DialogAnswer::Kind::Config;
        session.Platform().QueueDialogAnswer(back);
        session.Form().ItemOptionClick();
    } catch (const std::exception&) {
    }
    LoadSlot(session);
    session.Platform().TakeErrors();
    session.Platform().ClearScriptFault();
    // An answer the settings dialog did not take would be used by the next input's dialog.
    if (session.Platform().PendingDialogAnswers() > 0)
        session.Platform().ShowConfigForm(session.Form().ConfigForm);
    return 0;
}
