#pragma once

#include <QHash>
#include <QRect>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// One snapshot of the program's test probe (the JSON file it rewrites after
// every change of its list, count or capture switch).
struct ProbeRow
{
    int row = -1;
    QString kind;
    QString label;
    QString data;
    QString text;
    int heightTwips = 0;
    int pictureWidth = 0;
    int pictureHeight = 0;
    qint64 labelLength = 0;
    qint64 dataLength = 0;
    qint64 textLength = 0;
    QRect screen; // where the row is on the screen; empty when not shown
};

struct ProbeState
{
    qint64 seq = -1;
    qint64 pid = 0;
    int count = -1;
    QString countLabel;
    int limit = 0;
    bool captureOn = false;
    bool imageCapture = false;
    std::vector<ProbeRow> rows;
    QHash<QString, QRect> controls;
    // The texts of the labels among those controls.
    QHash<QString, QString> captions;
    // The window is out (slid out, or back from the tray); zooms to and from the tray drawn so far.
    bool extended = false;
    int trayZooms = -1;
    // The window is the active one; the name of the control with the keyboard focus; shown by the
    // desktop's key or a command; what find by typing holds.
    bool active = false;
    QString focus;
    bool summoned = false;
    QString query;
    int currentRow = -1;

    static std::optional<ProbeState> read(const QString& path, QString* error = nullptr);
    static std::optional<ProbeState> parse(const QByteArray& json, QString* error = nullptr);

    const ProbeRow* top() const { return rows.empty() ? nullptr : &rows.front(); }
    // The text column of the rows, top first: what most checks compare.
    QStringList texts() const;
    // Rows, count and label agree with each other and items sit in rows 0..count-1.
    bool consistent(QString* why = nullptr) const;
    QString describe() const;
};
