#pragma once

#include <QByteArray>
#include <array>
#include <cstdint>
#include <memory>

// The few requests made to the X server directly, for what the toolkit offers no call.
class X11Requests {
public:
    virtual ~X11Requests() = default;
    // Whether the window manager lists the atom in the root window's _NET_SUPPORTED.
    virtual bool wmSupports(const char* atom) = 0;
    // A client message about window, of format 32, to the root window for the window manager.
    virtual void sendToWindowManager(std::uint32_t window, const char* type,
                                     const std::array<std::uint32_t, 5>& data) = 0;
    // Replaces a property of window with text of the given type ("UTF8_STRING", "STRING").
    virtual void setText(std::uint32_t window, const char* property, const char* type,
                         const QByteArray& text) = 0;
    virtual void deleteProperty(std::uint32_t window, const char* property) = 0;
};

// The X server the toolkit is connected to; nullptr on any other window system.
std::shared_ptr<X11Requests> x11Requests();

// Directions of _NET_WM_MOVERESIZE that hand the window to the keyboard.
enum class KeyboardMode : std::uint32_t { Size = 9, Move = 10 };

// Asks the window manager to move or size window by keyboard; false where it does not offer it.
bool requestKeyboardMode(X11Requests& x11, std::uint32_t window, KeyboardMode mode);

// Leaves window with an empty caption and no icon. The toolkit puts the program's name in for
// an empty title, and its icon in for none.
void clearCaptionAndIcon(X11Requests& x11, std::uint32_t window);
