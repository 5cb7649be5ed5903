#include "screenshot.h"

#include <cstdio>

namespace tarnwell::test {

Screenshot Screenshot::of_window(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    Screenshot shot;
    shot.m_width = rect.right - rect.left;
    shot.m_height = rect.bottom - rect.top;

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = shot.m_width;
    info.bmiHeader.biHeight = -shot.m_height; // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) {
        HGDIOBJ previous = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, shot.m_width, shot.m_height, screen, rect.left, rect.top, SRCCOPY);
        SelectObject(memory, previous);
        auto const* bgrx = static_cast<std::uint8_t const*>(bits);
        shot.m_pixels.reserve(static_cast<std::size_t>(shot.m_width) * shot.m_height);
        for (int i = 0; i < shot.m_width * shot.m_height; ++i)
            shot.m_pixels.push_back({ bgrx[i * 4 + 2], bgrx[i * 4 + 1], bgrx[i * 4] });
        DeleteObject(bitmap);
    } else {
        shot.m_width = shot.m_height = 0;
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return shot;
}

bool Screenshot::write_bmp(std::wstring const& path) const
{
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file)
        return false;
    std::uint32_t row_size = (static_cast<std::uint32_t>(m_width) * 3 + 3) & ~3u;
    std::uint32_t image_size = row_size * static_cast<std::uint32_t>(m_height);
    BITMAPFILEHEADER file_header {};
    file_header.bfType = 0x4D42; // "BM"
    file_header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file_header.bfSize = file_header.bfOffBits + image_size;
    BITMAPINFOHEADER header {};
    header.biSize = sizeof header;
    header.biWidth = m_width;
    header.biHeight = -m_height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = image_size;
    bool ok = fwrite(&file_header, sizeof file_header, 1, file) == 1 && fwrite(&header, sizeof header, 1, file) == 1;
    std::vector<std::uint8_t> row(row_size, 0);
    for (int y = 0; ok && y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) {
            auto pixel = at(x, y);
            row[x * 3] = pixel.blue;
            row[x * 3 + 1] = pixel.green;
            row[x * 3 + 2] = pixel.red;
        }
        ok = fwrite(row.data(), row.size(), 1, file) == 1;
    }
    return fclose(file) == 0 && ok;
}

}
