// The engine state as the JSON object `harukaze-tool run` writes with `state FILE.json`.
#pragma once

#include <string>

namespace hk {

class Engine;
class HeadlessPlatform;

std::string EngineStateJson(Engine& engine, HeadlessPlatform& platform);

} // namespace hk
