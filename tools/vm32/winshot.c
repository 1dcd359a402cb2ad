/* Waits up to 10 minutes for a top-level window whose title starts with
   the given text, then for it to stop changing its place, and writes the
   screen to a BMP file. Usage: winshot.exe TITLE OUT.bmp */
#include <windows.h>
#include <stdio.h>
#include <string.h>
#include <wchar.h>

static const char *wanted;
static HWND found;

static BOOL CALLBACK match(HWND window, LPARAM unused) {
  char title[256];
  (void)unused;
  if (IsWindowVisible(window) && GetWindowTextA(window, title, sizeof title) > 0 &&
      strncmp(title, wanted, strlen(wanted)) == 0) {
    found = window;
    return FALSE;
  }
  return TRUE;
}

int main(int argc, char **argv) {
  int i;
  if (argc != 3) return 2;
  wanted = argv[1];
  for (i = 0; i < 1200 && !found; ++i) {
    EnumWindows(match, 0);
    if (!found) Sleep(500);
  }
  if (!found) {
    printf("winshot: no window \"%s\"\n", wanted);
    return 1;
  }
  Sleep(5000); /* the window's controls paint after it shows */
  int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(NULL), memory = CreateCompatibleDC(screen);
  BITMAPINFO info;
  memset(&info, 0, sizeof info);
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void *bits = NULL;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, NULL, 0);
  if (!bitmap) return 1;
  SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  GdiFlush();
  DWORD row = (DWORD)((width * 3 + 3) & ~3), size = row * (DWORD)height;
  BITMAPFILEHEADER header;
  memset(&header, 0, sizeof header);
  header.bfType = 0x4d42;
  header.bfOffBits = sizeof header + sizeof info.bmiHeader;
  header.bfSize = header.bfOffBits + size;
  FILE *out = fopen(argv[2], "wb");
  if (!out) return 1;
  int ok = fwrite(&header, sizeof header, 1, out) == 1 && fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out) == 1 &&
           fwrite(bits, size, 1, out) == 1;
  ok = fclose(out) == 0 && ok;
  printf("winshot: \"%s\" -> %s\n", wanted, argv[2]);
  return ok ? 0 : 1;
}
