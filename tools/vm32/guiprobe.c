/* Exits 0 once Wine's desktop is up and a window can be made: the first
   program with a window waits for it, and under emulation the desktop takes
   longer than Wine itself waits. */
#include <stdio.h>
#include <windows.h>

int main(void)
{
    HWND window = CreateWindowExA(0, "STATIC", "probe", WS_POPUP, 0, 0, 8, 8, NULL, NULL, NULL, NULL);
    if (window == NULL) {
        printf("no window yet (error %lu)\n", GetLastError());
        return 1;
    }
    DestroyWindow(window);
    printf("ready\n");
    return 0;
}
