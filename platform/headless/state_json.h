// The engine state as the JSON object `harukaze-tool run` writes with `state FILE.json`.
#pragma once

#include <string>

namespace hk {

class TForm1;
class HeadlessPlatform;

std::string EngineStateJson(TForm1& form, HeadlessPlatform& platform);

} // namespace hk
