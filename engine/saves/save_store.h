// SaveStore: the game's save files. The system file "Save00.dat" holds the SystemData record, the
// thirty slot files "Save01.dat" .. "Save30.dat" a GameData record each, always stored whole. Every
// write keeps the file it replaces as "<name>.bak" when the game could use it; a damaged file (cut,
// unreadable, a folder, or holding what the game never writes) is moved aside as "<name>.damaged",
// never deleted.
//
// The store reads into and writes from records its caller owns (the engine's live System and Game)
// and keeps only what the save menus read about the slots: the last slot peeked at and the slots'
// file times. It tells nobody anything itself: what the player should hear comes back as a value
// or inside the FileError thrown.
#pragma once

#include "core/records.h"
#include "data/game_files.h"

#include <array>
#include <cstdint>
#include <string>

namespace hk {

class SaveStore {
public:
    // The files are read and written in files' save root; the store keeps the reference.
    explicit SaveStore(GameFiles& files) : m_files(files) {}
    SaveStore(const SaveStore&) = delete;
    SaveStore& operator=(const SaveStore&) = delete;

    // "Save01.dat" .. "Save30.dat" for slots 1..30.
    static std::string SlotFileName(int n);
    // The settings of a first start, written into an otherwise untouched record.
    static void SetDefaultSettings(SystemData& data);

    // ---- The system file ----
    bool CheckSystemFile() const;
    // Writes the record whole; the file it replaces stays as "Save00.dat.bak".
    void CreateSystemFile(const SystemData& data);
    // Reads the record from a whole "Save00.dat" (a file of its exact length, whatever it holds)
    // into dest; anything else throws FileError and leaves dest as it was.
    void ReadSystemFile(SystemData& dest);
    // Start-up steps 11-12: reads the system file into dest, or creates it with the default
    // settings on a first start. A damaged file is moved aside and the last good copy taken when
    // it is sound, as is the copy when the file is missing; otherwise dest becomes the defaults.
    // Returns what the player is told (empty on a sound file and on the very first start). Throws
    // FileError when a damaged file cannot be moved aside or nothing can be written; dest may
    // then hold the defaults.
    std::string LoadSystemFile(SystemData& dest);
    // True once a record has been read from or written to "Save00.dat": the caller's record then
    // holds what the file holds, and writing it back loses nothing.
    bool SystemFileInUse() const { return m_system_in_use; }

    // ---- The slot files (n is 1..30; any other number throws EngineError) ----
    // True when anything carries the slot's name, a damaged file or a folder included.
    bool CheckSaveFile(int n) const;
    // Writes the record; the file it replaces stays as "SaveNN.dat.bak", or, when it was not a
    // whole slot file the game could load, as "SaveNN.dat.damaged".
    void CreateSaveFile(int n, const GameData& data);
    // Reads a whole slot file into dest; anything else, a file of the right length holding what
    // the game never writes included, throws FileError (with the player's Japanese) and leaves
    // dest as it was.
    void ReadSaveFile(int n, GameData& dest) const;
    // ReadSaveFile into PeekData.
    void PeekSaveFile(int n);
    // PeekSaveFile; false, with PeekData then empty, when the slot file cannot be read.
    bool PeekSlot(int n);
    // "2024/03/05 21:07", the slot file's local modification time, or 16 spaces when it has none
    // (missing, unreadable, outside 1980..2107). When PeekData is a slot in use, the time is also
    // kept as that slot's SlotFileAge.
    std::string GetSaveFileTime(int n);

    // The slot last peeked at: its comment and whether it is in use, for the menus and the
    // comment dialog.
    const GameData& PeekData() const { return m_peek_data; }
    // The packed local time (later compares greater) GetSaveFileTime last kept for slot n, or 0.
    std::int32_t SlotFileAge(int n) const;

private:
    GameFiles& m_files;
    bool m_system_in_use = false;
    GameData m_peek_data{};
    std::array<std::int32_t, kSlotCount + 1> m_slot_file_age{}; // 1..30
};

} // namespace hk
