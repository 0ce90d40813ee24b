// Win32 subset: thread message queues and hidden windows, synchronisation events, time,
// last-error, system message texts, debugger output, code-page conversion and library loading.
// Semantics follow Windows; each declaration says where that matters.
#pragma once

#include "platform/winerror.h"
#include "platform/wintypes.h"

typedef intptr_t LONG_PTR;

extern "C" {

// ---------------------------------------------------------------- messages and windows

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
typedef MSG* LPMSG;

// What WM_CREATE carries in lParam (Windows' layout and member order).
struct CREATESTRUCTA {
    LPVOID lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    int cy;
    int cx;
    int y;
    int x;
    LONG style;
    LPCSTR lpszName;
    LPCSTR lpszClass;
    DWORD dwExStyle;
};
typedef CREATESTRUCTA* LPCREATESTRUCTA;

struct WNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
};

#define WM_NULL 0x0000
#define WM_CREATE 0x0001
#define WM_DESTROY 0x0002
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_TIMER 0x0113
#define WM_USER 0x0400
#define WM_APP 0x8000

#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001
#define PM_NOYIELD 0x0002

#define CS_GLOBALCLASS 0x4000
#define GWLP_USERDATA (-21)
#define IDC_ARROW (reinterpret_cast<LPCSTR>(static_cast<uintptr_t>(32512)))

// Registers a window class for this process. Returns a nonzero atom; 0 with
// ERROR_CLASS_ALREADY_EXISTS for a name already registered (names compare case-insensitively),
// ERROR_INVALID_PARAMETER for a null class, name or procedure. Wherever a class name is taken,
// the atom may be given instead (MAKEINTATOM: a value below 0x10000 in the pointer).
ORV_API ATOM WINAPI RegisterClassA(const WNDCLASSA* wc);
// Removes a class. FALSE with ERROR_CLASS_DOES_NOT_EXIST when unknown, ERROR_CLASS_HAS_WINDOWS
// while windows of it exist.
ORV_API BOOL WINAPI UnregisterClassA(LPCSTR className, HINSTANCE instance);
// Creates a window owned by the calling thread (its queue is created if needed). WM_CREATE is
// sent to the procedure before it returns, lParam pointing to a CREATESTRUCTA whose
// lpCreateParams is param (not interpreted otherwise); -1 from WM_CREATE destroys the window
// and the result is null. Returns null with ERROR_CLASS_DOES_NOT_EXIST for an unknown class.
// Position, size, style and parent are kept only as given (windows here are never shown).
// When the owner thread ends, its windows are removed without WM_DESTROY (the thread can no
// longer run their procedures); their handles become invalid.
ORV_API HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName,
                                    DWORD style, int x, int y, int width, int height, HWND parent,
                                    HMENU menu, HINSTANCE instance, LPVOID param);
// Sends WM_DESTROY on the calling thread, then invalidates the handle: later posts fail with
// ERROR_INVALID_WINDOW_HANDLE and messages still queued for it are discarded unseen.
// FALSE with ERROR_INVALID_WINDOW_HANDLE for an unknown handle, ERROR_ACCESS_DENIED when called
// from a thread other than the owner.
ORV_API BOOL WINAPI DestroyWindow(HWND hwnd);
ORV_API BOOL WINAPI IsWindow(HWND hwnd);
// Default processing: WM_CLOSE destroys the window; everything else returns 0.
ORV_API LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Per-window pointer-sized slot (only GWLP_USERDATA; another index fails with
// ERROR_INVALID_INDEX, a bad window with ERROR_INVALID_WINDOW_HANDLE). Set returns the previous
// value.
ORV_API LONG_PTR WINAPI SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value);
ORV_API LONG_PTR WINAPI GetWindowLongPtrA(HWND hwnd, int index);
// Copies the window name given at creation, truncated to size - 1 characters and terminated;
// returns the characters copied. 0 with ERROR_INVALID_PARAMETER for a null buffer or size <= 0.
ORV_API int WINAPI GetWindowTextA(HWND hwnd, LPSTR buffer, int size);
// Thread that owns the window (0 for an invalid handle); the process id is written when asked.
ORV_API DWORD WINAPI GetWindowThreadProcessId(HWND hwnd, LPDWORD processId);

// Queues a message for the window's owner thread and returns at once. FALSE with
// ERROR_INVALID_WINDOW_HANDLE for an unknown or destroyed window (or one whose thread has
// ended), ERROR_NOT_ENOUGH_QUOTA when 10,000 posted messages already wait in that queue
// (Windows' default limit). A null hwnd posts a thread message to the calling thread, as on
// Windows.
ORV_API BOOL WINAPI PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Queues a window-less message for a thread; FALSE with ERROR_INVALID_THREAD_ID when the
// thread has no queue.
ORV_API BOOL WINAPI PostThreadMessageA(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam);
// Window on the calling thread: calls the procedure at once and returns after it.
// Window of another thread: queues a sent message and returns at once; the owner thread runs
// the procedure inside its next GetMessageA/PeekMessageA, before any posted message, and the
// message is never returned to the caller of those functions (Windows' sent-message rule).
ORV_API BOOL WINAPI SendNotifyMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Same thread only: calls the procedure and returns its result. Another thread's window: the
// caller blocks until the owner has run the procedure inside its GetMessageA/PeekMessageA,
// running meanwhile the messages sent to its own thread (so mutual sends do not deadlock);
// 0 when the window is destroyed or its thread ends first.
ORV_API LRESULT WINAPI SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
// Waits for a posted message of the calling thread (filtered by window and message range when
// given; 0,0 = all; hwnd (HWND)-1 = thread messages only). Returns 0 for WM_QUIT, -1 with
// ERROR_INVALID_WINDOW_HANDLE for a bad hwnd filter or ERROR_INVALID_PARAMETER for a null msg,
// nonzero otherwise. Sent messages are run first, whatever the filter. WM_QUIT passes every
// message range; the quit request of PostQuitMessage is returned once no posted message
// matches, whatever the filter.
ORV_API BOOL WINAPI GetMessageA(LPMSG msg, HWND hwnd, UINT msgFilterMin, UINT msgFilterMax);
// As GetMessageA without waiting: FALSE when nothing matches.
ORV_API BOOL WINAPI PeekMessageA(LPMSG msg, HWND hwnd, UINT msgFilterMin, UINT msgFilterMax,
                                 UINT removeMsg);
// Calls the message's window procedure on the calling thread and returns its result; 0 for a
// window-less message, 0 with ERROR_INVALID_WINDOW_HANDLE for a window destroyed meanwhile.
// A C++ exception from a window procedure never escapes this layer: it is reported on the
// debug output and the message answers 0.
ORV_API LRESULT WINAPI DispatchMessageA(const MSG* msg);
// There is no keyboard input here: always FALSE.
ORV_API BOOL WINAPI TranslateMessage(const MSG* msg);
// Marks the calling thread's queue for WM_QUIT (wParam = exitCode).
ORV_API void WINAPI PostQuitMessage(int exitCode);

ORV_API DWORD WINAPI GetCurrentThreadId(void);
ORV_API DWORD WINAPI GetCurrentProcessId(void);

// ---------------------------------------------------------------- synchronisation objects

#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu
#define MAXIMUM_WAIT_OBJECTS 64

// Event objects (manual- or auto-reset), closed with CloseHandle. Names are not supported
// (a non-null name fails with ERROR_NOT_SUPPORTED).
ORV_API HANDLE WINAPI CreateEventA(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset,
                                   BOOL initialState, LPCSTR name);
ORV_API BOOL WINAPI SetEvent(HANDLE event);
ORV_API BOOL WINAPI ResetEvent(HANDLE event);
// WAIT_OBJECT_0, WAIT_TIMEOUT, or WAIT_FAILED with ERROR_INVALID_HANDLE. An auto-reset event
// is reset by the wait it satisfies.
ORV_API DWORD WINAPI WaitForSingleObject(HANDLE handle, DWORD milliseconds);
// waitAll FALSE: the lowest index of the signalled objects wins (WAIT_OBJECT_0 + index); only
// that object, if auto-reset, is reset. waitAll TRUE: returns when all are signalled at once
// and resets the auto-reset ones together. More than MAXIMUM_WAIT_OBJECTS, a zero count, a
// null array or (waitAll TRUE) the same object twice: WAIT_FAILED with
// ERROR_INVALID_PARAMETER; a bad or closed handle: WAIT_FAILED with ERROR_INVALID_HANDLE.
ORV_API DWORD WINAPI WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll,
                                            DWORD milliseconds);
// FALSE with ERROR_INVALID_HANDLE for a handle that is not open. A thread waiting on the
// object keeps it alive until its wait ends.
ORV_API BOOL WINAPI CloseHandle(HANDLE handle);

// ---------------------------------------------------------------- time, errors, debug output

// Milliseconds since an arbitrary start, wrapping at 2^32 like Windows.
ORV_API DWORD WINAPI GetTickCount(void);
ORV_API ULONGLONG WINAPI GetTickCount64(void);
ORV_API void WINAPI GetSystemTime(LPSYSTEMTIME time);  // UTC, with milliseconds
ORV_API void WINAPI GetLocalTime(LPSYSTEMTIME time);
// Sleep(0) yields the processor; Sleep(INFINITE) never returns.
ORV_API void WINAPI Sleep(DWORD milliseconds);

// Per-thread last error value.
ORV_API DWORD WINAPI GetLastError(void);
ORV_API void WINAPI SetLastError(DWORD errorCode);

#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x00000100
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x00000200
#define FORMAT_MESSAGE_FROM_STRING 0x00000400
#define FORMAT_MESSAGE_FROM_HMODULE 0x00000800
#define FORMAT_MESSAGE_FROM_SYSTEM 0x00001000
#define FORMAT_MESSAGE_ARGUMENT_ARRAY 0x00002000
#define LANG_NEUTRAL 0x00
#define LANG_ENGLISH 0x09
#define SUBLANG_DEFAULT 0x01
#define MAKELANGID(p, s) ((static_cast<WORD>(s) << 10) | static_cast<WORD>(p))

// FORMAT_MESSAGE_FROM_SYSTEM only: copies the system text of messageId (ending in "\r\n", as
// on Windows) and returns its length without the terminator. With
// FORMAT_MESSAGE_ALLOCATE_BUFFER, buffer is really an LPSTR* that receives a LocalAlloc'ed text
// (free with LocalFree; set to null on failure) of at least size characters. Returns 0 with
// ERROR_MR_MID_NOT_FOUND (317) for an unknown code, ERROR_INSUFFICIENT_BUFFER when size is too
// small, ERROR_RESOURCE_LANG_NOT_FOUND for a language other than neutral or English,
// ERROR_INVALID_PARAMETER without FORMAT_MESSAGE_FROM_SYSTEM or with a null buffer, and
// ERROR_NOT_SUPPORTED for FORMAT_MESSAGE_FROM_STRING. The texts carry no inserts.
ORV_API DWORD WINAPI FormatMessageA(DWORD flags, LPCVOID source, DWORD messageId,
                                    DWORD languageId, LPSTR buffer, DWORD size, void* arguments);
// Fixed memory only (LMEM_FIXED, LMEM_ZEROINIT); other flags fail with ERROR_INVALID_PARAMETER.
ORV_API HLOCAL WINAPI LocalAlloc(UINT flags, SIZE_T bytes);
// Null on success; the argument, with ERROR_INVALID_HANDLE, for a block LocalAlloc did not give.
ORV_API HLOCAL WINAPI LocalFree(HLOCAL memory);
#define LMEM_FIXED 0x0000
#define LMEM_ZEROINIT 0x0040

// Debugger output: written to standard error (as is, one write) when the environment variable
// ORV_DEBUG_OUTPUT is set to a non-empty value other than "0"; otherwise discarded.
ORV_API void WINAPI OutputDebugStringA(LPCSTR text);

// ---------------------------------------------------------------- code pages

#define CP_ACP 0         // the ANSI code page: Windows-1252 here
#define CP_THREAD_ACP 3  // the same
#define CP_UTF8 65001
#define MB_PRECOMPOSED 0x00000001
#define MB_USEGLYPHCHARS 0x00000004
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_ERR_INVALID_CHARS 0x00000080
#define WC_NO_BEST_FIT_CHARS 0x00000400

// Windows contract: cbMultiByte -1 means NUL-terminated (the terminator is converted and
// counted); cchWideChar 0 returns the size needed; a too-small buffer returns 0 with
// ERROR_INSUFFICIENT_BUFFER; an unknown code page ERROR_INVALID_PARAMETER; a flag the code page
// does not take ERROR_INVALID_FLAGS (CP_UTF8 takes only MB_ERR_INVALID_CHARS; CP_ACP, also
// spelled CP_THREAD_ACP or 1252, MB_PRECOMPOSED and MB_USEGLYPHCHARS too). CP_ACP maps every
// byte (the five bytes Windows-1252 leaves undefined map to U+0081, U+008D, U+008F, U+0090,
// U+009D, as Windows does). CP_UTF8 with MB_ERR_INVALID_CHARS fails on malformed input with
// ERROR_NO_UNICODE_TRANSLATION (1113); without it each maximal ill-formed subsequence becomes
// one U+FFFD (overlong forms and encoded surrogates are ill-formed).
ORV_API int WINAPI MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByte,
                                       int cbMultiByte, LPWSTR wideChar, int cchWideChar);
// Characters that Windows-1252 cannot hold become defaultChar (or "?") and *usedDefaultChar
// is set (TRUE/FALSE); there is no best-fit mapping, with or without WC_NO_BEST_FIT_CHARS (the
// only flag CP_ACP takes), and each UTF-16 unit of a surrogate pair becomes one default
// character. For CP_UTF8 both must be null (ERROR_INVALID_PARAMETER otherwise) and unpaired
// surrogates become U+FFFD, or fail with ERROR_NO_UNICODE_TRANSLATION under
// WC_ERR_INVALID_CHARS (its only flag).
ORV_API int WINAPI WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideChar,
                                       int cchWideChar, LPSTR multiByte, int cbMultiByte,
                                       LPCSTR defaultChar, BOOL* usedDefaultChar);

// ---------------------------------------------------------------- libraries

#define SEM_FAILCRITICALERRORS 0x0001
#define SEM_NOOPENFILEERRORBOX 0x8000

typedef INT_PTR(WINAPI* FARPROC)();

// Loads a shared library (dlopen, RTLD_NOW | RTLD_LOCAL). A name with a '/' is a path, loaded
// as given. A bare name is searched on the library path: first as given, then (unless it ends
// in ".so") without a ".dll" suffix as "lib<name>.so" (not when it starts with "lib") and
// "<name>.so"; so "aiplib32" and "aiplib32.dll" load libaiplib32.so. Null with
// ERROR_MOD_NOT_FOUND when it cannot be loaded (the loader's reason goes to the debug output),
// ERROR_INVALID_PARAMETER for a null or empty name. Each load counts; FreeLibrary undoes one.
ORV_API HMODULE WINAPI LoadLibraryA(LPCSTR fileName);
// Null with ERROR_PROC_NOT_FOUND when the symbol is missing or procName is an ordinal (there are
// none here), ERROR_MOD_NOT_FOUND for a module LoadLibraryA did not return. A null module
// means the program itself. A name with a __stdcall decoration ("PosClose@4") that is not
// found as given is looked up without it ("PosClose"): ELF symbols cannot carry the '@'.
// Cast the result through void* to the procedure's type (FARPROC is not it).
ORV_API FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName);
// FALSE with ERROR_MOD_NOT_FOUND for a module not loaded (or freed as often as loaded).
ORV_API BOOL WINAPI FreeLibrary(HMODULE module);
// Error boxes do not exist here; the mode is remembered and returned.
ORV_API UINT WINAPI SetErrorMode(UINT mode);

}  // extern "C"

#define ERROR_MR_MID_NOT_FOUND 317L
#ifndef ERROR_INVALID_FLAGS
#define ERROR_INVALID_FLAGS 1004L
#endif
#define ERROR_NO_UNICODE_TRANSLATION 1113L
#ifndef ERROR_INVALID_INDEX
#define ERROR_INVALID_INDEX 1413L
#endif
#ifndef ERROR_RESOURCE_LANG_NOT_FOUND
#define ERROR_RESOURCE_LANG_NOT_FOUND 1815L
#endif
#ifndef ERROR_NOT_ENOUGH_QUOTA
#define ERROR_NOT_ENOUGH_QUOTA 1816L
#endif
