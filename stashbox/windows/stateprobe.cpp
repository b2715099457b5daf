#include "stateprobe.h"

#include "capture.h"
#include "clipstore.h"
#include "gridmodel.h"

#include <QCoreApplication>
#include <QEvent>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QLabel>
#include <QMetaObject>
#include <QSaveFile>
#include <QWidget>

namespace {
constexpr int MaxChars = 4096;

QJsonObject rectOf(QWidget* w)
{
    const QPoint tl = w->mapToGlobal(QPoint(0, 0));
    return QJsonObject{{"x", tl.x()}, {"y", tl.y()}, {"w", w->width()}, {"h", w->height()}};
}
} // namespace

QJsonValue StateProbe::screenRect(int row) const
{
    const QRect r = rowScreenRect && m_window && m_window->isVisible() ? rowScreenRect(row) : QRect();
    if (r.isEmpty())
        return QJsonValue();
    return QJsonObject{{"x", r.x()}, {"y", r.y()}, {"w", r.width()}, {"h", r.height()}};
}

StateProbe::StateProbe(const QString& path, ClipStore& store, const Capture& capture, QWidget* window)
    : QObject(window)
    , m_path(path)
    , m_store(store)
    , m_capture(capture)
    , m_window(window)
{
    connect(&store, &ClipStore::countChanged, this, &StateProbe::schedule);
    connect(&store.grid(), &GridModel::changed, this, &StateProbe::schedule);
    // Where the window is matters to whoever clicks on it.
    if (window)
        window->installEventFilter(this);
}

bool StateProbe::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide: schedule(); break;
    default: break;
    }
    return QObject::eventFilter(watched, event);
}

QString StateProbe::pathFromEnvironment()
{
    return qEnvironmentVariable("STASHBOX_STATE_FILE");
}

void StateProbe::addControl(const QString& name, QWidget* widget)
{
    m_controls.removeIf([&name](const auto& control) { return control.first == name; });
    m_controls.append({name, widget});
    widget->installEventFilter(this);
}

void StateProbe::schedule()
{
    if (m_pending)
        return;
    m_pending = true;
    QMetaObject::invokeMethod(this, &StateProbe::writeNow, Qt::QueuedConnection);
}

void StateProbe::writeNow()
{
    m_pending = false;
    const GridModel& grid = m_store.grid();
    QJsonArray rows;
    for (int r = 0; r < grid.rows(); ++r) {
        const ClipItem item = m_store.item(r);
        if (!ItemKind::isItem(item.kind))
            continue;
        rows.append(QJsonObject{
            {"row", r},
            {"kind", item.kind},
            {"label", item.label.left(MaxChars)},
            {"data", item.data.left(MaxChars)},
            {"text", item.text.left(MaxChars)},
            {"labelLength", item.label.size()},
            {"dataLength", item.data.size()},
            {"textLength", item.text.size()},
            {"heightTwips", grid.rowHeight(r)},
            {"pictureWidth", item.picture.isNull() ? 0 : item.picture.size().width()},
            {"pictureHeight", item.picture.isNull() ? 0 : item.picture.size().height()},
            {"screen", screenRect(r)},
        });
    }
    QJsonObject controls;
    QJsonObject captions;
    if (m_window && m_window->isVisible())
        controls.insert(m_window->objectName(), rectOf(m_window));
    for (const auto& [name, widget] : std::as_const(m_controls)) {
        if (!widget || !widget->isVisible())
            continue;
        controls.insert(name, rectOf(widget));
        if (const auto* label = qobject_cast<const QLabel*>(widget.data()))
            captions.insert(name, label->text());
    }

    const QJsonObject doc{
        {"seq", ++m_seq},
        {"pid", qint64(QCoreApplication::applicationPid())},
        {"count", m_store.itemCount()},
        {"countLabel", m_store.countLabelText()},
        {"limit", m_store.itemLimit()},
        {"currentRow", grid.row()},
        {"captureOn", m_capture.captureOn},
        {"imageCapture", m_capture.imageCapture},
        {"rows", rows},
        {"controls", controls},
        {"captions", captions},
        {"placement", placementState ? placementState() : QJsonObject()},
        {"keyboard", keyboardState ? keyboardState() : QJsonObject()},
    };
    QSaveFile out(m_path);
    if (out.open(QIODevice::WriteOnly)) {
        out.write(QJsonDocument(doc).toJson(QJsonDocument::Compact));
        out.commit();
    }
}
