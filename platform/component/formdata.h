#pragma once

#include "propertybag.h"

#include <QString>
#include <QStringList>

#include <vector>

// The design data of one form: for each control it hosts, in order, the control's name, its
// ProgID and its property bag. Kept in a form-data file beside the form (format in FORMAT.md).
class FormData final
{
public:
    static constexpr int kFormatVersion = 1;

    struct Control
    {
        QString name;
        QString progId;
        PropertyBag bag;
    };

    const std::vector<Control>& controls() const { return m_controls; }
    // The control's bag; an empty one (all defaults) for a control the form does not know.
    PropertyBag bag(const QString& controlName) const;
    // Adds the control or replaces what is kept for it (names compare case-insensitively).
    void setControl(const QString& name, const QString& progId, const PropertyBag& bag);

    QByteArray toText() const;
    // A damaged control section gives that control an empty bag and a line in problems(); the
    // other controls are read as usual. Text that is not form data gives no controls at all.
    static FormData fromText(const QByteArray& text);
    // A missing file is an empty form without problems; anything but a plain file of sane size is an
    // empty form with a problem, and is never read.
    static FormData load(const QString& path);
    // Atomic; false with the reason when the file could not be written (the old one then stays).
    bool save(const QString& path, QString* why = nullptr) const;

    const QStringList& problems() const { return m_problems; }

private:
    Control* find(const QString& name);

    std::vector<Control> m_controls;
    QStringList m_problems;
};
