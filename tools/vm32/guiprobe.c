/* The guest's probe of Wine's desktop.
     guiprobe.exe        exits 0 once a window can be made: the first program
                         with a window waits for the desktop, and under
                         emulation it takes longer than Wine itself waits.
     guiprobe.exe hold   says "holding" once it has a window and keeps it
                         until it is killed, so that the
                         desktop stays up between the job's programs instead
                         of closing and starting again for each of them. */
#include <stdio.h>
#include <string.h>
#include <windows.h>

int main(int argc, char** argv)
{
    HWND window = CreateWindowExA(0, "STATIC", "probe", WS_POPUP, 0, 0, 8, 8, NULL, NULL, NULL, NULL);
    if (window == NULL) {
        printf("no window yet (error %lu)\n", GetLastError());
        return 1;
    }
    if (argc > 1 && strcmp(argv[1], "hold") == 0) {
        MSG message;
        printf("holding\n");
        fflush(stdout);
        while (GetMessageA(&message, NULL, 0, 0) > 0) DispatchMessageA(&message);
        return 0;
    }
    DestroyWindow(window);
    printf("ready\n");
    return 0;
}
