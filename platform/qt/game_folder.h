// Finding the game's folder when the program starts without one on its command line: the current
// directory, the folder played last time, the old ~/harukaze link, in that order, the first that
// holds the game; else the player chooses it in a folder chooser. A game folder is one that holds
// both archives, SCR.IFP and GRP.IFP, in any letter case.
#pragma once

#include <filesystem>
#include <optional>
#include <vector>

class QWidget;

namespace hk {

bool HoldsGameArchives(const std::filesystem::path& folder);

// The first of the candidates (empty ones are skipped) that holds the game.
std::optional<std::filesystem::path>
FindGameFolder(const std::vector<std::optional<std::filesystem::path>>& candidates);

// Asks the player for the game folder, opening at `start`, until the folder chosen holds the game
// (a folder without the archives is refused with a message saying so) or the player gives up
// (nullopt). Modal; needs a QApplication.
std::optional<std::filesystem::path> ChooseGameFolder(QWidget* parent, const std::filesystem::path& start);

} // namespace hk
