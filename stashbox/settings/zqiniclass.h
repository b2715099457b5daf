#pragma once

#include <QString>

// Reads and writes one key of a profile file: the caller sets the path, section, key and default,
// then reads or writes the value.
class ZqiniClass final
{
public:
    QString Path() const { return m_path; }
    void setPath(const QString& sPath) { m_path = sPath; }
    QString Section() const { return m_section; }
    void setSection(const QString& sSection) { m_section = sSection; }
    QString Key() const { return m_key; }
    void setKey(const QString& sKey) { m_key = sKey; }
    QString Default() const { return m_default; }
    void setDefault(const QString& sDefault) { m_default = sDefault; }

    // At most 254 characters; the default when the file, the section or the key is missing.
    QString Value() const;
    // NUL characters are removed; the file and the section are created when missing.
    void setValue(const QString& sValue);
    // Nonzero when the last write succeeded.
    int LastReturnCode() const { return m_lastReturnCode; }

private:
    QString m_path;
    QString m_section;
    QString m_key;
    QString m_default;
    int m_lastReturnCode = 0;
};
