#include "zqiniclass.h"

#include "profilefile.h"

QString ZqiniClass::Value() const
{
    return ProfileFile::read(m_path, m_section, m_key, m_default, 255);
}

void ZqiniClass::setValue(const QString& sValue)
{
    QString value = sValue;
    value.remove(QChar(0));
    m_lastReturnCode = ProfileFile::write(m_path, m_section, m_key, value) ? 1 : 0;
}
