#pragma once

#include <QJsonObject>
#include <QJsonValue>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QString>
#include <functional>

class ClipStore;
class Capture;
class QWidget;

// Writes what the list holds and where the window's controls are to a JSON file after every change,
// so that automated desktop tests can check the program from outside. Only active when the
// environment variable STASHBOX_STATE_FILE names a file.
class StateProbe final : public QObject
{
    Q_OBJECT
public:
    StateProbe(const QString& path, ClipStore& store, const Capture& capture, QWidget* window);

    static QString pathFromEnvironment();
    // Asks for a write once control returns to the event loop (several changes make one write).
    void schedule();
    void writeNow();
    // Named controls whose screen rectangles are reported.
    void addControl(const QString& name, QWidget* widget);
    // Where a row of the list is on the screen (empty when it is not shown).
    std::function<QRect(int row)> rowScreenRect;
    // Where the window is (out or not, zooms drawn), as a JSON object.
    std::function<QJsonObject()> placementState;
    // Where the keyboard is and what find by typing holds, as a JSON object.
    std::function<QJsonObject()> keyboardState;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QJsonValue screenRect(int row) const;

    QString m_path;
    ClipStore& m_store;
    const Capture& m_capture;
    QPointer<QWidget> m_window;
    QList<QPair<QString, QPointer<QWidget>>> m_controls;
    int m_seq = 0;
    bool m_pending = false;
};
