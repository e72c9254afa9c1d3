#pragma once
// Colours of the form model. Values that the program's texts give as Windows
// COLORREF numbers (0x00BBGGRR) are converted once, where they are written.

#include <cstdint>
#include <cstdio>
#include <string>

namespace mrv::form
{

struct Colour {
    uint8_t r = 0, g = 0, b = 0;

    static constexpr Colour Rgb(uint8_t red, uint8_t green, uint8_t blue) { return {red, green, blue}; }
    /// From a Windows COLORREF (0x00BBGGRR).
    static constexpr Colour FromColorRef(uint32_t value)
    {
        return {static_cast<uint8_t>(value & 0xFF), static_cast<uint8_t>((value >> 8) & 0xFF),
                static_cast<uint8_t>((value >> 16) & 0xFF)};
    }
    constexpr uint32_t ToColorRef() const { return r | (g << 8) | (static_cast<uint32_t>(b) << 16); }

    std::string Hex() const
    {
        char text[8];
        std::snprintf(text, sizeof text, "#%02X%02X%02X", r, g, b);
        return text;
    }
    friend constexpr bool operator==(Colour a, Colour b) { return a.r == b.r && a.g == b.g && a.b == b.b; }
};

namespace colours
{
inline constexpr Colour kBlack = Colour::Rgb(0, 0, 0);
inline constexpr Colour kWhite = Colour::Rgb(255, 255, 255);
inline constexpr Colour kRed = Colour::Rgb(255, 0, 0);
inline constexpr Colour kMaroon = Colour::Rgb(128, 0, 0);
inline constexpr Colour kGreen = Colour::Rgb(0, 128, 0);
inline constexpr Colour kLime = Colour::Rgb(0, 255, 0);
inline constexpr Colour kBlue = Colour::Rgb(0, 0, 255);
inline constexpr Colour kNavy = Colour::Rgb(0, 0, 128);
inline constexpr Colour kYellow = Colour::Rgb(255, 255, 0);
inline constexpr Colour kFuchsia = Colour::Rgb(255, 0, 255);
inline constexpr Colour kAqua = Colour::Rgb(0, 255, 255);
inline constexpr Colour kTeal = Colour::Rgb(0, 128, 128);
inline constexpr Colour kPurple = Colour::Rgb(128, 0, 128);
inline constexpr Colour kGray = Colour::Rgb(128, 128, 128);
inline constexpr Colour kSilver = Colour::Rgb(192, 192, 192);
/// The face colour of buttons and panels.
inline constexpr Colour kBtnFace = Colour::Rgb(240, 240, 240);
/// The background of edits and lists.
inline constexpr Colour kWindow = Colour::Rgb(255, 255, 255);
} // namespace colours

} // namespace mrv::form
