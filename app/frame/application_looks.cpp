#include "app/frame/application_looks.h"

#include <QApplication>
#include <QPalette>
#include "app/ui/settings/user_settings.h"

#include <QSettings>
#include <QStyle>
#include <QStyleFactory>

namespace tarvex {

namespace {

struct Tones {
    QColor window;
    QColor base;
    QColor button;
    QColor text;
    QColor highlight;
    QColor alternate;
    QColor windowText = QColor(); // the frame's own texts; the content's text when unset
};

QPalette paletteFrom(const Tones &t)
{
    QPalette p;
    p.setColor(QPalette::Window, t.window);
    p.setColor(QPalette::WindowText, t.windowText.isValid() ? t.windowText : t.text);
    p.setColor(QPalette::Base, t.base);
    p.setColor(QPalette::AlternateBase, t.alternate);
    p.setColor(QPalette::Text, t.text);
    p.setColor(QPalette::Button, t.button);
    p.setColor(QPalette::ButtonText, t.text);
    p.setColor(QPalette::Highlight, t.highlight);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::ToolTipBase, t.base);
    p.setColor(QPalette::ToolTipText, t.text);
    p.setColor(QPalette::PlaceholderText, t.text.lighter(160));
    p.setColor(QPalette::Disabled, QPalette::Text, t.text.lighter(250));
    p.setColor(QPalette::Disabled, QPalette::WindowText,
               t.windowText.isValid() ? t.windowText.darker(170) : t.text.lighter(250));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, t.text.lighter(250));
    return p;
}

Tones tonesOf(int id)
{
    const QColor ink(20, 20, 20);
    switch (id) {
    case 210: // Windows 2000: classic grey
        return {{212, 208, 200}, Qt::white, {212, 208, 200}, Qt::black, {10, 36, 106}, {240, 240, 240}};
    case 211: // Office XP
        return {{239, 237, 232}, Qt::white, {232, 230, 224}, ink, {49, 106, 197}, {246, 245, 242}};
    case 212: // Windows XP
        return {{236, 233, 216}, Qt::white, {236, 233, 216}, ink, {49, 106, 197}, {245, 243, 234}};
    case 213: // Office 2003
        return {{222, 234, 250}, Qt::white, {203, 222, 246}, ink, {251, 200, 79}, {238, 244, 252}};
    case 215: // Office 2007 blue
        return {{214, 228, 245}, Qt::white, {196, 217, 243}, {21, 66, 139}, {255, 207, 96}, {234, 242, 251}};
    case 216: // Office 2007 black: dark frame, light content
        return {{62, 63, 66}, Qt::white, {214, 216, 220}, ink, {255, 180, 60}, {242, 242, 244}, {236, 236, 236}};
    case 217: // Office 2007 silver
        return {{226, 229, 236}, Qt::white, {208, 213, 224}, ink, {255, 207, 96}, {242, 243, 247}};
    case 218: // Office 2007 aqua
        return {{214, 236, 240}, Qt::white, {188, 222, 230}, {20, 60, 70}, {62, 160, 190}, {234, 246, 248}};
    case 214: // Visual Studio 2005
    default:
        return {{236, 236, 240}, Qt::white, {228, 228, 234}, ink, {51, 153, 255}, {246, 246, 249}};
    }
}

bool isKnownLook(int id) { return id >= kFirstLook && id <= kLastLook; }

} // namespace

// The names carry the View menu's Alt+letter after the '&'.
const std::array<ApplicationLook, 9> &applicationLooks()
{
    static const std::array<ApplicationLook, 9> looks{{
        {210, "Windows &2000"},
        {211, "Office &XP"},
        {212, "&Windows XP"},
        {213, "Office 200&3"},
        {214, "&Visual Studio 2005"},
        {215, "Office 2007 (&Blue Style)"},
        {216, "Office 2007 (Blac&k Style)"},
        {217, "Office 2007 (&Silver Style)"},
        {218, "Office 2007 (&Aqua Style)"},
    }};
    return looks;
}

int storedLook()
{
    bool ok = false;
    const int id = UserSettings::value(settings_keys::kApplicationLook, kDefaultLook).toInt(&ok);
    return ok && isKnownLook(id) ? id : kDefaultLook;
}

void storeLook(int id)
{
    if (isKnownLook(id))
        UserSettings::setValue(settings_keys::kApplicationLook, id);
}

void applyLook(int id)
{
    if (!isKnownLook(id))
        id = kDefaultLook;
    const QString styleName = id == 210 ? QStringLiteral("Windows") : QStringLiteral("Fusion");
    if (QStyle *style = QStyleFactory::create(styleName))
        QApplication::setStyle(style);
    QApplication::setPalette(paletteFrom(tonesOf(id)));
}

} // namespace tarvex
