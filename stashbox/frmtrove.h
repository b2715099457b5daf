#pragma once

#include "capture.h"
#include "clipstore.h"
#include "gridmodel.h"

#include <QWidget>
#include <memory>

class ClipboardPort;
class DialogsPort;
class GridView;
class QCheckBox;
class QLabel;
class StateProbe;

// The main window: the item list, the count label and the capture switch. It owns the list's
// model, the store and the capture, and forwards its controls' events to them.
class frmTrove final : public QWidget
{
    Q_OBJECT
public:
    frmTrove(ClipboardPort& clipboard, DialogsPort& dialogs, QWidget* parent = nullptr);
    ~frmTrove() override;

    // The start-up sequence: settings, list set-up, joining the clipboard notifications.
    void load();

    GridModel& gridModel() { return m_grid; }
    ClipStore& store() { return m_store; }
    Capture& capture() { return m_capture; }
    GridView* Grid() const { return m_gridView; }
    QLabel* lblItemCount() const { return m_lblItemCount; }
    QCheckBox* Check1() const { return m_check1; }

    // The settings file of the current user.
    static QString settingsPath();

private:
    void LoadOptions();
    void BecomeClipboardViewer();
    void Check1_Click();
    void showCount(int count);

    ClipboardPort& m_clipboard;
    DialogsPort& m_dialogs;
    GridModel m_grid;
    ClipStore m_store;
    Capture m_capture;

    GridView* m_gridView = nullptr;
    QLabel* m_lblItemCount = nullptr;
    QCheckBox* m_check1 = nullptr;
    QLabel* m_lblOnOff = nullptr;
    StateProbe* m_probe = nullptr;
};
