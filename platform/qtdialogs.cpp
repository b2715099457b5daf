#include "qtdialogs.h"

#include <QAction>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPixmap>

namespace {
DialogsPort::Answer declined(DialogsPort::Buttons buttons)
{
    switch (buttons) {
    case DialogsPort::Buttons::Ok: return DialogsPort::Answer::Ok;
    case DialogsPort::Buttons::YesNo:
    case DialogsPort::Buttons::YesNoDefaultNo: return DialogsPort::Answer::No;
    default: return DialogsPort::Answer::Cancel;
    }
}
} // namespace

QtDialogs::QtDialogs(QWidget* parent)
    : m_parent(parent)
{
}

template <typename Exec> auto QtDialogs::runOpen(QWidget& widget, Exec exec)
{
    m_open.append(&widget);
    const auto result = exec();
    m_open.removeAll(&widget);
    return result;
}

void QtDialogs::dismissAll()
{
    m_dismissed = true;
    if (m_notice)
        m_notice->close();
    // Each one's event loop ends once control gets back to it.
    for (const QPointer<QWidget>& w : std::as_const(m_open)) {
        if (auto* dialog = qobject_cast<QDialog*>(w.data()))
            dialog->reject();
        else if (w)
            w->close();
    }
}

DialogsPort::Answer QtDialogs::message(const QString& text, const QString& title, Icon icon, Buttons buttons)
{
    if (m_dismissed)
        return declined(buttons);
    QMessageBox box(m_parent);
    // A box of its own, such as the one of a second start, must show above every window, the
    // running copy's always-on-top window included.
    if (!m_parent)
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
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
    case Buttons::YesNoDefaultNo: set = QMessageBox::Yes | QMessageBox::No; break;
    }
    box.setStandardButtons(set);
    if (buttons == Buttons::YesNoDefaultNo)
        box.setDefaultButton(QMessageBox::No);
    const int result = runOpen(box, [&] { return box.exec(); });
    if (m_dismissed)
        return declined(buttons);
    switch (result) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    case QMessageBox::Cancel: return Answer::Cancel;
    default: return declined(buttons) == Answer::No ? Answer::No : Answer::Ok;
    }
}

void QtDialogs::notice(const QString& text, const QString& title)
{
    if (m_dismissed)
        return;
    if (!m_notice) {
        m_notice = new QMessageBox(QMessageBox::Information, title, text, QMessageBox::Ok, m_parent);
        m_notice->setAttribute(Qt::WA_DeleteOnClose);
        m_notice->setWindowModality(Qt::NonModal);
        // Shown without taking the focus from whatever the user is doing.
        m_notice->setAttribute(Qt::WA_ShowWithoutActivating);
    }
    m_notice->setWindowTitle(title);
    m_notice->setText(text);
    m_notice->show();
    m_notice->raise();
}

QString QtDialogs::chooseFile(const FileRequest& request)
{
    if (m_dismissed)
        return {};
    QFileDialog dialog(m_parent, request.title, request.initialFolder, toQtFilter(request.filter));
    dialog.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setLabelText(QFileDialog::Accept, request.actionCaption);
    // Callers replace files without asking; the dialog asks instead, which is what users expect.
    if (!request.initialFileName.isEmpty())
        dialog.selectFile(request.initialFileName);
    if (runOpen(dialog, [&] { return dialog.exec(); }) != QDialog::Accepted || m_dismissed
        || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

int QtDialogs::popupMenu(const QList<MenuEntry>& entries, const QPoint& globalPos, bool rightAligned)
{
    if (m_dismissed)
        return 0;
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
    const QAction* chosen = runOpen(menu, [&] { return menu.exec(at); });
    return chosen && !m_dismissed ? chosen->data().toInt() : 0;
}
