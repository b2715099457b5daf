#pragma once

#include <array>

// The button's enumerations. Their members' names, blanks included, are what a host shows.
namespace ButtonTypes {
enum Value : int {
    Windows16Bit = 1,
    Windows32Bit = 2,
    WindowsXP = 3,
    Mac = 4,
    JavaMetal = 5,
    Netscape6 = 6,
    SimpleFlat = 7,
    FlatHighlight = 8,
    OfficeXP = 9,
    Transparent = 11,
    Hover3D = 12,
    OvalFlat = 13,
    KDE2 = 14,
};
} // namespace ButtonTypes

namespace ColorTypes {
enum Value : int { UseWindows = 1, Custom = 2, ForceStandard = 3, UseContainer = 4 };
} // namespace ColorTypes

namespace PicPositions {
enum Value : int { cbLeft = 0, cbRight = 1, cbTop = 2, cbBottom = 3, cbBackground = 4 };
} // namespace PicPositions

namespace fx {
enum Value : int { cbNone = 0, cbEmbossed = 1, cbEngraved = 2, cbShadowed = 3 };
} // namespace fx

struct EnumMember
{
    int value;
    const char* name;
};

inline constexpr std::array<EnumMember, 13> kButtonTypesMembers{{
    {1, "Windows 16-bit"},
    {2, "Windows 32-bit"},
    {3, "Windows XP"},
    {4, "Mac"},
    {5, "Java metal"},
    {6, "Netscape 6"},
    {7, "Simple Flat"},
    {8, "Flat Highlight"},
    {9, "Office XP"},
    {11, "Transparent"},
    {12, "3D Hover"},
    {13, "Oval Flat"},
    {14, "KDE 2"},
}};
inline constexpr std::array<EnumMember, 4> kColorTypesMembers{{
    {1, "Use Windows"},
    {2, "Custom"},
    {3, "Force Standard"},
    {4, "Use Container"},
}};
inline constexpr std::array<EnumMember, 5> kPicPositionsMembers{{
    {0, "cbLeft"},
    {1, "cbRight"},
    {2, "cbTop"},
    {3, "cbBottom"},
    {4, "cbBackground"},
}};
inline constexpr std::array<EnumMember, 4> kFxMembers{{
    {0, "cbNone"},
    {1, "cbEmbossed"},
    {2, "cbEngraved"},
    {3, "cbShadowed"},
}};
