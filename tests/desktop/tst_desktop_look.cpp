// The main window's look on a real desktop: its outline lets the desktop show through, its
// controls sit where the layout puts them, and the About box shows the version of Label8.
// With STASHBOX_SCREENSHOTS naming a folder, the pictures of the README are saved there.

#include "desktopfixture.h"

#include <QDir>
#include <QImage>
#include <QRegularExpression>
#include <QtTest>

namespace {
constexpr int kWait = 10000;
} // namespace

class DesktopLookTest final : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(m_fx.startSession(), qPrintable(m_fx.error())); }
    void cleanup() { m_fx.endCase(QString::fromLatin1(QTest::currentTestFunction()), QTest::currentTestFailed()); }
    void cleanupTestCase() { m_fx.stopSession(); }

    void outlineShowsTheDesktopAndControlsSitInPlace();
    void aboutBoxShowsTheVersionOfLabel8();

private:
    QImage screenshot(const QString& name);
    // Saves the part of the screen for the README when asked to.
    void keepForDocs(const QImage& shot, const QRect& part, const QString& name);
    bool clickControl(const QString& control);
    // The window with the frame the window manager draws around it.
    QRect windowFrame(const QString& window);

    DesktopFixture m_fx;
};

QImage DesktopLookTest::screenshot(const QString& name)
{
    const QString path = QDir(m_fx.session().tempPath()).filePath(name + QStringLiteral(".png"));
    return m_fx.session().screenshot(path) ? QImage(path) : QImage();
}

void DesktopLookTest::keepForDocs(const QImage& shot, const QRect& part, const QString& name)
{
    const QString folder = qEnvironmentVariable("STASHBOX_SCREENSHOTS");
    if (!folder.isEmpty())
        QVERIFY(shot.copy(part).save(QDir(folder).filePath(name)));
}

QRect DesktopLookTest::windowFrame(const QString& window)
{
    const QString info =
        QString::fromUtf8(m_fx.session().run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), window}).output);
    const auto value = [&info](const char* name) {
        const QRegularExpressionMatch m =
            QRegularExpression(QLatin1String(name) + QStringLiteral(":\\s+(-?\\d+)")).match(info);
        return m.hasMatch() ? m.captured(1).toInt() : 0;
    };
    const QRect client(value("Absolute upper-left X"), value("Absolute upper-left Y"), value("Width"), value("Height"));
    return client.adjusted(-value("Relative upper-left X"), -value("Relative upper-left Y"),
                           value("Relative upper-left X"), value("Relative upper-left X"));
}

bool DesktopLookTest::clickControl(const QString& control)
{
    const auto s = m_fx.app().state();
    return s && s->controls.contains(control) && m_fx.session().click(s->controls.value(control).center());
}

void DesktopLookTest::outlineShowsTheDesktopAndControlsSitInPlace()
{
    const QImage before = screenshot(QStringLiteral("before"));
    QVERIFY(!before.isNull());
    QVERIFY2(m_fx.startApp(), qPrintable(m_fx.error()));
    for (const QString& text : {QStringLiteral("Meeting moved to 3 pm"), QStringLiteral("https://example.org/docs"),
                                QStringLiteral("git rebase main")})
        QVERIFY(m_fx.copyText(text) && m_fx.waitForTopText(text, kWait));
    ProbeState s;
    QVERIFY2(m_fx.reveal(QStringLiteral("Label8"), &s), qPrintable(m_fx.error()));
    const QRect window = s.controls.value(QStringLiteral("frmTrove"));
    QCOMPARE(window.size(), QSize(261, 390));

    // The controls at their places, in pixels from the window's corner (15 twips per pixel); the file
    // buttons, the count and the delete button sit in the strip Picture1 below the list.
    const QList<QPair<QString, QRect>> places{
        {QStringLiteral("Grid"), {32, 68, 213, 253}},     {QStringLiteral("Command4"), {33, 322, 28, 22}},
        {QStringLiteral("Command3"), {62, 322, 28, 22}},  {QStringLiteral("Command5"), {91, 322, 28, 22}},
        {QStringLiteral("cmdHelp"), {120, 322, 28, 22}},  {QStringLiteral("lblItemCount"), {160, 324, 54, 17}},
        {QStringLiteral("Command1"), {215, 322, 26, 22}}, {QStringLiteral("Check1"), {30, 36, 12, 12}},
        {QStringLiteral("Command2"), {233, 35, 18, 17}},  {QStringLiteral("cmdExit"), {28, 368, 18, 16}},
    };
    for (const auto& [name, place] : places)
        QCOMPARE(s.controls.value(name).translated(-window.topLeft()), place);
    // The version caption keeps its place and grows to the right when it needs to.
    const QRect label8 = s.controls.value(QStringLiteral("Label8")).translated(-window.topLeft());
    QCOMPARE(label8.topLeft(), QPoint(106, 370));
    QVERIFY(label8.width() >= 108 && label8.right() < 258);

    const QImage shot = screenshot(QStringLiteral("shaped"));
    QVERIFY(!shot.isNull());
    const auto onScreen = [&window](QPoint p) { return window.topLeft() + p; };
    // Outside the outline the desktop shows as it was before the program started; inside, the window.
    for (const QPoint p :
         {QPoint(140, 15), QPoint(20, 200), QPoint(24, 3), QPoint(255, 12), QPoint(259, 300), QPoint(200, 389)})
        QVERIFY2(shot.pixel(onScreen(p)) == before.pixel(onScreen(p)), qPrintable(QString::number(p.x())));
    for (const QPoint p : {QPoint(131, 16), QPoint(24, 200), QPoint(140, 200), QPoint(250, 380)})
        QVERIFY2(shot.pixel(onScreen(p)) != before.pixel(onScreen(p)), qPrintable(QString::number(p.x())));
    const QRect seen = window & QRect(QPoint(0, 0), shot.size());
    keepForDocs(shot, seen, QStringLiteral("main-window.png"));

    // The options page over the list, when asked for.
    QVERIFY(clickControl(QStringLiteral("Command5")));
    QVERIFY(m_fx.app().waitFor(
        [&window](const ProbeState& st) {
            return st.controls.value(QStringLiteral("Options")).translated(-window.topLeft())
                == QRect(32, 69, 213, 291);
        },
        kWait, &s));
    keepForDocs(screenshot(QStringLiteral("options")), seen, QStringLiteral("options.png"));
}

void DesktopLookTest::aboutBoxShowsTheVersionOfLabel8()
{
    QVERIFY2(m_fx.startApp(), qPrintable(m_fx.error()));
    ProbeState s;
    QVERIFY2(m_fx.reveal(QStringLiteral("Label8"), &s), qPrintable(m_fx.error()));
    const QString label8 = s.captions.value(QStringLiteral("Label8"));
    QVERIFY2(label8.startsWith(QStringLiteral("About Stashbox v")), qPrintable(label8));

    QVERIFY(clickControl(QStringLiteral("Label8")));
    QVERIFY2(
        m_fx.app().waitFor([](const ProbeState& st) { return st.captions.contains(QStringLiteral("frmAbout.Label2")); },
                           kWait, &s),
        qPrintable(s.describe()));
    QCOMPARE(s.captions.value(QStringLiteral("frmAbout.Label2")),
             QStringLiteral("Version ") + label8.mid(QStringLiteral("About Stashbox v").size()));
    QStringList about;
    QTRY_VERIFY_WITH_TIMEOUT(!(about = m_fx.session().visibleDialogs(QStringLiteral("^About Stashbox$"))).isEmpty(),
                             kWait);
    keepForDocs(screenshot(QStringLiteral("about")), windowFrame(about.first()), QStringLiteral("about.png"));

    // Return presses its default button, Ok, which closes it.
    QVERIFY(m_fx.session().pressKey(about.first(), QStringLiteral("Return")));
    QTRY_VERIFY_WITH_TIMEOUT(m_fx.session().visibleDialogs(QStringLiteral("^About Stashbox$")).isEmpty(), kWait);
}

QTEST_GUILESS_MAIN(DesktopLookTest)
#include "tst_desktop_look.moc"
