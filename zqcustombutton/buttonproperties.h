#pragma once

#include "buttonenums.h"
#include "propertybag.h"

#include <QFont>
#include <QImage>
#include <QString>

// The mouse pointers a host can choose (the values of its mouse-pointer enumeration that the
// button uses by name).
namespace MousePointers {
inline constexpr short kDefault = 0;
inline constexpr short kArrow = 1;
inline constexpr short kCustom = 99;
} // namespace MousePointers

// What a bag falls back to for a key it does not hold, where that depends on the control.
struct ButtonBagDefaults
{
    QFont font;
    OleColor buttonFace;
    OleColor buttonText;
};

// The stored properties of one button, with their persistence. Enumerations are kept as given,
// unchecked: a value outside the members draws as the styles decide.
struct ButtonProperties
{
    int ButtonType = 0;
    int ColorScheme = 0;
    int PicturePosition = 0;
    int SpecialEffect = 0;
    OleColor BackColor;
    OleColor BackOver;
    OleColor ForeColor;
    OleColor ForeOver;
    OleColor MaskColor;
    bool UseMaskColor = false;
    bool UseGreyscale = false;
    bool HandPointer = false;
    bool SoftBevel = false;
    bool ShowFocusRect = false;
    bool CheckBoxBehaviour = false;
    bool Value = false;
    bool Enabled = false;
    QImage PictureNormal;
    QImage PictureOver;
    QString Caption;
    QFont Font;
    short MousePointer = MousePointers::kDefault;
    QImage MouseIcon;

    // The hand pointer is a cursor of the library's own; off, the pointer is the arrow.
    void setHandPointer(bool on);

    // Reads the 23 keys in their order; "HAND" goes through setHandPointer, so it overrides the
    // pointer and icon read before it.
    void read(const PropertyBag& bag, const ButtonBagDefaults& defaults);
    // Writes all 23 keys, none left out for holding its default. A picture that is not set has
    // no value a bag can hold and reads back as none.
    void write(PropertyBag& bag) const;
};

// The lower-cased access key of a caption, or a null character for none. "&&" is a literal
// ampersand: a caption whose ampersands are all escaped has no access key.
QChar accessKeyOf(const QString& caption);

// The hand-shaped pointer, drawn by the library, with its hot spot at the fingertip.
QImage handCursorImage();
inline constexpr int kHandHotSpotX = 5;
inline constexpr int kHandHotSpotY = 0;
