#include "app/x11requests.h"

#include <QGuiApplication>

namespace {

constexpr const char* MoveResize = "_NET_WM_MOVERESIZE";

} // namespace

#if QT_CONFIG(xcb)
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace {

// xcb hands replies over to be freed by the caller.
template <typename Reply> struct Freed {
    Reply* reply;
    ~Freed() { std::free(reply); }
    Reply* operator->() const { return reply; }
    explicit operator bool() const { return reply != nullptr; }
};

class XcbRequests final : public X11Requests {
public:
    explicit XcbRequests(xcb_connection_t* connection)
        : m_connection(connection),
          m_root(xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root)
    {
    }

    bool wmSupports(const char* atom) override
    {
        const xcb_atom_t wanted = intern(atom);
        const Freed<xcb_get_property_reply_t> reply{xcb_get_property_reply(
            m_connection,
            xcb_get_property(m_connection, 0, m_root, intern("_NET_SUPPORTED"), XCB_ATOM_ATOM, 0,
                             4096),
            nullptr)};
        if (!reply || wanted == XCB_ATOM_NONE || reply->format != 32)
            return false;
        const auto* atoms = static_cast<const xcb_atom_t*>(xcb_get_property_value(reply.reply));
        const int count = xcb_get_property_value_length(reply.reply) / 4;
        return std::find(atoms, atoms + count, wanted) != atoms + count;
    }

    void sendToWindowManager(std::uint32_t window, const char* type,
                             const std::array<std::uint32_t, 5>& data) override
    {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = window;
        event.type = intern(type);
        std::memcpy(event.data.data32, data.data(), sizeof event.data.data32);
        xcb_send_event(m_connection, 0, m_root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&event));
        xcb_flush(m_connection);
    }

    void setText(std::uint32_t window, const char* property, const char* type,
                 const QByteArray& text) override
    {
        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, window, intern(property),
                            intern(type), 8, std::uint32_t(text.size()), text.constData());
        xcb_flush(m_connection);
    }

    void deleteProperty(std::uint32_t window, const char* property) override
    {
        xcb_delete_property(m_connection, window, intern(property));
        xcb_flush(m_connection);
    }

private:
    xcb_atom_t intern(const char* name)
    {
        const Freed<xcb_intern_atom_reply_t> reply{xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, std::uint16_t(std::strlen(name)), name),
            nullptr)};
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    xcb_connection_t* m_connection;
    xcb_window_t m_root;
};

} // namespace

std::shared_ptr<X11Requests> x11Requests()
{
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return nullptr;
    return std::make_shared<XcbRequests>(x11->connection());
}
#else
std::shared_ptr<X11Requests> x11Requests()
{
    return nullptr;
}
#endif

bool requestKeyboardMode(X11Requests& x11, std::uint32_t window, KeyboardMode mode)
{
    if (!window || !x11.wmSupports(MoveResize))
        return false;
    // Keyboard modes take no pointer position and no button; 1 marks a normal application.
    x11.sendToWindowManager(window, MoveResize, {0, 0, std::uint32_t(mode), 0, 1});
    return true;
}

void clearCaptionAndIcon(X11Requests& x11, std::uint32_t window)
{
    x11.setText(window, "_NET_WM_NAME", "UTF8_STRING", {});
    x11.setText(window, "WM_NAME", "STRING", {});
    x11.deleteProperty(window, "_NET_WM_ICON");
}
