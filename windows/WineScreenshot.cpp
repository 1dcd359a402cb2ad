#include "WineScreenshot.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace qvtest {

std::string ScreenshotPath(const char* name)
{
    const char* folder = std::getenv("QV_SCREENSHOTS");
    return std::string(folder != nullptr ? folder : ".") + "\\" + name;
}

bool SaveScreenshot(const std::string& path)
{
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);

    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const int stride = ((width * 3 + 3) / 4) * 4;
    std::vector<unsigned char> pixels(static_cast<size_t>(stride) * height);
    const int lines = GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
                                DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (lines != height) return false;

    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof header + sizeof info;
    header.bfSize = header.bfOffBits + static_cast<DWORD>(pixels.size());
    const bool written = std::fwrite(&header, sizeof header, 1, file) == 1 &&
                         std::fwrite(&info, sizeof info, 1, file) == 1 &&
                         std::fwrite(pixels.data(), pixels.size(), 1, file) == 1;
    return std::fclose(file) == 0 && written;
}

}  // namespace qvtest
