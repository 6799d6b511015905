#include "screens/desktop_keyboard.h"

#include <QGuiApplication>
#include <QLocale>
#include <QLoggingCategory>
#include <QtGui/qguiapplication_platform.h>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>

namespace fururupo {

namespace {

// Which keyboard the picture draws and why, and what went wrong asking the X server.
Q_LOGGING_CATEGORY(lcKeyboard, "fururupo.keyboard", QtInfoMsg)

#if QT_CONFIG(xcb)
template <typename Reply> using XcbReply = std::unique_ptr<Reply, decltype(&std::free)>;

// The layout the X server's keyboard description names; none off X11, and when it names no layout of ours.
std::optional<KeyboardLayout> x11Layout()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return std::nullopt;
    xcb_connection_t* connection = x11->connection();
    static constexpr std::string_view name = "_XKB_RULES_NAMES";
    xcb_generic_error_t* error = nullptr;
    const XcbReply<xcb_intern_atom_reply_t> atom(
        xcb_intern_atom_reply(
            connection, xcb_intern_atom(connection, 1, static_cast<std::uint16_t>(name.size()), name.data()), &error),
        &std::free);
    if (error) {
        qCWarning(lcKeyboard) << "asking the X server for" << name.data() << "failed: X error" << error->error_code;
        std::free(error);
        return std::nullopt;
    }
    if (!atom || atom->atom == XCB_ATOM_NONE) {
        qCInfo(lcKeyboard) << "the X server has no keyboard description (" << name.data() << ")";
        return std::nullopt;
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    if (!screen)
        return std::nullopt;
    // A few hundred bytes at most; 1024 words bound what is read.
    const XcbReply<xcb_get_property_reply_t> property(
        xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, screen->root, atom->atom, XCB_ATOM_STRING, 0, 1024), &error),
        &std::free);
    if (error) {
        qCWarning(lcKeyboard) << "reading" << name.data() << "failed: X error" << error->error_code;
        std::free(error);
        return std::nullopt;
    }
    if (!property || property->format != 8 || property->type != XCB_ATOM_STRING)
        return std::nullopt;
    const std::string_view names(static_cast<const char*>(xcb_get_property_value(property.get())),
                                 static_cast<std::size_t>(xcb_get_property_value_length(property.get())));
    const std::optional<KeyboardLayout> layout = layoutOfXkbRulesNames(names);
    if (!layout)
        qCInfo(lcKeyboard) << "the X server's keyboard is none the picture draws:"
                           << QByteArray(names.data(), static_cast<qsizetype>(names.size())).replace('\0', ' ');
    return layout;
}
#else
std::optional<KeyboardLayout> x11Layout()
{
    return std::nullopt;
}
#endif

} // namespace

KeyboardLayout desktopKeyboardLayout()
{
    const std::optional<KeyboardLayout> desktop = x11Layout();
    const QByteArray locale = QLocale::system().name().toLatin1();
    const KeyboardLayout layout =
        defaultLayout(desktop, layoutOfLocaleName(std::string_view(locale.constData(), locale.size())));
    qCDebug(lcKeyboard) << "keyboard picture:" << (layout == KeyboardLayout::Jis ? "JIS" : "US")
                        << (desktop ? "from the X server" : "from the locale or the fallback") << locale;
    return layout;
}

} // namespace fururupo
