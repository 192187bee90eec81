// A page with a current layer of known pixels, both IPL buffers allocated,
// and the message and debug sinks captured, for running filter scripts.
#pragma once

#include "support/engine_fixture.h"

#include <cstdint>
#include <string>
#include <vector>

namespace mur::test {

class LuaFilterTest : public EngineTest {
protected:
    static constexpr int32_t kWidth = 7;
    static constexpr int32_t kHeight = 5;

    void SetUp() override;
    void TearDown() override;

    // Writes the script to a file and runs it; true when no message box came.
    bool run(const std::string& script, int32_t variant = 0, const int32_t sliders[6] = nullptr, int32_t style1 = 0,
             int32_t style2 = 0, const int32_t flags[6] = nullptr);

    // The current layer's pixel (x, y) as bytes (high bytes).
    std::vector<uint8_t> layer_bytes() const;
    static LayerRecord& layer() { return engine.layers.slots[2]; }

    std::string scriptPath;
    std::vector<std::string> messages;  // "caption: text"
    std::vector<std::string> debug;
};

}  // namespace mur::test
