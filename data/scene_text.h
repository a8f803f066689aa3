// The text form of a scene, which authors, translators and tests write scenes in, and which
// `harukaze-tool scr` turns scenes into and back. Opcodes are written by mnemonic from the opcode
// table, labels and jump targets by name, messages and voice names inline as UTF-8 text.
// Disassembling and assembling again gives the very same payload bytes; every exact-bytes detail
// that a hand-written scene does not need has a default. docs/script-format.md describes it.
#pragma once

#include "data/script_format.h"

#include <stdexcept>
#include <string>
#include <string_view>

namespace hk {

// A mistake in a scene text; the message starts with "source:line: ".
class SceneTextError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The text form of a scene; `scene` only goes into the first comment line. Throws
// SceneFormatError if the result would not assemble back to `payload` (it always should).
std::string DisassembleScene(const ScenePayload& payload, int scene);

// Assembles a scene text (UTF-8); `source` names it in error messages.
ScenePayload AssembleScene(std::string_view text, std::string_view source);

} // namespace hk
