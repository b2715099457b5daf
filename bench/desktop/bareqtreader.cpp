// The floor to compare with: a bare Qt program that reads the text of every
// clipboard change the plain way, on its GUI thread.
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    QClipboard* clipboard = QGuiApplication::clipboard();
    QObject::connect(clipboard, &QClipboard::changed, [clipboard](QClipboard::Mode mode) {
        if (mode == QClipboard::Clipboard && !clipboard->ownsClipboard())
            (void)clipboard->mimeData(QClipboard::Clipboard)->text();
    });
    return app.exec();
}
