// The form designer: draws up the main form's hosted controls and writes their properties into
// the form-data file that lives beside the program.
//   formdesigner PROGRAM_FOLDER   (writes PROGRAM_FOLDER/frmTrove.sbf)
// The control libraries are registered from PROGRAM_FOLDER into the registry of $XDG_CONFIG_HOME,
// which the build points at a folder of its own.

#include "controlhost.h"
#include "formdesign.h"
#include "programpictures.h"
#include "registrystore.h"

#include <QApplication>
#include <QDir>
#include <QWidget>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: formdesigner PROGRAM_FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    RegistryStore registry;
    ControlHost host(registry, folder);
    // The form's own font, as the main window sets it.
    QWidget form;
    QFont font = form.font();
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans"), QStringLiteral("Arial")});
    font.setPointSize(8);

    QString error;
    const FormData data = FormDesign::draw(host, FormDesign::frmTrove(makeProgramPictures(), font), &error);
    if (data.controls().empty()) {
        std::fprintf(stderr, "formdesigner: %s\n", qPrintable(error));
        return 1;
    }
    if (!data.save(QDir(folder).filePath(FormDesign::FileName), &error)) {
        std::fprintf(stderr, "formdesigner: %s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
