#include "formdesign.h"

#include "controlhost.h"
#include "programpictures.h"
#include "propertybag.h"

#include <QWidget>

#include <algorithm>

namespace FormDesign {
namespace {
// The system colour "button face", the background of the form and its panels.
constexpr OleColor ButtonFace{0x8000000F};
// Button styles, by their value in the button's ButtonType.
constexpr int Windows32Bit = 2;
constexpr int OfficeXP = 9;

Control pictureButton(const QString& name, const QImage& picture)
{
    return {name, ButtonProgId, [picture](QWidget* w) {
                w->setProperty("ButtonType", OfficeXP);
                w->setProperty("Caption", QString());
                w->setProperty("PictureNormal", picture);
            }};
}

Control check(const QString& name, const QFont& font)
{
    return {name, CheckProgId, [font](QWidget* w) {
                // The label beside the box carries the text.
                w->setProperty("Caption", QString());
                w->setProperty("Font", font);
                w->setProperty("BackColor", QVariant::fromValue(ButtonFace));
            }};
}
} // namespace

Control textButton(const QString& name, const QString& caption, const QFont& font)
{
    return {name, ButtonProgId, [caption, font](QWidget* w) {
                w->setProperty("ButtonType", Windows32Bit);
                w->setProperty("Font", font);
                w->setProperty("Caption", caption);
            }};
}

std::vector<Control> frmTrove(const ProgramPictures& pictures, const QFont& formFont)
{
    QFont arial = formFont;
    arial.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans")});
    return {
        pictureButton(QStringLiteral("Command4"), pictures.openFile.image()),
        pictureButton(QStringLiteral("Command3"), pictures.saveFile.image()),
        pictureButton(QStringLiteral("Command5"), pictures.options.image()),
        pictureButton(QStringLiteral("cmdHelp"), pictures.help.image()),
        pictureButton(QStringLiteral("Command1"), pictures.deleteItem.image()),
        textButton(QStringLiteral("cmdExit"), QStringLiteral("X"), arial),
        textButton(QStringLiteral("Command2"), QStringLiteral("<"), arial),
        check(QStringLiteral("StartWithWin"), formFont),
        check(QStringLiteral("LoadFile"), formFont),
        textButton(QStringLiteral("Command6"), QStringLiteral("..."), formFont),
        check(QStringLiteral("AutoHide"), formFont),
        check(QStringLiteral("StartInOnMode"), formFont),
        check(QStringLiteral("PromptOnExit"), formFont),
        textButton(QStringLiteral("cmdCancel"), QStringLiteral("&Cancel"), formFont),
        textButton(QStringLiteral("cmdSave"), QStringLiteral("&Save"), formFont),
    };
}

QWidget* create(ControlHost& host, const FormData& form, const Control& control, QWidget* parent, QString* error)
{
    QWidget* w = host.CreateControl(control.progId, parent, error);
    if (!w)
        return nullptr;
    w->setObjectName(control.name);
    const auto kept = std::find_if(form.controls().begin(), form.controls().end(), [&control](const auto& c) {
        return c.name.compare(control.name, Qt::CaseInsensitive) == 0 && c.progId == control.progId;
    });
    if (kept != form.controls().end()) {
        ControlHost::ReadProperties(w, kept->bag);
    } else {
        ControlHost::InitProperties(w);
        control.design(w);
    }
    return w;
}

FormData draw(ControlHost& host, const std::vector<Control>& controls, QString* error)
{
    FormData form;
    QWidget container;
    for (const Control& control : controls) {
        QWidget* w = create(host, FormData(), control, &container, error);
        if (!w)
            return {};
        PropertyBag bag;
        ControlHost::WriteProperties(w, bag);
        form.setControl(control.name, control.progId, bag);
    }
    return form;
}
} // namespace FormDesign
