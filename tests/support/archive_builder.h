// Builds small archives (SCR.IFP, GRP.IFP) in memory for tests, through the same writer the
// tools use.
#pragma once

#include "data/ifp_archive.h"

#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

namespace hk::test {

class ArchiveBuilder {
public:
    // Adds item `number` (0..2047, each once; type_a not 0). Returns *this for chaining.
    ArchiveBuilder& Add(int number, std::uint16_t type_a, std::vector<std::uint8_t> part_a, std::uint16_t type_b = 0,
                        std::vector<std::uint8_t> part_b = {});
    // The same with text parts (bytes taken as they are, e.g. Shift-JIS).
    ArchiveBuilder& AddText(int number, std::uint16_t type_a, std::string_view part_a, std::uint16_t type_b = 0,
                            std::string_view part_b = {});

    ArchiveBuilder& SetHeader(const IfpHeader& header);

    std::vector<std::uint8_t> Bytes() const { return m_writer.Bytes(); }
    void WriteTo(const std::filesystem::path& path) const { m_writer.WriteTo(path); }

private:
    IfpWriter m_writer;
};

// Bytes of a text, for building parts.
std::vector<std::uint8_t> ToBytes(std::string_view text);

} // namespace hk::test
