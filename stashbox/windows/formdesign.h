#pragma once

#include "formdata.h"

#include <QFont>
#include <QString>

#include <functional>
#include <vector>

class ControlHost;
class QWidget;
struct ProgramPictures;

// How the main form's hosted controls were drawn up: each control's name, its ProgID and the
// properties it was given at design time. The form designer (formdesigner) writes them into the
// form-data file frmTrove.sbf beside the program, from where the program reads them back; a
// control the file does not hold is drawn up here afresh.
namespace FormDesign {
inline const QString ButtonProgId = QStringLiteral("ZqCustomButton.ZqCommand");
inline const QString CheckProgId = QStringLiteral("FlatTick.Check");
inline const QString FileName = QStringLiteral("frmTrove.sbf");

struct Control
{
    QString name;
    QString progId;
    // Sets the design-time properties on a control fresh from InitProperties.
    std::function<void(QWidget*)> design;
};

// The main form's buttons and the options page's buttons and check boxes, in creation order.
// `formFont` is the form's own font.
std::vector<Control> frmTrove(const ProgramPictures& pictures, const QFont& formFont);
// A plain text button, such as the About box's "&Ok".
Control textButton(const QString& name, const QString& caption, const QFont& font);

// Creates `control` by ProgID on `parent` with the properties the form data keeps for it, or, when
// it keeps none, with its design. Null, with the reason in `error`, when it cannot be created.
QWidget* create(ControlHost& host, const FormData& form, const Control& control, QWidget* parent, QString* error);
// What the designer writes: every control drawn up and its properties saved.
FormData draw(ControlHost& host, const std::vector<Control>& controls, QString* error);
} // namespace FormDesign
