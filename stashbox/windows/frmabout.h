#pragma once

#include <QDialog>

class DialogsPort;
class QLabel;
class QPushButton;

// The About box: the program's name and version and the way to its home page.
class frmAbout final : public QDialog
{
    Q_OBJECT
public:
    // The program's home page; the About box shows it and the visit prompt opens it.
    static const char* const WebAddress;

    frmAbout(DialogsPort& dialogs, QWidget* parent);

    // The program's version as major.minor.revision.
    static QString versionNumbers();

    // Asks whether to visit the home page and opens it in the desktop's browser on Yes.
    void Label4_Click();

    QLabel* Label1() const { return m_label1; }
    QLabel* Label2() const { return m_label2; }
    QLabel* Label4() const { return m_label4; }
    QPushButton* ZqCommand1() const { return m_zqCommand1; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    DialogsPort& m_dialogs;
    QLabel* m_label1;
    QLabel* m_label2;
    QLabel* m_label4;
    QPushButton* m_zqCommand1;
};
