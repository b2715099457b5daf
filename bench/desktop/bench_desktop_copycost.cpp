// What one copy costs the program whatever its list already holds: the CPU time of the whole
// process (all threads, from /proc) from the copy until the list on disk has followed it, each case
// beside its baseline in the same run. Also the size of the list on disk for long texts.

#include "benchsupport.h"
#include "desktopfixture.h"
#include "rigpaths.h"
#include "sampleimages.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QThread>

#include <cstdio>
#include <functional>

namespace {
// The session write follows a change within 1.5 s; by then it is done.
constexpr int kSettleMs = 2500;
constexpr int kPictures = 20;

QString autosaveFolder(DesktopFixture& fx)
{
    return fx.app().folder() + QStringLiteral("/{E098A55430BFFEE0816A628E}{") + RigPaths::loginName()
        + QLatin1Char('}');
}

// CPU of the program for `copy` and what follows it until it settles; -1 when the copy failed.
double cpuMsOf(DesktopFixture& fx, const std::function<bool()>& copy)
{
    const qint64 pid = fx.app().pid();
    const qint64 before = BenchSupport::cpuNs(pid);
    if (!copy())
        return -1;
    QThread::msleep(kSettleMs);
    return double(BenchSupport::cpuNs(pid) - before) / 1e6;
}

bool copyPicture(DesktopFixture& fx, quint32 seed)
{
    static QHash<quint32, QByteArray> encoded;
    if (!encoded.contains(seed))
        encoded.insert(seed, SampleImages::encode(SampleImages::noise(QSize(1920, 1080), seed)));
    const auto before = fx.app().state();
    if (!before)
        return false;
    const QString previousTop = before->top() ? before->top()->text : QString();
    ClipOwnerProcess& owner = fx.newOwner();
    owner.offer(QStringLiteral("image/png"), encoded.value(seed));
    return fx.start(owner) && fx.app().waitFor([&](const ProbeState& s) {
        return s.top() && s.top()->kind == QLatin1String("Bitmap") && s.top()->text != previousTop;
    }, 30000);
}

bool copyText(DesktopFixture& fx, const QString& text)
{
    return fx.copyText(text) && fx.waitForTopText(text, 30000);
}

QString longText(int mib, int seed)
{
    QString text = QStringLiteral("long text %1 ").arg(seed);
    const QString line = QStringLiteral("The quick brown fox jumps over the lazy dog, %1 times.\n").arg(seed);
    while (text.size() < mib * 1024 * 1024)
        text += line;
    return text;
}

qint64 bytesUnder(const QString& path)
{
    qint64 total = QFileInfo(path).size();
    for (QDirIterator it(path + QStringLiteral("_Data"), QDir::Files | QDir::Hidden); it.hasNext();)
        total += QFileInfo(it.next()).size();
    return total;
}

bool start(DesktopFixture& fx)
{
    if (fx.startApp())
        return true;
    std::fprintf(stderr, "cannot start: %s\n", qPrintable(fx.error()));
    return false;
}

void print(const char* what, std::vector<double> values)
{
    std::printf("%-74s median %7.1f ms  (min %.1f, max %.1f, %zu runs)\n", what, BenchSupport::median(values),
                *std::min_element(values.begin(), values.end()), *std::max_element(values.begin(), values.end()),
                values.size());
}

bool failed(const std::vector<double>& values)
{
    return std::any_of(values.begin(), values.end(), [](double v) { return v < 0; });
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    DesktopFixture fx;
    if (!BenchSupport::startSessionOrExplain(fx))
        return 1;

    // Pictures: one into an empty list, twenty in a row, then one more into the full list.
    std::vector<double> firstPicture, fullListPicture, inARow;
    quint32 seed = 1;
    for (int round = 0; round < 3; ++round) {
        if (!start(fx))
            return 1;
        QThread::msleep(kSettleMs);
        firstPicture.push_back(cpuMsOf(fx, [&] { return copyPicture(fx, seed++); }));
        const qint64 pid = fx.app().pid();
        const qint64 rowStart = BenchSupport::cpuNs(pid);
        for (int i = 1; i < kPictures; ++i)
            if (!copyPicture(fx, seed++))
                return 1;
        QThread::msleep(kSettleMs);
        inARow.push_back(double(BenchSupport::cpuNs(pid) - rowStart) / 1e6 / (kPictures - 1));
        for (int i = 0; i < 2; ++i)
            fullListPicture.push_back(cpuMsOf(fx, [&] { return copyPicture(fx, seed++); }));
        fx.endCase(QString(), false);
    }
    if (failed(firstPicture) || failed(fullListPicture))
        return 1;
    print("1920x1080 picture (noise PNG), 20 copied in a row: CPU per picture", inARow);
    print("one picture copied into an empty list: CPU for that copy", firstPicture);
    print("one picture copied when the list holds 20 pictures: CPU for that copy", fullListPicture);

    // Texts: short ones into an empty list, three 13 MiB texts, short ones again beside them.
    if (!start(fx))
        return 1;
    QThread::msleep(kSettleMs);
    std::vector<double> shortEmpty, longCopies, shortBeside;
    for (int i = 0; i < 5; ++i)
        shortEmpty.push_back(cpuMsOf(fx, [&] { return copyText(fx, QStringLiteral("short text %1").arg(i)); }));
    qint64 utf8Bytes = 0;
    for (int i = 0; i < 3; ++i) {
        const QString text = longText(13, i);
        utf8Bytes += text.toUtf8().size();
        longCopies.push_back(cpuMsOf(fx, [&] { return copyText(fx, text); }));
    }
    for (int i = 0; i < 5; ++i)
        shortBeside.push_back(cpuMsOf(fx, [&] { return copyText(fx, QStringLiteral("beside %1").arg(i)); }));
    if (failed(shortEmpty) || failed(longCopies) || failed(shortBeside))
        return 1;
    const QString session = autosaveFolder(fx) + QStringLiteral("/session.sbt");
    for (int i = 0; i < 5; ++i)
        utf8Bytes += QStringLiteral("short text %1").arg(i).toUtf8().size() + QStringLiteral("beside %1").arg(i).toUtf8().size();
    print("short text copied into a list of short texts: CPU for that copy", shortEmpty);
    print("13 MiB text: CPU per copy", longCopies);
    print("short text copied when the list holds three 13 MiB texts: CPU for that copy", shortBeside);
    std::printf("session copy on disk for %.1f MB of texts (UTF-8): %.1f MB (%.2f times)\n", utf8Bytes / 1e6,
                bytesUnder(session) / 1e6, double(bytesUnder(session)) / double(utf8Bytes));
    fx.endCase(QString(), false);

    // 10 MiB texts, beside short texts in the same list.
    if (!start(fx))
        return 1;
    QThread::msleep(kSettleMs);
    std::vector<double> tenMiB;
    for (int i = 0; i < 3; ++i) {
        const QString text = longText(10, 10 + i);
        tenMiB.push_back(cpuMsOf(fx, [&] { return copyText(fx, text); }));
    }
    if (failed(tenMiB))
        return 1;
    print("10 MiB text: CPU per copy", tenMiB);
    fx.endCase(QString(), false);
    return 0;
}
