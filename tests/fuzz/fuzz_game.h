// The small game every engine harness plays: a scenario archive whose scene 1 idles, and a
// graphics archive with the interface pictures start-up loads (7..10) plus a few layer and CG
// pictures, all tiny PNGs. Harnesses put their fuzzed bytes over parts of it.
#pragma once

#include "memory_files.h"
#include "platform/headless/headless_session.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace hk::fuzz {

// A w x h opaque picture of one colour (0x00BBGGRR) as PNG bytes.
std::vector<std::uint8_t> SolidPng(int width, int height, std::uint32_t colour);

// Scenario archive with scene 1 = the given payload (or the idle scene when empty).
std::vector<std::uint8_t> ScenarioArchiveBytes(std::span<const std::uint8_t> scene1 = {});
// The graphics archive described above.
std::vector<std::uint8_t> GraphicsArchiveBytes();

// Texts every fuzzed instruction block gets: labels, jump names, voices and messages, so that
// operands that index them hit real lines as well as missing ones.
std::vector<std::uint8_t> ScenePayloadWithCode(std::span<const std::uint8_t> code);

// A headless session over a MemoryFiles game directory holding the base game.
struct FuzzSession {
    FuzzSession();
    MemoryFiles* files; // owned by the session
    std::unique_ptr<HeadlessSession> session;
    // Runs start-up; false when it failed (errors drained from the platform either way).
    bool Start();
};

// Lets libFuzzer inputs be read in pieces.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> data) : m_data(data) {}
    std::uint8_t Byte() { return m_pos < m_data.size() ? m_data[m_pos++] : 0; }
    std::uint16_t U16() { return static_cast<std::uint16_t>(Byte() | (Byte() << 8)); }
    std::uint32_t U32() { return static_cast<std::uint32_t>(U16()) | (static_cast<std::uint32_t>(U16()) << 16); }
    std::span<const std::uint8_t> Take(std::size_t n) {
        n = std::min(n, m_data.size() - m_pos);
        auto part = m_data.subspan(m_pos, n);
        m_pos += n;
        return part;
    }
    std::span<const std::uint8_t> Rest() { return Take(m_data.size() - m_pos); }
    std::size_t Left() const { return m_data.size() - m_pos; }

private:
    std::span<const std::uint8_t> m_data;
    std::size_t m_pos = 0;
};

} // namespace hk::fuzz
