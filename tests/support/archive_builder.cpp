#include "support/archive_builder.h"

namespace hk::test {

std::vector<std::uint8_t> ToBytes(std::string_view text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
}

ArchiveBuilder& ArchiveBuilder::Add(int number, std::uint16_t type_a, std::vector<std::uint8_t> part_a,
                                    std::uint16_t type_b, std::vector<std::uint8_t> part_b) {
    m_writer.Add(number, type_a, std::move(part_a), type_b, std::move(part_b));
    return *this;
}

ArchiveBuilder& ArchiveBuilder::AddText(int number, std::uint16_t type_a, std::string_view part_a, std::uint16_t type_b,
                                        std::string_view part_b) {
    return Add(number, type_a, ToBytes(part_a), type_b, ToBytes(part_b));
}

ArchiveBuilder& ArchiveBuilder::SetHeader(const IfpHeader& header) {
    m_writer.SetHeader(header);
    return *this;
}

} // namespace hk::test
