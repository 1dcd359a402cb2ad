// The part of the Win32 API that the plug-in and the simulated host use, for
// builds on systems other than Windows. Names, types and values are those of
// <windows.h>; the functions are implemented by the win32stub library, whose
// window model is described in WindowModel.h.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#define WINAPI
#define CALLBACK

typedef int BOOL;
typedef int INT;
typedef unsigned char BYTE;
typedef unsigned short WORD;
typedef unsigned int UINT;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef char CHAR;
typedef uint16_t WCHAR;
typedef CHAR* LPSTR;
typedef WCHAR* LPWSTR;
typedef const CHAR* LPCSTR;
typedef const WCHAR* LPCWSTR;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef intptr_t LONG_PTR;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;
typedef void* LPVOID;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

struct HINSTANCE__ { int unused; };
typedef HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
struct HWND__ { int unused; };
typedef HWND__* HWND;
struct HDWP__ { int unused; };
typedef HDWP__* HDWP;
struct HMONITOR__ { int unused; };
typedef HMONITOR__* HMONITOR;
struct HMENU__ { int unused; };
typedef HMENU__* HMENU;

typedef INT_PTR (WINAPI* FARPROC)();
typedef INT_PTR (CALLBACK* DLGPROC)(HWND, UINT, WPARAM, LPARAM);
typedef LRESULT (CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);
typedef void (CALLBACK* TIMERPROC)(HWND, UINT, UINT_PTR, DWORD);

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
typedef RECT* LPRECT;

struct POINT {
    LONG x;
    LONG y;
};
typedef POINT* LPPOINT;

struct SIZE {
    LONG cx;
    LONG cy;
};

struct MINMAXINFO {
    POINT ptReserved;
    POINT ptMaxSize;
    POINT ptMaxPosition;
    POINT ptMinTrackSize;
    POINT ptMaxTrackSize;
};

struct WINDOWPOS {
    HWND hwnd;
    HWND hwndInsertAfter;
    int x;
    int y;
    int cx;
    int cy;
    UINT flags;
};

struct WNDCLASSW {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    void* hIcon;
    void* hCursor;
    void* hbrBackground;
    LPCWSTR lpszMenuName;
    LPCWSTR lpszClassName;
};

struct NMHDR {
    HWND hwndFrom;
    UINT_PTR idFrom;
    UINT code;
};

#define LOWORD(l) ((WORD)(((UINT_PTR)(l)) & 0xFFFF))
#define HIWORD(l) ((WORD)((((UINT_PTR)(l)) >> 16) & 0xFFFF))
#define MAKELONG(a, b) ((LONG)(((WORD)(((UINT_PTR)(a)) & 0xFFFF)) | ((DWORD)((WORD)(((UINT_PTR)(b)) & 0xFFFF))) << 16))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)MAKELONG(l, h))
#define MAKELPARAM(l, h) ((LPARAM)(DWORD)MAKELONG(l, h))
#define MAKEINTRESOURCEW(i) ((LPCWSTR)((UINT_PTR)((WORD)(i))))
#define IS_INTRESOURCE(r) ((((UINT_PTR)(r)) >> 16) == 0)

// Messages.
#define WM_DESTROY 0x0002
#define WM_SIZE 0x0005
#define WM_ACTIVATE 0x0006
#define WM_ENABLE 0x000A
#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_GETTEXTLENGTH 0x000E
#define WM_CLOSE 0x0010
#define WM_SHOWWINDOW 0x0018
#define WM_GETMINMAXINFO 0x0024
#define WM_SETFONT 0x0030
#define WM_WINDOWPOSCHANGING 0x0046
#define WM_WINDOWPOSCHANGED 0x0047
#define WM_NOTIFY 0x004E
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define WM_SYSCOMMAND 0x0112
#define WM_TIMER 0x0113

#define SIZE_RESTORED 0
#define SIZE_MINIMIZED 1
#define SIZE_MAXIMIZED 2
#define WA_INACTIVE 0
#define WA_ACTIVE 1
#define SC_CLOSE 0xF060

// Buttons.
#define BM_GETCHECK 0x00F0
#define BM_SETCHECK 0x00F1
#define BM_CLICK 0x00F5
#define BST_UNCHECKED 0
#define BST_CHECKED 1
#define BN_CLICKED 0
#define BS_PUSHBUTTON 0x0
#define BS_DEFPUSHBUTTON 0x1
#define BS_AUTOCHECKBOX 0x3
#define BS_TYPEMASK 0xF

// Edits.
#define EN_CHANGE 0x0300
#define ES_AUTOHSCROLL 0x0080

// List boxes.
#define LB_ADDSTRING 0x0180
#define LB_RESETCONTENT 0x0184
#define LB_SETCURSEL 0x0186
#define LB_GETCURSEL 0x0188
#define LB_GETTEXT 0x0189
#define LB_GETTEXTLEN 0x018A
#define LB_GETCOUNT 0x018B
#define LB_ERR (-1)
#define LBN_SELCHANGE 1
#define LBS_NOTIFY 0x0001
#define LBS_NOINTEGRALHEIGHT 0x0100

// Window styles.
#define WS_OVERLAPPED 0x00000000L
#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_DISABLED 0x08000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_VSCROLL 0x00200000L
#define WS_SYSMENU 0x00080000L
#define WS_THICKFRAME 0x00040000L
#define WS_TABSTOP 0x00010000L
#define WS_OVERLAPPEDWINDOW 0x00CF0000L
#define DS_SETFONT 0x40L
#define DS_FIXEDSYS 0x0008L

// ShowWindow.
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5

// SetWindowPos.
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SWP_NOACTIVATE 0x0010
#define SWP_SHOWWINDOW 0x0040
#define SWP_HIDEWINDOW 0x0080
#define SWP_NOOWNERZORDER 0x0200

// Message boxes.
#define MB_OK 0x0
#define MB_YESNO 0x4
#define MB_ICONERROR 0x10
#define MB_ICONEXCLAMATION 0x30
#define IDOK 1
#define IDCANCEL 2
#define IDYES 6
#define IDNO 7

// GetSystemMetrics.
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CYCAPTION 4
#define SM_CXSIZEFRAME 32
#define SM_CYSIZEFRAME 33
#define SM_CXFULLSCREEN 16
#define SM_CYFULLSCREEN 17

#define MONITOR_DEFAULTTONULL 0
#define DWLP_MSGRESULT 0
#define DWLP_USER 16
#define CW_USEDEFAULT ((int)0x80000000)

// Modules.
HMODULE WINAPI GetModuleHandleA(LPCSTR moduleName);
FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName);

// Windows.
WORD WINAPI RegisterClassW(const WNDCLASSW* windowClass);
LRESULT WINAPI DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
HMODULE WINAPI GetModuleHandleW(LPCWSTR moduleName);
HWND WINAPI CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR title, DWORD style, int x, int y,
                            int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
HWND WINAPI CreateDialogParamW(HINSTANCE instance, LPCWSTR templateName, HWND parent, DLGPROC procedure,
                               LPARAM param);
BOOL WINAPI DestroyWindow(HWND window);
BOOL WINAPI IsWindow(HWND window);
HWND WINAPI GetParent(HWND window);
HWND WINAPI GetDlgItem(HWND dialog, int item);
int WINAPI GetDlgCtrlID(HWND window);
BOOL WINAPI ShowWindow(HWND window, int command);
BOOL WINAPI IsWindowVisible(HWND window);
BOOL WINAPI EnableWindow(HWND window, BOOL enable);
BOOL WINAPI IsWindowEnabled(HWND window);
HWND WINAPI SetActiveWindow(HWND window);
HWND WINAPI GetActiveWindow();
BOOL WINAPI InvalidateRect(HWND window, const RECT* rect, BOOL erase);
BOOL WINAPI GetWindowRect(HWND window, LPRECT rect);
BOOL WINAPI GetClientRect(HWND window, LPRECT rect);
BOOL WINAPI ScreenToClient(HWND window, LPPOINT point);
BOOL WINAPI ClientToScreen(HWND window, LPPOINT point);
BOOL WINAPI SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags);
HDWP WINAPI BeginDeferWindowPos(int count);
HDWP WINAPI DeferWindowPos(HDWP batch, HWND window, HWND insertAfter, int x, int y, int width, int height,
                           UINT flags);
BOOL WINAPI EndDeferWindowPos(HDWP batch);
HMONITOR WINAPI MonitorFromRect(const RECT* rect, DWORD flags);
int WINAPI GetSystemMetrics(int index);
LONG_PTR WINAPI SetWindowLongPtrW(HWND window, int index, LONG_PTR value);
LONG_PTR WINAPI GetWindowLongPtrW(HWND window, int index);

// Messages and dialog items.
LRESULT WINAPI SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT WINAPI SendDlgItemMessageW(HWND dialog, int item, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int item, UINT message, WPARAM wParam, LPARAM lParam);
BOOL WINAPI SetWindowTextW(HWND window, LPCWSTR text);
int WINAPI GetWindowTextW(HWND window, LPWSTR buffer, int capacity);
BOOL WINAPI SetDlgItemTextW(HWND dialog, int item, LPCWSTR text);
BOOL WINAPI SetDlgItemTextA(HWND dialog, int item, LPCSTR text);
UINT WINAPI GetDlgItemTextW(HWND dialog, int item, LPWSTR buffer, int capacity);
UINT WINAPI GetDlgItemTextA(HWND dialog, int item, LPSTR buffer, int capacity);
BOOL WINAPI SetDlgItemInt(HWND dialog, int item, UINT value, BOOL isSigned);
UINT WINAPI GetDlgItemInt(HWND dialog, int item, BOOL* translated, BOOL isSigned);
BOOL WINAPI CheckDlgButton(HWND dialog, int item, UINT check);
UINT WINAPI IsDlgButtonChecked(HWND dialog, int item);

// Timers, message boxes, sounds.
UINT_PTR WINAPI SetTimer(HWND window, UINT_PTR id, UINT milliseconds, TIMERPROC procedure);
BOOL WINAPI KillTimer(HWND window, UINT_PTR id);
int WINAPI MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR title, UINT style);
BOOL WINAPI MessageBeep(UINT type);

// The C runtime's file opening and Win32's file deletion, taking file names
// as Windows does: '\' separates folders, as '/' does.
#define _SH_DENYNO 0x40
std::FILE* _fsopen(const char* name, const char* mode, int share);
BOOL WINAPI DeleteFileA(LPCSTR name);
// Not Win32: a Windows file name as this system's C library takes it.
std::string Win32StubLocalFileName(const char* name);
// Not Win32: the folder that stands for the root of the current drive, where
// a name starting with a single '\' lies; empty (the default) for this
// system's root.
void Win32StubSetDriveRoot(const std::string& folder);
