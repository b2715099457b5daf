#pragma once

#include <QString>

// The height of a collapsed list row, twips: new rows, rows shrunk back after being shown large,
// and rows of a list file that gives no height.
inline constexpr int ItemRowHeight = 235;

// The program's name as its windows and message boxes show it.
inline const QString ProgramTitle = QStringLiteral("Stashbox");
