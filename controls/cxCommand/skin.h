#pragma once
// The button's two skins: nine small pictures each, for the released and the pressed
// look. Piece k goes to image k of the face (0 to 3 clockwise from the top-left
// corner: corner, edge, corner, edge, ...; 8 the centre).
#include <array>
#include <cstddef>
#include <cstdint>

namespace scandrel::controls {

enum class SkinSet { Released, Pressed };

inline constexpr int kSkinPieces = 9;

// Pixels 0xRRGGBB, rows top to bottom, left to right.
struct SkinPiece {
    int width;
    int height;
    std::array<uint32_t, 9> pixels;

    uint32_t at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

const std::array<SkinPiece, kSkinPieces>& skinPieces(SkinSet set);

}  // namespace scandrel::controls
