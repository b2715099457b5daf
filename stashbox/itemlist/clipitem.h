#pragma once

#include "picture.h"

#include <QString>

// The three kinds of item, held as the row's data value and compared exactly.
namespace ItemKind {
inline const QString Text = QStringLiteral("Text");
inline const QString Rtf = QStringLiteral("RTF");
inline const QString Bitmap = QStringLiteral("Bitmap");
inline bool isItem(const QString& kind)
{
    return kind == Text || kind == Rtf || kind == Bitmap;
}
} // namespace ItemKind

// One captured item: one row of the list.
//   label   column 0 text (the item's text, a name, or "IMAGE")
//   data    column 1 text (RTF source; a picture's fingerprint as a decimal number)
//   picture column 1 picture (Bitmap items)
//   text    column 2 text (plain text; a picture's stamp mmddyyhhmmss)
struct ClipItem
{
    QString kind;
    QString label;
    QString data;
    Picture picture;
    QString text;
};

// The small kind icons shown in column 0 of collapsed rows.
struct KindIcons
{
    Picture text;
    Picture rtf;
    Picture bitmap;

    Picture forKind(const QString& kind) const
    {
        if (kind == ItemKind::Text)
            return text;
        if (kind == ItemKind::Rtf)
            return rtf;
        if (kind == ItemKind::Bitmap)
            return bitmap;
        return {};
    }
};
