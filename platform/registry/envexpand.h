#pragma once

#include <QString>

// %NAME% references replaced by the process environment, as the registry's expandable strings
// need. An undefined name (or "%%") is left as it stands. Returns the size the result needs in
// characters including a terminating NUL; `result` is filled only when `capacity` is at least
// that. 0 when the result would exceed 32767 characters.
quint32 expandEnvironmentStrings(const QString& source, QString* result, quint32 capacity);

// Convenience for callers that do not size buffers.
QString expandedEnvironmentStrings(const QString& source);
