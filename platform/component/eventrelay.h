#pragma once

#include <QObject>

#include <functional>

// Turns a control's event, found by name at run time, into a call of a handler.
class EventRelay final : public QObject
{
    Q_OBJECT
public:
    EventRelay(std::function<void()> handler, QObject* parent)
        : QObject(parent)
        , m_handler(std::move(handler))
    {
    }

public slots:
    void raise() { m_handler(); }

private:
    std::function<void()> m_handler;
};
