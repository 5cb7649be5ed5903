#pragma once

// What the screen shows of a window: its pixels, copied from the screen, and
// written as a BMP file for people to look at.

#include "remote_window.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tarnwell::test {

struct Pixel {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

class Screenshot {
public:
    // The window's rectangle on the screen, frame and title bar included.
    static Screenshot of_window(HWND);

    int width() const { return m_width; }
    int height() const { return m_height; }
    Pixel at(int x, int y) const { return m_pixels[static_cast<std::size_t>(y) * m_width + x]; }
    // How many pixels inside `area` (in the shot's own coordinates) pass.
    template<typename Test> int count(Rect area, Test test) const
    {
        int found = 0;
        for (int y = area.top; y < area.top + area.height && y < m_height; ++y) {
            for (int x = area.left; x < area.left + area.width && x < m_width; ++x)
                found += test(at(x, y)) ? 1 : 0;
        }
        return found;
    }
    bool write_bmp(std::wstring const& path) const;

private:
    int m_width { 0 };
    int m_height { 0 };
    std::vector<Pixel> m_pixels;
};

}
