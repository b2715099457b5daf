#pragma once

#include <QDialog>

class ControlHost;
class DialogsPort;
class QLabel;

// The About box: the program's name and version and the way to its home page.
class frmAbout final : public QDialog
{
    Q_OBJECT
public:
    // The program's home page; the About box shows it and the visit prompt opens it.
    static const char* const WebAddress;

    // The Ok button is a command button control, made through `controls`.
    frmAbout(DialogsPort& dialogs, ControlHost& controls, QWidget* parent);

    // The program's version as major.minor.revision.
    static QString versionNumbers();

    // Asks whether to visit the home page and opens it in the desktop's browser on Yes.
    void Label4_Click();

    QLabel* Label1() const { return m_label1; }
    QLabel* Label2() const { return m_label2; }
    QLabel* Label4() const { return m_label4; }
    QWidget* ZqCommand1() const { return m_zqCommand1; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Enter presses Ok.
    void keyPressEvent(QKeyEvent* event) override;

private:
    DialogsPort& m_dialogs;
    QLabel* m_label1;
    QLabel* m_label2;
    QLabel* m_label4;
    QWidget* m_zqCommand1;
};
