#pragma once

#include <QList>
#include <QMap>
#include <QPair>
#include <QString>

#include <vector>

class DesktopFixture;

// Small helpers the desktop benchmarks share.
namespace BenchSupport {
// Starts the desktop and a program, or prints why not; returns false then.
bool startOrExplain(DesktopFixture& fx, const QList<QPair<QString, QString>>& settings = {});
// Starts the desktop alone (the benchmark starts its programs itself), or prints why not.
bool startSessionOrExplain(DesktopFixture& fx);
qint64 monotonicNs();
double median(std::vector<double> values);
// A field of /proc/<pid>/status in kB or as a count, -1 when absent.
qint64 statusField(qint64 pid, const char* field);
// CPU time all threads of the process have used so far (nanoseconds, from schedstat).
qint64 cpuNs(qint64 pid);
// Voluntary plus involuntary context switches of each thread ("name:tid").
QMap<QString, qint64> contextSwitchesByThread(qint64 pid);
} // namespace BenchSupport
