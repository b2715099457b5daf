#include "qtdialogs.h"

#include <QAction>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPixmap>

QtDialogs::QtDialogs(QWidget* parent)
    : m_parent(parent)
{
}

DialogsPort::Answer QtDialogs::message(const QString& text, const QString& title, Icon icon, Buttons buttons)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(title);
    box.setText(text);
    switch (icon) {
    case Icon::Information: box.setIcon(QMessageBox::Information); break;
    case Icon::Critical: box.setIcon(QMessageBox::Critical); break;
    case Icon::Question: box.setIcon(QMessageBox::Question); break;
    case Icon::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case Icon::None: break;
    }
    QMessageBox::StandardButtons set;
    switch (buttons) {
    case Buttons::Ok: set = QMessageBox::Ok; break;
    case Buttons::OkCancel: set = QMessageBox::Ok | QMessageBox::Cancel; break;
    case Buttons::YesNo: set = QMessageBox::Yes | QMessageBox::No; break;
    case Buttons::YesNoCancel: set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel; break;
    }
    box.setStandardButtons(set);
    switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Cancel: return Answer::Cancel;
    default: return buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
    }
}

QString QtDialogs::chooseFile(const FileRequest& request)
{
    QFileDialog dialog(m_parent, request.title, request.initialFolder, toQtFilter(request.filter));
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setLabelText(QFileDialog::Accept, request.actionCaption);
    // Callers replace files without asking; the dialog asks instead, which is what users expect.
    if (!request.initialFileName.isEmpty())
        dialog.selectFile(request.initialFileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

int QtDialogs::popupMenu(const QList<MenuEntry>& entries, const QPoint& globalPos, bool rightAligned)
{
    QMenu menu(m_parent);
    for (const MenuEntry& e : entries) {
        QAction* a = menu.addAction(e.text);
        a->setData(e.id);
        if (!e.icon.isNull())
            a->setIcon(QIcon(QPixmap::fromImage(e.icon)));
    }
    QPoint at = globalPos;
    if (rightAligned) {
        // Right edge just left of the pointer: an entry under the pointer as the menu opens would be
        // taken by the click that opened it.
        menu.adjustSize();
        at.rx() -= menu.width() + 1;
    }
    const QAction* chosen = menu.exec(at);
    return chosen ? chosen->data().toInt() : 0;
}
