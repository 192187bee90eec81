// Every value of the current brush, with the values derived from them at set
// time, the 20 grit buffers and the random byte tables the dabs draw from.
#pragma once

#include "engine/random.h"

#include <cstdint>

namespace mur {

inline constexpr int kGritBuffers = 20;
inline constexpr int kSizeSteps = 1000;

struct ToolSettings {
    float shapeIntensity = 0.0f;
    int32_t gritCell = 0;
    int32_t gritCellChance = 0;
    int32_t gritPixelChance = 0;
    uint8_t shapeSoftness = 0;
    int32_t colorVary = 0;
    int32_t drawingLength = 0;
    int32_t drawingLengthSetting = 0;
    int32_t blendStrength = 0;
    int32_t blendStrengthInverse = 0;
    int32_t primaryColorStrength = 0;
    int32_t primaryColorStrengthInverse = 0;
    uint8_t blendRemix = 0;
    int32_t toolParam11 = 0;
    uint8_t shapeInvert = 0;
    uint8_t toolParam13 = 0;
    int32_t shapeParam = 0;
    int32_t mixMode = 0;
    int32_t mixAmount = 0;
    int32_t mixAmountInverse = 0;
    int32_t mixBias16 = 0;
    uint8_t tempDisableBlend = 0;
    uint8_t maskMaker = 0;
    uint8_t eraseMode = 0;
    int32_t size = 0;
    int32_t sizeStepCount = 0;
    int32_t sizeSteps[kSizeSteps] = {};
    int32_t alpha = 0;
    int32_t alpha128 = 0;
    int32_t dabDensity = 0;
    int32_t shapeBlur = 0;
    uint8_t lockColor = 0;
    uint8_t lockBlob = 0;
    int32_t alphaLevel = 0;
    uint8_t imageBrushMode = 0;
    uint8_t solidBrushMode = 0;
    uint8_t rotateBrushMode = 0;
    int32_t rotateDegrees = 0;
    float rotateRadians = 0.0f;
    float rotateSin = 0.0f;
    float rotateCos = 1.0f;
    uint16_t color[4] = {0, 0, 0, 65535};   // R, G, B, A
    uint16_t colorBankR[4] = {};
    uint16_t colorBankG[4] = {};
    uint16_t colorBankB[4] = {};
    uint16_t colorBankA[4] = {};
    int32_t pixColorVary = 0;
    int32_t pixLumVary = 0;
    uint8_t* gritBuffers[kGritBuffers] = {};  // (maxBrushSize + 25)^2 bytes; 255 = no grit
    int32_t currentGrit = 0;
    int32_t gritOffset = 0;                   // the grain position: a shift of rows and columns into the buffer
    RandomByteTable randomTableA;             // modulus 255, 1,000,000 bytes
    RandomByteTable randomTableB;             // modulus 254, 1,000,000 bytes
    RandomByteTable pixColorVaryTable;
    RandomByteTable pixLumVaryTable;
};

}  // namespace mur
