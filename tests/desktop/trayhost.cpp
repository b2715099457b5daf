// A small form hosting the tray-icon control as the program will: created by ProgID from the
// libraries in the program's folder and driven by name. It prints the control's events, one a
// line, and takes commands on stdin: "add", "remove", "quit", and "area" (answered with the
// notification area's rectangle as the program finds it).
//   trayhost APP_DIR TOOLTIP
#include "controlhost.h"
#include "notificationarea.h"
#include "registrystore.h"

#include <QApplication>
#include <QDir>
#include <QSocketNotifier>
#include <QWidget>

#include <cstdio>
#include <unistd.h>

namespace {

void say(const char* line)
{
    std::printf("%s\n", line);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: trayhost APP_DIR TOOLTIP\n");
        return 2;
    }
    const QString appDir = QString::fromLocal8Bit(argv[1]);
    const QString tip = QString::fromLocal8Bit(argv[2]);

    RegistryStore store;
    ControlHost host(store, appDir);
    QWidget form;
    QString error;
    QWidget* tray = host.CreateControl(QStringLiteral("ZqTray_build2.Zqtray"), &form, &error);
    if (!tray) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    for (const char* event : {"LeftButtonClick", "RightButtonClick", "MouseMove"})
        ControlHost::connectEvent(tray, event, &form, [event] { say(event); });
    bool loaded = false;
    QMetaObject::invokeMethod(tray, "SystemTray_Icon", Q_RETURN_ARG(bool, loaded),
                              Q_ARG(QString, QDir(appDir).filePath(QStringLiteral("clipboard.ico"))),
                              Q_ARG(QString*, &error));
    if (!loaded) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }

    auto add = [&] {
        QMetaObject::invokeMethod(tray, "AddToSystemTray", Q_ARG(QObject*, &form), Q_ARG(QString, tip));
        say("added");
    };
    QSocketNotifier commands(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&commands, &QSocketNotifier::activated, &form, [&] {
        char line[64] = {};
        const ssize_t n = read(STDIN_FILENO, line, sizeof line - 1);
        const QByteArray command = QByteArray(line, n > 0 ? qsizetype(n) : 0).trimmed();
        if (n <= 0 || command == "quit") {
            app.quit();
        } else if (command == "add") {
            add();
        } else if (command == "area") {
            const QRect r = NotificationArea::rect();
            say(QStringLiteral("area %1 %2 %3 %4")
                    .arg(r.x())
                    .arg(r.y())
                    .arg(r.width())
                    .arg(r.height())
                    .toUtf8()
                    .constData());
        } else if (command == "remove") {
            QMetaObject::invokeMethod(tray, "RemoveFromSystemTray");
            say("removed");
        }
    });
    add();
    return app.exec();
}
