#pragma once

#include <QString>

// Where the rig finds the built program folder and its own tools.  The build
// bakes the paths in; the environment variables STASHBOX_APP_DIR and
// STASHBOX_CLIPOWNER override them (to test an installed copy, say).
namespace RigPaths {
QString appDir();
QString program();
QString clipOwner();
// The name the program files per-user data under: the effective user's login name.
QString loginName();
} // namespace RigPaths
