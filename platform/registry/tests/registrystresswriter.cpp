// Writes `count` values named <prefix>-<n> under HKCU\Stress\<prefix> and HKLM\Stress, one
// change per call, so that two of these running at once exercise the hive lock.
#include "registrystore.h"

#include <QByteArray>
#include <QString>

int main(int argc, char** argv)
{
    using namespace winreg;
    if (argc != 4)
        return 2;
    RegistryStore store{QString::fromLocal8Bit(argv[1])};
    const QString prefix = QString::fromLocal8Bit(argv[2]);
    const int count = QByteArray(argv[3]).toInt();
    int failures = 0;
    for (int n = 0; n < count; ++n) {
        const QString name = prefix + QLatin1Char('-') + QString::number(n);
        const QByteArray data = name.toUtf8();
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            HKEY key = 0;
            const QString path =
                root == HKEY_CURRENT_USER ? QStringLiteral("Stress\\") + prefix : QStringLiteral("Stress");
            if (store.RegCreateKeyEx(root, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
                ++failures;
                continue;
            }
            if (store.RegSetValueEx(key, name, REG_BINARY, reinterpret_cast<const quint8*>(data.constData()),
                                    quint32(data.size()))
                != ERROR_SUCCESS)
                ++failures;
            store.RegCloseKey(key);
        }
    }
    return failures == 0 ? 0 : 1;
}
